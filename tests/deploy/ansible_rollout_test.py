#!/usr/bin/env python3
"""The Ansible rollout of deploy/ansible against simulators on this machine.

Three shops (connection local, a working directory each), six simulated devices: sklep-a
a printer and a cash register over TCP; sklep-b a printer over a pseudo-terminal (COM5,
mapped by the role) and a cash register, run step by step from the controller (the path a
Windows shop PC takes); sklep-c a printer whose slot is read-only and a cash register.
Three runs of the playbook: a check, the rollout, and the same again once the failing
printer is fixed (only that printer is sent anything).

    ansible_rollout_test.py BUILD_DIR SOURCE_DIR     (exit 77: skipped, no ansible-playbook)
"""
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

SKIP = 77
SLOT = 2
DITHER = 'ordered'
PICTURE = 'examples/piekarnia_576x160.bmp'  # 576 wide: the cash registers get it shrunk to 384
DEVICES = [  # shop, device, protocol, transport, extra simulator options
    ('sklep-a', 'a-drukarka', 'printer', 'tcp', []),
    ('sklep-a', 'a-kasa', 'register', 'tcp', []),
    ('sklep-b', 'b-drukarka', 'printer', 'pty', []),
    ('sklep-b', 'b-kasa', 'register', 'tcp', []),
    ('sklep-c', 'c-drukarka', 'printer', 'tcp', ['--read-only', str(SLOT)]),
    ('sklep-c', 'c-kasa', 'register', 'tcp', []),
]
FAILING = 'c-drukarka'


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def bits_masked(row, width):
    row = bytearray(row)
    if width % 8:
        row[-1] &= (0xff << (8 - width % 8)) & 0xff
    return bytes(row)


def bmp_picture(path):
    """A 1-bit BMP as (width, height, rows top down, set bit = dark dot)."""
    data = open(path, 'rb').read()
    offset, header = struct.unpack_from('<II', data, 10)
    width, height = struct.unpack_from('<ii', data, 18)
    check(struct.unpack_from('<H', data, 28)[0] == 1, '%s is not a 1-bit BMP' % path)
    palette = data[14 + header:14 + header + 8]
    dark_first = sum(palette[0:3]) < sum(palette[4:7])
    stride, size = (width + 31) // 32 * 4, (width + 7) // 8
    rows = []
    for y in range(abs(height)):
        at = offset + (y if height < 0 else abs(height) - 1 - y) * stride
        row = data[at:at + size]
        rows.append(bits_masked(bytes(~b & 0xff for b in row) if dark_first else row, width))
    return width, abs(height), rows


def pbm_picture(path):
    """A simulator's slot picture (PBM P4) in the same form."""
    data = open(path, 'rb').read()
    lines = data.split(b'\n', 3)
    check(lines[0] == b'P4' and lines[1].startswith(b'#'), '%s is not the simulator\'s PBM' % path)
    width, height = map(int, lines[2].split())
    size = (width + 7) // 8
    return width, height, [bits_masked(lines[3][y * size:(y + 1) * size], width) for y in range(height)]


class Rig:
    def __init__(self, tmp, build, source):
        self.tmp, self.source = tmp, source
        self.tool = os.path.join(build, 'cli', 'tarvix-vizaze-cli')
        self.sim = os.path.join(build, 'sim', 'tarvix-vizaze-sim')
        self.picture = os.path.join(source, PICTURE)
        self.summary = os.path.join(tmp, 'summary.json')
        self.failed_list = os.path.join(tmp, 'failed.txt')
        self.ports, self.sims = {}, {}

    def start(self, name, protocol, transport, extra):
        base = os.path.join(self.tmp, 'sim', name)
        where = ['--pty', base + '.pty'] if transport == 'pty' else ['--tcp', str(self.ports.get(name, 0))]
        sim = subprocess.Popen([self.sim, '--' + protocol] + where + extra + ['--store', base, '--log', base + '.log'],
                               stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True)
        self.sims[name] = sim
        line = sim.stdout.readline().split()  # READY tcp 127.0.0.1 PORT, or READY pty PATH
        check(line[:1] == ['READY'], 'simulator %s did not start' % name)
        if transport == 'tcp':
            self.ports[name] = int(line[3])

    def stop(self, name):
        sim = self.sims.pop(name)
        sim.terminate()
        sim.wait(timeout=30)
        sim.stdout.close()

    def inventory(self):
        shops = {}
        for shop, name, protocol, transport, _ in DEVICES:
            host = shops.setdefault(shop, {
                'ansible_connection': 'local', 'ansible_python_interpreter': '{{ ansible_playbook_python }}',
                'tarvix_logo_workdir': os.path.join(self.tmp, shop), 'tarvix_logo_devices': []})
            if transport == 'pty':
                host['tarvix_logo_ports'] = {'COM5': os.path.join(self.tmp, 'sim', name + '.pty')}
                device = ['serial', 'COM5', 115200]
            else:
                device = ['ethernet', '127.0.0.1', self.ports[name]]
            host['tarvix_logo_devices'].append(dict(zip(('name', 'interface', 'protocol', 'address', 'port'),
                                                        [name, device[0], protocol, device[1], device[2]])))
        shops['sklep-b']['tarvix_logo_steps'] = 'remote'
        common = {'tarvix_logo_tool': self.tool, 'tarvix_logo_picture': self.picture, 'tarvix_logo_slot': SLOT,
                  'tarvix_logo_dither': DITHER, 'tarvix_logo_header': str(SLOT), 'tarvix_logo_footer': 'none',
                  'tarvix_logo_timeout': 2, 'tarvix_logo_summary': self.summary,
                  'tarvix_logo_failed_list': self.failed_list}
        path = os.path.join(self.tmp, 'inventory.json')
        with open(path, 'w') as f:
            json.dump({'shops': {'hosts': shops, 'vars': common}}, f)
        return path

    def playbook(self, *args):
        ansible = os.path.join(self.source, 'deploy', 'ansible')
        env = dict(os.environ, ANSIBLE_CONFIG=os.path.join(ansible, 'ansible.cfg'), ANSIBLE_NOCOLOR='1',
                   ANSIBLE_PIPELINING='1', ANSIBLE_COLLECTIONS_SCAN_SYS_PATH='0',
                   ANSIBLE_LOCAL_TEMP=os.path.join(self.tmp, 'ansible-local'),
                   ANSIBLE_REMOTE_TEMP=os.path.join(self.tmp, 'ansible-remote'))
        if os.path.exists(self.summary):
            os.remove(self.summary)
        began = time.monotonic()
        run = subprocess.run(['ansible-playbook', '-i', self.inventory(), os.path.join(ansible, 'playbooks', 'rollout.yml')]
                             + list(args), env=env, capture_output=True, text=True, timeout=300)
        print('ansible-playbook %s: exit %d, %.1f s' % (' '.join(args), run.returncode, time.monotonic() - began))
        check(os.path.exists(self.summary), 'no summary:\n' + run.stdout + run.stderr)
        with open(self.summary) as f:
            return run, json.load(f)

    def expected(self, protocol):
        out = os.path.join(self.tmp, 'expected-%s.bmp' % protocol)
        subprocess.run([self.tool, '--dir', self.tmp, '--' + protocol, '--dither', DITHER, 'convert', self.picture, out],
                       check=True, capture_output=True, timeout=60)
        return bmp_picture(out)

    def slot(self, name):
        path = os.path.join(self.tmp, 'sim', name, 'slot%d.pbm' % SLOT)
        return pbm_picture(path) if os.path.exists(path) else None

    def header_footer(self, name):
        state = open(os.path.join(self.tmp, 'sim', name, 'state.txt')).read().split('\n')
        return state[0].split()[1], state[1].split()[1]

    def requests(self, name):
        return os.path.getsize(os.path.join(self.tmp, 'sim', name + '.log'))


def outcomes(summary):
    return dict((d['name'], d['outcome']) for shop in summary['shops'].values() for d in shop['devices'])


def changed(summary):
    return dict((name, shop['changed']) for name, shop in summary['shops'].items())


def counts(summary, *keys):
    return dict((k, summary['counts'][k]) for k in keys)


def tolerance(rig):
    """A run of the tool that prints no list document (here a usage error) fails each device
    with the tool's exit status and what it said."""
    sys.path.insert(0, os.path.join(rig.source, 'deploy', 'ansible'))
    from ansible_collections.tarvix.logo.plugins.module_utils.logo_rollout import list_report, list_text
    listing = os.path.join(rig.tmp, 'bad.csv')
    with open(listing, 'w') as f:
        f.write(list_text([dict(name='x', interface='ethernet', protocol='printer', address='127.0.0.1', port='1')]))
    run = subprocess.run([rig.tool, '--dir', rig.tmp, '--json', '--devices', listing, '--timeout', '100', 'test'],
                         capture_output=True, text=True, timeout=60)
    got = list_report(run.returncode, run.stdout, run.stderr, ['x'])['x']
    check(run.returncode == 2 and got['exit'] == 1 and re.search(r'\b2\b', got['message']) and '100' in got['message'], got)


def scenario(rig):
    tolerance(rig)
    for _, name, protocol, transport, extra in DEVICES:
        rig.start(name, protocol, transport, extra)
    names = [d[1] for d in DEVICES]
    expected = dict((p, rig.expected(p)) for p in ('printer', 'register'))
    check(expected['printer'][0] == 576 and expected['register'][0] == 384, 'the picture fits each device family')

    # The check: connections tested, the picture converted, no graphic data sent.
    run, summary = rig.playbook('--check')
    check(run.returncode == 0, 'check run failed:\n' + run.stdout + run.stderr)
    check(summary['check_mode'] and outcomes(summary) == dict((n, 'tested') for n in names), summary)
    check(all(d['would_program'] for s in summary['shops'].values() for d in s['devices']), summary)
    check(all(rig.slot(n) is None for n in names), 'a slot was written in check mode')
    check(all(b'imgslot' not in open(os.path.join(rig.tmp, 'sim', n + '.log'), 'rb').read()
              for _, n, p, _, _ in DEVICES if p == 'printer'), 'a printer was sent graphic data in check mode')

    # The rollout: the failing printer fails its shop, every other device holds the logo.
    run, summary = rig.playbook()
    check(run.returncode == 2, 'a failed shop makes the run fail (exit %d)' % run.returncode)
    check(outcomes(summary) == dict((n, 'failed' if n == FAILING else 'programmed') for n in names), summary)
    check(counts(summary, 'shops', 'shops_ok', 'shops_failed', 'devices', 'programmed', 'failed') ==
          {'shops': 3, 'shops_ok': 2, 'shops_failed': 1, 'devices': 6, 'programmed': 5, 'failed': 1}, summary)
    check(summary['failed_devices'][0]['name'] == FAILING and '3252' in summary['failed_devices'][0]['message'], summary)
    check(open(rig.failed_list).read() == 'sklep-c\n', 'the list of shops to run again')
    for _, name, protocol, _, _ in DEVICES:
        check(rig.slot(name) == (None if name == FAILING else expected[protocol]), 'slot %d of %s' % (SLOT, name))
        check(rig.header_footer(name) == (('0', '0') if name == FAILING else (str(SLOT), '0')), 'header of ' + name)

    # The printer fixed, the same again: the record skips every device that holds the logo
    # (nothing reaches it), and the printer that failed gets it.
    sizes = dict((n, rig.requests(n)) for n in names)
    rig.stop(FAILING)
    rig.start(FAILING, 'printer', 'tcp', [])
    run, summary = rig.playbook()
    check(run.returncode == 0, 'second run:\n' + run.stdout + run.stderr)
    check(changed(summary) == {'sklep-a': False, 'sklep-b': False, 'sklep-c': True}, summary)
    check(outcomes(summary) == dict((n, 'programmed' if n == FAILING else 'unchanged') for n in names), summary)
    check(counts(summary, 'shops_ok', 'unchanged', 'programmed', 'failed') ==
          {'shops_ok': 3, 'unchanged': 5, 'programmed': 1, 'failed': 0}, summary)
    check(all(rig.requests(n) == sizes[n] for n in names if n != FAILING), 'a device skipped was sent something')
    check(rig.slot(FAILING) == expected['printer'] and rig.header_footer(FAILING) == (str(SLOT), '0'), 'fixed printer')
    check(open(rig.failed_list).read() == '', 'no shop left to run again')


def main():
    build, source = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if not shutil.which('ansible-playbook'):
        print('ansible-playbook not found (Debian: apt install ansible): skipped')
        return SKIP
    tmp = tempfile.mkdtemp(prefix='tv-rollout-')
    rig = Rig(tmp, build, source)
    try:
        began = time.monotonic()
        scenario(rig)
        print('passed in %.1f s' % (time.monotonic() - began))
        return 0
    except (Failure, subprocess.SubprocessError, OSError) as e:
        print('FAILED: %s' % (e,))
        return 1
    finally:
        for name in list(rig.sims):
            rig.stop(name)
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == '__main__':
    sys.exit(main())
