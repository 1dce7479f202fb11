#!/usr/bin/env python3
"""One head-office machine programming many simulated TCP devices with one run of the
console tool over a device list, at several --parallel values.

Half the devices are printers, half cash registers, each its own simulator process on
127.0.0.1 that holds every reply --delay ms (a device's own time per command, the "wire").
For each --parallel value the logo goes into a slot of its own, and the run reports wall
time, CPU time, the peak memory of the run (the tool's resident memory and each device
process's own, sampled from /proc), its open files and a device process's, and the ratio of the wall time to the wire time (the devices' reply
time added up, divided among the lanes). Then every device is checked: its slot complete,
and as many requests as every other device of its kind (a device lost or programmed twice
would stand out).

    bench/head_office_rollout.py [--build build] [--devices 200] [--parallel 1,8,32,64] [--delay 20]
"""
import argparse
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LOGO = os.path.join(ROOT, 'examples', 'sklep_384x96.bmp')
PAGE = os.sysconf('SC_PAGE_SIZE')


def start_simulators(sim, tmp, count, delay):
    """count simulators, half printers, half cash registers: [(name, protocol, port, process)]."""
    devices = []
    for i in range(count):
        name, protocol = 'sklep-%03d' % (i + 1), 'printer' if i % 2 == 0 else 'register'
        base = os.path.join(tmp, 'sim', name)
        process = subprocess.Popen([sim, '--' + protocol, '--tcp', '0', '--delay', '*:%d' % delay, '--store', base,
                                    '--log', base + '.log'], stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True)
        ready = process.stdout.readline().split()
        process.stdout.close()
        if ready[:2] != ['READY', 'tcp']:
            raise SystemExit('simulator %s did not start' % name)
        devices.append((name, protocol, int(ready[3]), process))
    return devices


def children(pid):
    """The tool's processes, one per device running. A child just forked has not yet become
    the device's own run of the tool (its command line is still the list's): left out."""
    found = []
    try:
        for task in os.listdir('/proc/%d/task' % pid):
            with open('/proc/%d/task/%s/children' % (pid, task)) as f:
                found += [int(p) for p in f.read().split()]
    except OSError:
        pass
    own = []
    for child in found:
        try:
            with open('/proc/%d/cmdline' % child, 'rb') as f:
                if b'--devices' not in f.read():
                    own.append(child)
        except OSError:
            pass
    return own


def private(pid):
    """Memory only this process uses (its program and libraries are shared with the tool)."""
    with open('/proc/%d/smaps_rollup' % pid) as f:
        return sum(int(line.split()[1]) * 1024 for line in f if line.startswith(('Private_Clean:', 'Private_Dirty:')))


def sample(pid):
    """(the tool's resident bytes, its open files, the memory of the run (the tool's resident
    bytes and each device process's own), the most open files and resident bytes of one
    device process, device processes running)."""
    try:
        with open('/proc/%d/statm' % pid) as f:
            rss = int(f.read().split()[1]) * PAGE
        files, total = len(os.listdir('/proc/%d/fd' % pid)), rss
    except OSError:
        return 0, 0, 0, 0, 0, 0  # it has ended
    running, most, largest = children(pid), 0, 0
    for child in running:
        try:
            total += private(child)
            most = max(most, len(os.listdir('/proc/%d/fd' % child)))
            with open('/proc/%d/statm' % child) as f:
                largest = max(largest, int(f.read().split()[1]) * PAGE)
        except OSError:
            pass  # it ended meanwhile
    return rss, files, total, most, largest, len(running)


def request_counts(tmp, devices):
    """Requests each simulator has received so far (records of its binary log)."""
    counts = {}
    for name, _, _, _ in devices:
        data, n, at = open(os.path.join(tmp, 'sim', name + '.log'), 'rb').read(), 0, 0
        while at < len(data):
            at += 4 + struct.unpack_from('<I', data, at)[0]
            n += 1
        counts[name] = n
    return counts


def run_once(tool, tmp, listing, parallel, slot, interval):
    out_path = os.path.join(tmp, 'report-%d.json' % parallel)
    began = time.monotonic()
    with open(out_path, 'w') as out:
        child = subprocess.Popen([tool, '--dir', os.path.join(tmp, 'office'), '--json', '--devices', listing,
                                  '--parallel', str(parallel), '--slot', str(slot), 'send', LOGO],
                                 stdout=out, stderr=subprocess.DEVNULL)
    peak = [0, 0, 0, 0, 0, 0]
    while True:
        peak = [max(a, b) for a, b in zip(peak, sample(child.pid))]
        pid, status, usage = os.wait4(child.pid, os.WNOHANG)
        if pid:
            break
        time.sleep(interval)
    wall = time.monotonic() - began
    with open(out_path) as f:
        report = json.load(f)
    return {'wall': wall, 'cpu': usage.ru_utime + usage.ru_stime, 'exit': os.waitstatus_to_exitcode(status),
            'tool_rss': peak[0], 'tool_files': peak[1], 'memory': peak[2], 'device_files': peak[3],
            'device_rss': peak[4], 'running': peak[5], 'report': report}


def verify(tmp, devices, slot, before, after, report):
    """Every device programmed once: the tool says so, the slot is complete, and each device
    took the same number of requests as the others of its kind."""
    problems = []
    exits = dict((d['name'], d['exit']) for d in report['devices'])
    per_kind = {}
    for name, protocol, _, _ in devices:
        if exits.get(name) != 0:
            problems.append('%s: exit %s' % (name, exits.get(name)))
        state = open(os.path.join(tmp, 'sim', name, 'state.txt')).read().split('\n')
        line = next((s for s in state if s.startswith('slot %d ' % slot)), '')
        if ' complete ' not in line:
            problems.append('%s: %s' % (name, line or 'no slot line'))
        per_kind.setdefault(protocol, {}).setdefault(after[name] - before[name], []).append(name)
    for protocol, by_count in per_kind.items():
        if len(by_count) != 1 or 0 in by_count:
            problems.append('%s requests differ: %s' % (protocol, dict((k, len(v)) for k, v in by_count.items())))
    return problems, dict((p, next(iter(c))) for p, c in per_kind.items())


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--build', default=os.path.join(ROOT, 'build'))
    parser.add_argument('--devices', type=int, default=200)
    parser.add_argument('--parallel', default='1,8,32,64')
    parser.add_argument('--delay', type=int, default=20, help='ms each simulator holds every reply')
    parser.add_argument('--interval', type=float, default=0.05, help='seconds between samples of /proc')
    args = parser.parse_args()
    levels = [int(p) for p in args.parallel.split(',')]
    if len(levels) > 6:
        raise SystemExit('at most six --parallel values (one slot each)')
    tool = os.path.join(args.build, 'cli', 'tarvix-vizaze-cli')
    sim = os.path.join(args.build, 'sim', 'tarvix-vizaze-sim')
    tmp = tempfile.mkdtemp(prefix='tv-head-office-')
    os.makedirs(os.path.join(tmp, 'office'))
    devices = []
    try:
        started = time.monotonic()
        devices = start_simulators(sim, tmp, args.devices, args.delay)
        print('%d simulators (%d printers, %d cash registers) up in %.1f s, every reply %d ms late; load average %.1f'
              % (len(devices), (len(devices) + 1) // 2, len(devices) // 2, time.monotonic() - started, args.delay,
                 os.getloadavg()[0]))
        listing = os.path.join(tmp, 'devices.csv')
        with open(listing, 'w') as f:
            f.write('name,interface,protocol,address,port\n')
            f.writelines('%s,ethernet,%s,127.0.0.1,%d\n' % (n, p, port) for n, p, port, _ in devices)
        print('| --parallel | wall | CPU | wire / lanes | wall : wire | at once | memory | tool RSS '
              '| device process RSS | tool files | files per device | check |')
        print('|---|---|---|---|---|---|---|---|---|---|---|---|')
        failed = False
        for slot, parallel in enumerate(levels, 1):
            before = request_counts(tmp, devices)
            r = run_once(tool, tmp, listing, parallel, slot, args.interval)
            after = request_counts(tmp, devices)
            problems, per_device = verify(tmp, devices, slot, before, after, r['report'])
            wire = sum(per_device.get(p, 0) for _, p, _, _ in devices) * args.delay / 1000.0
            lanes = wire / min(parallel, len(devices))
            print('| %d | %.1f s | %.1f s | %.1f s | %s | %d | %.1f MiB | %.1f MiB | %.1f MiB | %d | %d | %s |' % (
                parallel, r['wall'], r['cpu'], lanes, '%.2f' % (r['wall'] / lanes) if lanes else '-', r['running'],
                r['memory'] / 2**20,
                r['tool_rss'] / 2**20, r['device_rss'] / 2**20, r['tool_files'], r['device_files'],
                'all %d once' % len(devices) if not problems and r['exit'] == 0 else 'FAILED'))
            for problem in problems[:10]:
                print('    ' + problem)
            failed = failed or bool(problems) or r['exit'] != 0
        print('requests per device: %s; wire time per device: %s' % (per_device, dict(
            (p, '%.2f s' % (n * args.delay / 1000.0)) for p, n in per_device.items())))
        return 1 if failed else 0
    finally:
        for _, _, _, process in devices:
            process.terminate()
        for _, _, _, process in devices:
            process.wait()
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == '__main__':
    sys.exit(main())
