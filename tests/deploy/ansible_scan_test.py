#!/usr/bin/env python3
"""The Ansible module tarvix.logo.scan against simulators on loopback addresses.

A printer at 127.0.0.22 and a cash register at 127.0.0.32 on one port; the module scans
127.0.0.16-40 on the shop PC (connection local) and must return both, in the rollout's
device form, and change nothing. Loopback only: TV_SCAN_LOOPBACK_ONLY is set for the tool.

    ansible_scan_test.py BUILD_DIR SOURCE_DIR     (exit 77: skipped, no ansible)
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77


def simulator(build, args):
    child = subprocess.Popen([os.path.join(build, 'sim', 'tarvix-vizaze-sim')] + args, stdout=subprocess.PIPE,
                             text=True)
    ready = child.stdout.readline().split()  # READY tcp ADDRESS PORT (the simulator's own bound)
    if ready[:2] != ['READY', 'tcp']:
        child.kill()
        raise SystemExit('simulator did not start: %s' % ready)
    return child, int(ready[3])


def main():
    build, source = sys.argv[1], sys.argv[2]
    if not shutil.which('ansible'):
        return SKIP
    work = tempfile.mkdtemp()
    printer, port = simulator(build, ['--printer', '--name', 'SKLEP 22', '--listen', '127.0.0.22', '--tcp', '0'])
    register, _ = simulator(build, ['--register', '--listen', '127.0.0.32', '--tcp', str(port)])
    try:
        env = dict(os.environ, ANSIBLE_COLLECTIONS_PATH=os.path.join(source, 'deploy', 'ansible'),
                   ANSIBLE_LOAD_CALLBACK_PLUGINS='1', ANSIBLE_STDOUT_CALLBACK='json', TV_SCAN_LOOPBACK_ONLY='1')
        args = 'addresses=127.0.0.16-40 ports=%d workdir=%s tool=%s' % (
            port, work, os.path.join(build, 'cli', 'tarvix-vizaze-cli'))
        run = subprocess.run(['ansible', 'localhost', '-c', 'local', '-i', 'localhost,', '-m', 'tarvix.logo.scan',
                              '-a', args], env=env, capture_output=True, text=True, timeout=120, cwd=work)
        result = json.loads(run.stdout)['plays'][0]['tasks'][0]['hosts']['localhost']
        expected = [
            dict(name='printer-127-0-0-22-%d' % port, interface='ethernet', protocol='printer',
                 address='127.0.0.22', port=port),
            dict(name='register-127-0-0-32-%d' % port, interface='ethernet', protocol='register',
                 address='127.0.0.32', port=port),
        ]
        found = [(d['address'], d['name']) for d in result.get('found', [])]
        got = (result.get('devices'), result.get('changed'), result.get('tried'), found)
        want = (expected, False, 25, [('127.0.0.22', 'SKLEP 22'), ('127.0.0.32', 'TORMA')])
        if got != want:
            print('FAIL\n got  %s\n want %s' % (got, want))
        return 0 if got == want else 1
    finally:
        for child in (printer, register):
            child.terminate()
            child.wait(10)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    sys.exit(main())
