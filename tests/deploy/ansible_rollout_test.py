#!/usr/bin/env python3
"""The Ansible rollout of deploy/ansible against simulators on this machine, run as
docs/rollout.md says: its commands as written (only the picture and the inventory are the
test's), from a copy of deploy/ansible, with the role's defaults.

Three shops (connection local, a working directory each), six simulated devices: sklep-a
a printer and a cash register over TCP; sklep-b a printer over a pseudo-terminal (COM5,
mapped by the role) and a cash register, run step by step from the controller (the path a
Windows shop PC takes); sklep-c a printer whose slot is read-only and a cash register.
The check, the rollout, the retry of the failed shop, a rerun that changes nothing, a
header-only change, a failed send of another logo and the first logo again; then a table
of wrong arguments, each refused before anything is written or sent.

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
SLOT = 1  # the role's default
PICTURE = 'examples/piekarnia_576x160.bmp'  # 576 wide: the cash registers get it shrunk to 384
OTHER = 'examples/sklep_384x96.bmp'
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


# Wrong arguments, each a shop of the group "zle" with one device on a simulator that must
# hear nothing: (shop, its variables, words its message must hold).
GOOD = {'name': 'cel', 'interface': 'ethernet', 'protocol': 'printer', 'address': '127.0.0.1'}
BAD = [
    ('zly-slot', {'tarvix_logo_slot': 7}, ['tarvix_logo_slot', '7', '1..6']),
    ('zla-stopka', {'tarvix_logo_header': '1', 'tarvix_logo_footer': 9}, ['tarvix_logo_footer', '9', 'none']),
    ('bez-stopki', {'tarvix_logo_header': '1'}, ['tarvix_logo_footer']),
    ('zle-parallel', {'tarvix_logo_parallel': 0}, ['tarvix_logo_parallel', '1..64']),
    ('zly-timeout', {'tarvix_logo_timeout': 100}, ['tarvix_logo_timeout', '100', '1..99']),
    ('literowka', {'tarvix_logo_slto': 5}, ['tarvix_logo_slto']),
    ('zly-dither', {'tarvix_logo_dither': 'floid'}, ['tarvix_logo_dither', 'floid', 'atkinson']),
    ('port-litera', {'port': '17O03'}, ['zly', '17O03', '65535']),
    ('port-za-duzy', {'port': 70003}, ['zly', '70003', '65535']),
    ('zla-predkosc', {'interface': 'serial', 'address': 'COM3', 'port': 9601}, ['zly', '9601', '115200']),
    ('zly-com', {'interface': 'serial', 'address': 'COM100', 'port': 9600}, ['zly', 'COM100', 'COM99']),
    ('zly-interfejs', {'interface': 'usb'}, ['zly', 'usb', 'ethernet']),
    ('zly-protokol', {'protocol': 'fiskalna'}, ['zly', 'fiskalna', 'register']),
    ('bez-portu', {'port': None}, ['zly', 'port']),
    ('windows-porty', {'tarvix_logo_windows': True, 'tarvix_logo_ports': {'COM5': '/dev/null'}}, ['_ports', 'Windows']),
]


class Rig:
    def __init__(self, tmp, build, source):
        self.tmp, self.source = tmp, source
        self.tool = os.path.join(build, 'cli', 'tarvix-vizaze-cli')
        self.sim = os.path.join(build, 'sim', 'tarvix-vizaze-sim')
        self.picture = os.path.join(source, PICTURE)
        self.ansible = os.path.join(tmp, 'ansible')  # where the docs run, a copy of deploy/ansible
        shutil.copytree(os.path.join(source, 'deploy', 'ansible'), self.ansible)
        self.ports, self.sims = {}, {}
        self.commands = docs_commands(os.path.join(source, 'docs', 'rollout.md'))

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

    def restart(self, name, extra):
        sim = self.sims.pop(name)
        sim.terminate()
        sim.wait(timeout=30)
        sim.stdout.close()
        self.start(name, 'printer', 'tcp', extra)

    def workdir(self, shop):
        return os.path.join(self.tmp, 'shops', shop)

    def write_inventory(self):
        # As docs/rollout.md shows it, with the tool given (nothing to install here).
        local = {'ansible_connection': 'local', 'ansible_python_interpreter': sys.executable,
                 'tarvix_logo_tool': self.tool}
        shops = {}
        for shop, name, protocol, transport, _ in DEVICES:
            host = shops.setdefault(shop, dict(local, tarvix_logo_workdir=self.workdir(shop), tarvix_logo_devices=[]))
            if transport == 'pty':
                host['tarvix_logo_ports'] = {'COM5': os.path.join(self.tmp, 'sim', name + '.pty')}
                link = ['serial', 'COM5', 115200]
            else:
                link = ['ethernet', '127.0.0.1', self.ports[name]]
            host['tarvix_logo_devices'].append(dict(zip(('name', 'interface', 'protocol', 'address', 'port'),
                                                        [name, link[0], protocol, link[1], link[2]])))
        shops['sklep-b']['tarvix_logo_steps'] = 'remote'
        bad = {}
        for shop, variables, _ in BAD:  # a device entry's fault as a second device "zly"
            own = dict((k, v) for k, v in variables.items() if k.startswith('tarvix_logo_'))
            wrong = dict(dict(GOOD, name='zly', port=self.ports['cel']), **variables)
            devices = [dict(GOOD, port=self.ports['cel'])] + ([] if own else [{k: v for k, v in wrong.items() if v}])
            bad[shop] = dict(local, tarvix_logo_workdir=self.workdir(shop), tarvix_logo_devices=devices, **own)
        inventory = {'shops': {'hosts': shops, 'vars': {'tarvix_logo_header': '1', 'tarvix_logo_footer': 'none'}},
                     'zle': {'hosts': bad}}
        with open(os.path.join(self.ansible, 'inventory.yml'), 'w') as f:
            json.dump(inventory, f)

    def playbook(self, which, *extra, expect=0):
        """One of the docs' commands, as written but for the picture, with extra options."""
        command = self.commands[which].replace('/srv/logo/nowe-logo.png', self.picture)
        env = dict(os.environ, ANSIBLE_NOCOLOR='1',
                   ANSIBLE_LOCAL_TEMP=os.path.join(self.tmp, 'ansible-local'),
                   ANSIBLE_REMOTE_TEMP=os.path.join(self.tmp, 'ansible-remote'))
        env.pop('ANSIBLE_CONFIG', None)
        began = time.monotonic()
        run = subprocess.run(['bash', '-c', command + ' ' + ' '.join(extra)], cwd=self.ansible, env=env,
                             capture_output=True, text=True, timeout=300)
        print('%s %s: exit %d, %.1f s' % (which, ' '.join(extra), run.returncode, time.monotonic() - began))
        check(run.returncode == expect, 'exit %d, not %d:\n%s%s' % (run.returncode, expect, run.stdout, run.stderr))
        recap = dict((m[0], dict(re.findall(r'(\w+)=(\d+)', m[1]))) for m in
                     re.findall(r'^(\S+)\s+: (ok=.*)$', run.stdout, re.M))
        return run, recap, self.file('tarvix-logo-check.json' if which == 'check' else 'tarvix-logo-summary.json')

    def file(self, name):
        path = os.path.join(self.ansible, name)
        if os.path.exists(path):
            return json.load(open(path)) if name.endswith('.json') else open(path).read()

    def expected(self, protocol, picture):
        out = os.path.join(self.tmp, 'expected.bmp')
        subprocess.run([self.tool, '--dir', self.tmp, '--' + protocol, 'convert', picture, out],
                       check=True, capture_output=True, timeout=60)
        return bmp_picture(out)

    def slot(self, name):
        path = os.path.join(self.tmp, 'sim', name, 'slot%d.pbm' % SLOT)
        return pbm_picture(path) if os.path.exists(path) else None

    def header_footer(self, name):
        state = open(os.path.join(self.tmp, 'sim', name, 'state.txt')).read().split('\n')
        return state[0].split()[1], state[1].split()[1]

    def requests(self, name):
        path = os.path.join(self.tmp, 'sim', name + '.log')
        return os.path.getsize(path) if os.path.exists(path) else 0


def docs_commands(path):
    """The ansible-playbook commands of docs/rollout.md's shell blocks: check, rollout, retry."""
    text = open(path).read()
    commands = {}
    for block in re.findall(r'```sh\n(.*?)```', text, re.S):
        for line in block.replace('\\\n', ' ').splitlines():
            if line.startswith('ansible-playbook'):
                which = 'check' if '--check' in line else 'retry' if '--limit' in line else 'rollout'
                commands[which] = ' '.join(line.split())
    check(sorted(commands) == ['check', 'retry', 'rollout'], 'docs/rollout.md names the three runs: %s' % commands)
    return commands


def outcomes(summary, shops=None):
    return dict((d['name'], d['outcome']) for name, shop in summary['shops'].items() for d in shop['devices']
                if shops is None or name in shops)


def unit(rig):
    # What the playbook cannot reach: a usage error (no list document) and a run stopped at its
    # time-out keep the tool's status and the reason.
    sys.path.insert(0, rig.ansible)
    from ansible_collections.tarvix.logo.plugins.module_utils.logo_rollout import list_report, list_text
    listing = os.path.join(rig.tmp, 'bad.csv')
    open(listing, 'w').write(list_text([dict(GOOD, name='x', port='1')]))
    run = subprocess.run([rig.tool, '--dir', rig.tmp, '--json', '--devices', listing, '--timeout', '100', 'test'],
                         capture_output=True, text=True, timeout=60)
    got = list_report(run.returncode, run.stdout, run.stderr, ['x'])['x']
    check(run.returncode == 2 and got['exit'] == 2 and '100' in got['message'], got)
    for out in (json.dumps({'devices': [{'name': 'x', 'exit': 1, 'boxes': []}]}), ''):
        got = list_report(None, out, '', ['x'])['x']
        check(got['exit'] != 0 and 'run_timeout' in got['message'], got)


def rollout(rig, names, expected):
    # The check: connections tested, nothing sent, nothing left on the shop PCs, the chain's
    # summary and failed list not written.
    run, recap, summary = rig.playbook('check')
    check(summary['check_mode'] and outcomes(summary) == dict((n, 'tested') for n in names), summary)
    check(all(d['would_program'] for s in summary['shops'].values() for d in s['devices']), summary)
    check(all(s['changed'] for s in summary['shops'].values()), 'a check that would program is changed')
    check(not any(os.path.exists(rig.workdir(s)) for s in summary['shops']) and rig.file('tarvix-logo-summary.json')
          is None and rig.file('tarvix-logo-failed.txt') is None, 'the check wrote on a shop PC or the chain\'s files')
    check(all(rig.slot(n) is None and (p == 'register' or b'imgslot' not in open(
        os.path.join(rig.tmp, 'sim', n + '.log'), 'rb').read()) for _, n, p, _, _ in DEVICES), 'check sent a logo')

    # The rollout: the failing printer fails its shop, every other device holds the logo.
    run, recap, summary = rig.playbook('rollout', expect=2)
    check(outcomes(summary) == dict((n, 'failed' if n == FAILING else 'programmed') for n in names), summary)
    check(summary['counts']['shops_failed'] == 1 and summary['failed_devices'][0]['name'] == FAILING and
          '3252' in summary['failed_devices'][0]['message'], summary)
    check(rig.file('tarvix-logo-failed.txt') == 'sklep-c\n', 'the list of shops to run again')
    for _, name, protocol, _, _ in DEVICES:
        check(rig.slot(name) == (None if name == FAILING else expected[protocol]), 'slot %d of %s' % (SLOT, name))
        check(rig.header_footer(name) == (('0', '0') if name == FAILING else ('1', '0')), 'header of ' + name)

    # The documented retry, the printer fixed: only it is programmed; the chain's summary
    # keeps the other shops.
    rig.restart(FAILING, [])
    run, recap, summary = rig.playbook('retry')
    check(sorted(recap) == ['sklep-c'], recap)
    check(outcomes(summary) == dict((n, 'programmed' if n == FAILING else 'unchanged' if n == 'c-kasa'
                                     else 'programmed') for n in names), summary)
    check(summary['counts']['shops_ok'] == 3 and rig.file('tarvix-logo-failed.txt') == '', summary)
    check(rig.slot(FAILING) == expected['printer'] and rig.header_footer(FAILING) == ('1', '0'), 'fixed printer')

    # Again: nothing sent, nothing changed; once more (one shop): not even the summary.
    sizes = dict((n, rig.requests(n)) for n in names)
    run, recap, summary = rig.playbook('rollout')
    check(set(outcomes(summary).values()) == {'unchanged'} and all(rig.requests(n) == sizes[n] for n in names), summary)
    check(not any(s['changed'] for s in summary['shops'].values()), summary)
    run, recap, summary = rig.playbook('rollout', '--limit sklep-c')
    check(recap['sklep-c']['changed'] == '0', 'a rerun changed something:\n' + run.stdout)


def changes(rig, expected):
    # A header-only change: the logo is not sent again, the devices report unchanged, the
    # shop changed.
    run, recap, summary = rig.playbook('rollout', '--limit sklep-b -e tarvix_logo_header=none')
    check(outcomes(summary, ['sklep-b']) == {'b-drukarka': 'unchanged', 'b-kasa': 'unchanged'}, summary)
    check(summary['shops']['sklep-b']['changed'] and rig.header_footer('b-kasa') == ('0', '0'), summary)

    # Another logo fails on a read-only printer: next time the first logo is sent again.
    rig.restart('a-drukarka', ['--read-only', str(SLOT)])
    other = os.path.join(rig.source, OTHER)
    run, recap, summary = rig.playbook('rollout', '--limit sklep-a -e tarvix_logo_picture=' + other, expect=2)
    check(outcomes(summary, ['sklep-a']) == {'a-drukarka': 'failed', 'a-kasa': 'programmed'}, summary)
    rig.restart('a-drukarka', [])
    sent = rig.requests('a-drukarka')
    run, recap, summary = rig.playbook('rollout', '--limit sklep-a --diff')
    check(outcomes(summary, ['sklep-a']) == {'a-drukarka': 'programmed', 'a-kasa': 'programmed'}, summary)
    check(rig.requests('a-drukarka') > sent and rig.slot('a-kasa') == expected['register'], 'the first logo again')
    check(re.search(r'^\+a-kasa: slot 1 [0-9a-f]{64}', run.stdout, re.M), 'the diff shows what was programmed')


def refusals(rig):
    """Each wrong argument fails its shop with a message naming it, before anything is
    written or sent, in a check and in a real run."""
    for mode, extra in (('check', ''), ('rollout', '-e tarvix_logo_serial=1')):  # a batch of one failed goes on
        run, recap, summary = rig.playbook(mode, '-e tarvix_logo_hosts=zle', extra, expect=2)
        for shop, _, words in BAD:
            said = [line for line in run.stdout.splitlines() if '[%s]' % shop in line and 'FAILED' in line]
            check(summary['shops'][shop]['status'] == 'failed' and any(all(w in line for w in words) for line in said),
                  '%s %s: %s' % (shop, mode, said))
            check(not os.path.exists(rig.workdir(shop)), '%s: written on the shop PC' % shop)
    check(rig.requests('cel') == 0, 'a wrong argument let something reach a device')


def scenario(rig):
    unit(rig)
    for _, name, protocol, transport, extra in DEVICES:
        rig.start(name, protocol, transport, extra)
    rig.start('cel', 'printer', 'tcp', [])
    rig.write_inventory()
    names = [d[1] for d in DEVICES]
    expected = dict((p, rig.expected(p, rig.picture)) for p in ('printer', 'register'))
    rollout(rig, names, expected)
    changes(rig, expected)
    refusals(rig)


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
        for sim in rig.sims.values():
            sim.terminate()
            sim.wait(timeout=30)
            sim.stdout.close()
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == '__main__':
    sys.exit(main())
