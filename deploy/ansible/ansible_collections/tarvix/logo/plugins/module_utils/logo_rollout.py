# -*- coding: utf-8 -*-
# One logo programmed into the devices of one shop through the console tool
# tarvix-vizaze-cli, which alone speaks to the devices. This code only chooses what to ask
# the tool, reads its JSON answers and keeps the shop PC's record of what was programmed
# where (a device's graphic memory cannot be read back).
#
# The steps run against a Host: the module's (a POSIX shop PC: files and processes
# directly) or the action plugin's (each step an Ansible module on the shop PC: what a
# Windows shop PC needs). Messages for the people who run the rollout are Polish, like
# the tool's own.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import subprocess

COLUMNS = ('name', 'interface', 'protocol', 'address', 'port')
PROTOCOLS = ('printer', 'register')
OUTCOMES = ('programmed', 'unchanged', 'tested', 'failed')

GRAPHICS = ['1', '2', '3', '4', '5', '6', 'none']
SPEEDS = ('1200', '2400', '4800', '9600', '19200', '38400', '57600', '115200')
DEVICE_OPTIONS = dict(
    name=dict(type='str', required=True),
    interface=dict(type='str', required=True, choices=['serial', 'ethernet']),
    protocol=dict(type='str', required=True, choices=list(PROTOCOLS)),
    address=dict(type='str', required=True),
    port=dict(type='str', required=True),
)
ARGUMENT_SPEC = dict(
    picture=dict(type='path', required=True),
    slot=dict(type='int', required=True),
    header=dict(type='str', choices=GRAPHICS),
    footer=dict(type='str', choices=GRAPHICS),
    device=dict(type='dict', options=DEVICE_OPTIONS),
    devices=dict(type='list', elements='dict', options=DEVICE_OPTIONS),
    workdir=dict(type='path', required=True),
    tool=dict(type='str', default='tarvix-vizaze-cli'),
    width=dict(type='int'),
    dither=dict(type='str', choices=['floyd', 'atkinson', 'ordered', 'threshold']),
    threshold=dict(type='int'),
    invert=dict(type='bool', default=False),
    parallel=dict(type='int', default=4),
    timeout=dict(type='int'),
    run_timeout=dict(type='int', default=3600),
    print=dict(type='bool', default=False),
    skip_unchanged=dict(type='bool', default=True),
    force=dict(type='bool', default=False),
    record=dict(type='path'),
    ports=dict(type='dict', default={}),
    steps=dict(type='str', choices=['auto', 'module', 'remote'], default='auto'),
)
# The ranges the tool takes; a value outside one is refused before anything is run.
RANGES = dict(slot=(1, 6), width=(1, 640), threshold=(0, 255), parallel=(1, 64), timeout=(1, 99),
              run_timeout=(1, 86400))
MUTUALLY_EXCLUSIVE = [('device', 'devices')]
REQUIRED_ONE_OF = [('device', 'devices')]
REQUIRED_TOGETHER = [('header', 'footer')]


class Host:
    """What the rollout needs from the shop PC. run() gives (exit status, standard output,
    standard error) as text, the status None when the run was stopped at its time-out."""

    def join(self, *parts):
        raise NotImplementedError

    def run(self, argv, timeout):
        raise NotImplementedError

    def read(self, path):  # the file's text, or None when there is no such file
        raise NotImplementedError

    def write(self, path, text):  # replaces the file in one step
        raise NotImplementedError

    def sha256(self, path):
        raise NotImplementedError

    def makedirs(self, path):
        raise NotImplementedError

    def link(self, path, target):  # a symbolic link at path, replacing an older link
        raise NotImplementedError

    def scratch(self):  # a new temporary directory (check mode works there), its path
        raise NotImplementedError

    def remove(self, path):  # a directory scratch() made, with what is in it
        raise NotImplementedError


def _valid_name(name):
    """A folder name on every system the tool runs on (as the tool's device list wants)."""
    if not name or len(name) > 64 or name[0] == '.' or not all(c in '-_.' or c.isascii() and c.isalnum() for c in name):
        return False
    stem = name.split('.')[0].lower()
    return stem not in ('con', 'prn', 'aux', 'nul') and not (
        len(stem) == 4 and stem[:3] in ('com', 'lpt') and stem[3] in '123456789')


def _number(text, low, high):
    return text.isascii() and text.isdigit() and low <= int(text) <= high


def com_port(text):
    return text[:3].upper() == 'COM' and _number(text[3:], 1, 99)


def _ipv4(text):
    parts = text.split('.')
    return len(parts) == 4 and all(_number(p, 0, 255) and len(p) <= 3 for p in parts)


def _device_fault(row):
    """What is wrong with one device's (complete) row, or None."""
    if not _valid_name(row['name']):
        return 'niepoprawna nazwa (litery A-Z a-z, cyfry, - _ ., najwyżej 64 znaki, nie nazwa zastrzeżona w Windows)'
    if row['interface'] not in ('serial', 'ethernet'):
        return 'nieznany interfejs "%s" (serial albo ethernet)' % row['interface']
    if row['protocol'] not in PROTOCOLS:
        return 'nieznany protokół "%s" (printer albo register)' % row['protocol']
    if row['interface'] == 'ethernet':
        if not _ipv4(row['address']):
            return 'niepoprawny adres IPv4 "%s"' % row['address']
        if not _number(row['port'], 1, 65535):
            return 'niepoprawny port TCP "%s" (1..65535)' % row['port']
        return None
    if not com_port(row['address']):
        return 'niepoprawny port szeregowy "%s" (COM1..COM99)' % row['address']
    if row['port'] not in SPEEDS:
        return 'niepoprawna prędkość "%s" (%s)' % (row['port'], ', '.join(SPEEDS))
    return None


def device_rows(devices):
    """The devices as rows of the tool's device list. ValueError names the entry at fault
    (its name, or its number when it has none)."""
    rows, names, faults = [], set(), []
    for number, device in enumerate(devices or [], 1):
        where = 'urządzenie nr %d' % number
        if not isinstance(device, dict):
            faults.append('%s: oczekiwano słownika z kluczami %s' % (where, ', '.join(COLUMNS)))
            continue
        if device.get('name') not in (None, ''):
            where = 'urządzenie "%s"' % device['name']
        unknown = sorted(str(k) for k in set(device) - set(COLUMNS))
        missing = [c for c in COLUMNS if device.get(c) is None or str(device[c]).strip() == '']
        row = dict((c, str(device.get(c, '')).strip()) for c in COLUMNS)
        row['interface'], row['protocol'] = row['interface'].lower(), row['protocol'].lower()
        if row['interface'] == 'serial' and com_port(row['address']):
            row['address'] = 'COM' + row['address'][3:]
        if unknown:
            fault = 'nieznane klucze %s (dozwolone: %s)' % (', '.join(unknown), ', '.join(COLUMNS))
        elif missing:
            fault = 'brak %s' % ', '.join(missing)
        elif row['name'].lower() in names:
            fault = 'nazwa powtarza się'
        else:
            fault = _device_fault(row)
        if fault:
            faults.append('%s: %s' % (where, fault))
            continue
        names.add(row['name'].lower())
        rows.append(row)
    if faults:
        raise ValueError('; '.join(faults))
    if not rows:
        raise ValueError('lista urządzeń jest pusta')
    return rows


def argument_faults(p, prefix=''):
    """Every fault of the module's arguments (p as ARGUMENT_SPEC names them, values possibly
    still text), each naming the option (prefix + name) and what it takes."""
    faults = []
    for key, (low, high) in sorted(RANGES.items()):
        value = p.get(key)
        if value is None:
            continue
        if not str(value).strip().lstrip('-').isdigit() or not low <= int(value) <= high:
            faults.append('%s%s: %s poza zakresem %d..%d' % (prefix, key, value, low, high))
    for key in ('header', 'footer', 'dither', 'steps'):
        value, choices = p.get(key), ARGUMENT_SPEC[key]['choices']
        if value is not None and str(value).strip().lower() not in choices:
            faults.append('%s%s: "%s" (dozwolone: %s)' % (prefix, key, value, ', '.join(choices)))
    if (p.get('header') is None) != (p.get('footer') is None):
        faults.append('%sheader i %sfooter podaje się razem' % (prefix, prefix))
    if p.get('threshold') is not None and p.get('dither') != 'threshold':
        faults.append('%sthreshold tylko z %sdither: threshold' % (prefix, prefix))
    ports = p.get('ports') or {}
    if not isinstance(ports, dict):
        faults.append('%sports: oczekiwano słownika COMn: ścieżka' % prefix)
    else:
        faults += ['%sports: "%s" to nie nazwa COM1..COM99' % (prefix, k) for k in sorted(map(str, ports))
                   if not com_port(k)]
    devices = p.get('devices') if p.get('devices') is not None else [p.get('device')]
    try:
        device_rows(devices if isinstance(devices, list) else [devices])
    except ValueError as e:
        faults.append('%sdevices: %s' % (prefix, e))
    return faults


def list_text(rows):
    return ','.join(COLUMNS) + '\n' + ''.join(','.join(r[c] for c in COLUMNS) + '\n' for r in rows)


def link_of(row):
    """A device's line as the record keeps it: a device reached another way is a new one."""
    return ','.join(row[c] for c in COLUMNS[1:])


def load_record(text):
    """The record's devices, and a warning when the file is there but unreadable."""
    if text is None:
        return {}, None
    try:
        doc = json.loads(text)
    except ValueError:
        doc = None
    if not isinstance(doc, dict) or not isinstance(doc.get('devices'), dict):
        return {}, 'Zapis zaprogramowanych grafik jest nieczytelny: zostanie zastąpiony, a każde urządzenie zaprogramowane'
    return doc['devices'], None


def record_text(devices):
    return json.dumps({'version': 1, 'devices': devices}, indent=2, sort_keys=True, ensure_ascii=False) + '\n'


def one_line(text):
    return ' '.join(str(text).split())


def boxes_text(boxes):
    return ' '.join('[%s] %s' % (b.get('caption', ''), one_line(b.get('text', ''))) for b in boxes if isinstance(b, dict))


def parse_document(out):
    try:
        doc = json.loads(out)
    except ValueError:
        return None
    return doc if isinstance(doc, dict) else None


def run_failure(status, out, err):
    """Why a run of the tool gave no outcome: its exit status, and what it said (its JSON
    document's error or boxes; without a document, standard error or output)."""
    doc = parse_document(out)
    said = []
    if doc is not None:
        boxes = doc.get('boxes') if isinstance(doc.get('boxes'), list) else []
        said = [t for t in (one_line(doc.get('error') or ''), boxes_text(boxes)) if t]
    if not said:
        said = [line.strip() for line in (err or ('' if doc else out) or '').splitlines() if line.strip()][:3]
    if status is None:
        what = 'tarvix-vizaze-cli przerwany po przekroczeniu czasu (run_timeout)'
    else:
        what = 'tarvix-vizaze-cli zakończył się z kodem %s%s' % (status, '' if doc is not None else ' bez dokumentu JSON')
    return what + (': ' + ' / '.join(said) if said else '')


def list_report(status, out, err, names):
    """Each device's entry {exit, boxes, seconds, message} from one run over a list. A device
    the document does not name (or a run with no document) fails with the run's reason."""
    doc = parse_document(out) or {}
    entries = dict((e.get('name'), e) for e in doc.get('devices') or [] if isinstance(e, dict))
    report = {}
    for name in names:
        entry = entries.get(name)
        if entry is None:  # the run's own status: 2 for a usage error, null when it was stopped
            report[name] = {'exit': status, 'boxes': [], 'seconds': 0.0, 'message': run_failure(status, out, err)}
            continue
        boxes = entry.get('boxes') if isinstance(entry.get('boxes'), list) else []
        exit_status = entry.get('exit') if isinstance(entry.get('exit'), int) else (status or 1)
        got = {'exit': exit_status, 'boxes': boxes, 'seconds': float(entry.get('seconds') or 0.0)}
        if exit_status != 0:
            said = ' '.join(t for t in (boxes_text(boxes), one_line(entry.get('error', ''))) if t)
            if status is None:
                said = ' '.join(t for t in (said, run_failure(None, '', '')) if t)
            got['message'] = said or 'bez komunikatu'
        report[name] = got
    return report


class Rollout:
    """One run of the module on one shop PC: params as ARGUMENT_SPEC checked them."""

    def __init__(self, params, host, check_mode):
        self.p, self.host, self.check_mode = params, host, check_mode
        self.dir = params['workdir']  # the tool's --dir: in check mode a scratch directory
        self.own = host.join(params['workdir'], 'logo')  # converted logos and device lists
        self.record_path = params['record'] or host.join(params['workdir'], 'logo-record.json')
        self.warnings = []
        self.before = {}  # each device's slot and header/footer as the record had them

    # ---- the tool

    def _tool(self, *args):
        return [self.p['tool'], '--dir', self.dir, '--json'] + list(args)

    def _conversion(self):
        p, a = self.p, []
        if p['width'] is not None:
            a += ['--width', str(p['width'])]
        if p['dither']:
            a += ['--dither', p['dither']]
        if p['threshold'] is not None:
            a += ['--threshold', str(p['threshold'])]
        if p['invert']:
            a.append('--invert')
        return a

    def _convert(self, protocol):
        """The picture as protocol's devices take it: {'file', 'sha256'} or {'message'}."""
        bmp = self.host.join(self.own, 'logo-%s.bmp' % protocol)
        argv = self._tool('--' + protocol, *self._conversion()) + ['convert', self.p['picture'], bmp]
        status, out, err = self.host.run(argv, self.p['run_timeout'])
        if status == 0 and parse_document(out) is not None:
            return {'file': bmp, 'sha256': self.host.sha256(bmp)}
        return {'message': 'zamiana obrazu: ' + run_failure(status, out, err)}

    def _over_list(self, command, rows, label, args, file=None):
        path = self.host.join(self.own, 'devices-%s.csv' % label)
        self.host.write(path, list_text(rows))
        timeout = ['--timeout', str(self.p['timeout'])] if self.p['timeout'] is not None else []
        argv = self._tool('--devices', path, '--parallel', str(self.p['parallel']), *(timeout + args))
        argv += [command] + ([file] if file else [])
        status, out, err = self.host.run(argv, self.p['run_timeout'])
        return list_report(status, out, err, [r['name'] for r in rows])

    # ---- the record

    def _entry(self, record, row):
        entry = record.get(row['name'])
        if not isinstance(entry, dict) or entry.get('link') != link_of(row) or not isinstance(entry.get('slots'), dict):
            entry = {'link': link_of(row), 'slots': {}}
            record[row['name']] = entry
        return entry

    def _fresh(self, record, row, sha):
        """Whether the device must be sent the logo: unless the record says it holds it."""
        if self.p['force'] or not self.p['skip_unchanged']:
            return True
        return self._entry(record, row)['slots'].get(str(self.p['slot'])) != sha

    def _header_due(self, record, row, sent):
        if self.p['header'] is None:
            return False
        entry = self._entry(record, row)
        return (sent or self.p['force'] or not self.p['skip_unchanged'] or
                entry.get('header') != self.p['header'] or entry.get('footer') != self.p['footer'])

    # ---- the run

    def run(self):
        """Checks every argument first (nothing is run or written when one is wrong), then
        programs the devices; in check mode everything the run needs on the shop PC (device
        lists, converted logos, port links, the devices' folders) lives in a scratch
        directory removed afterwards, so the check leaves the PC as it was."""
        faults = argument_faults(self.p)
        if faults:
            raise ValueError('; '.join(faults))
        p = self.p
        for key in ('header', 'footer'):
            if p[key] is not None:
                p[key] = str(p[key]).strip().lower()
        rows = device_rows(p['devices'] if p['devices'] is not None else [p['device']])
        record, warning = load_record(self.host.read(self.record_path))
        if warning:
            self.warnings.append(warning)
        self.before = dict((r['name'], self._state(record, r)) for r in rows)
        if not self.check_mode:
            return self._steps(rows, record)
        self.dir = self.host.scratch()
        self.own = self.host.join(self.dir, 'logo')
        try:
            return self._steps(rows, record)
        finally:
            self.host.remove(self.dir)

    def _state(self, record, row):
        entry = record.get(row['name'])
        entry = entry if isinstance(entry, dict) and entry.get('link') == link_of(row) else {}
        slots = entry.get('slots') if isinstance(entry.get('slots'), dict) else {}
        return {'slot': slots.get(str(self.p['slot'])), 'header': entry.get('header'), 'footer': entry.get('footer')}

    def _steps(self, rows, record):
        p, host = self.p, self.host
        host.makedirs(self.own)
        for name, target in sorted((p['ports'] or {}).items()):
            host.link(host.join(self.dir, 'ports', str(name).lower()), str(target))
        results = dict((r['name'], {'name': r['name'], 'protocol': r['protocol'], 'outcome': None, 'exit': None,
                                    'boxes': [], 'seconds': 0.0}) for r in rows)
        logos = dict((proto, self._convert(proto)) for proto in sorted(set(r['protocol'] for r in rows)))
        usable = []
        for r in rows:
            logo = logos[r['protocol']]
            if 'message' in logo:
                results[r['name']].update(outcome='failed', exit=1, message=logo['message'])
            else:
                results[r['name']]['sha256'] = logo['sha256']
                usable.append(r)
        due = set(r['name'] for r in usable if self._fresh(record, r, logos[r['protocol']]['sha256']))

        if self.check_mode:
            self._test(usable, due, results)
            for r in usable:
                results[r['name']]['would_set_header_footer'] = self._header_due(record, r, r['name'] in due)
        else:
            self._send(usable, due, logos, record, results)
            self._header_footer(usable, due, record, results)
            host.write(self.record_path, record_text(record))
        return self._result(rows, results, logos, record)

    def _apply(self, report, results, done):
        for name, got in report.items():
            res = results[name]
            res['boxes'] = res['boxes'] + got['boxes']
            res['seconds'] = round(res['seconds'] + got['seconds'], 3)
            res['exit'] = got['exit']
            if got['exit'] == 0:
                res['outcome'] = res['outcome'] or done
            else:
                res['outcome'], res['message'] = 'failed', got['message']

    def _test(self, usable, due, results):
        if usable:
            self._apply(self._over_list('test', usable, 'test', []), results, 'tested')
        for r in usable:
            results[r['name']]['would_program'] = r['name'] in due

    def _send(self, usable, due, logos, record, results):
        slot, printing = str(self.p['slot']), ['--print' if self.p['print'] else '--no-print']
        for proto in PROTOCOLS:
            group = [r for r in usable if r['name'] in due and r['protocol'] == proto]
            if not group:
                continue
            logo = logos[proto]
            report = self._over_list('send', group, 'send-' + proto, ['--slot', slot] + printing, logo['file'])
            self._apply(report, results, 'programmed')
            for r in group:
                slots = self._entry(record, r)['slots']
                if report[r['name']]['exit'] == 0:
                    slots[slot] = logo['sha256']
                else:  # whatever the slot holds now is unknown
                    slots.pop(slot, None)
        for r in usable:
            if r['name'] not in due:
                results[r['name']]['outcome'] = 'unchanged'

    def _header_footer(self, usable, due, record, results):
        p = self.p
        group = [r for r in usable if results[r['name']]['outcome'] != 'failed' and
                 self._header_due(record, r, r['name'] in due)]
        if not group:
            return
        args = ['--header', p['header'], '--footer', p['footer'], '--test-print' if p['print'] else '--no-test-print']
        report = self._over_list('set', group, 'set', args)
        for r in group:
            entry = self._entry(record, r)
            if report[r['name']]['exit'] == 0:
                entry['header'], entry['footer'] = p['header'], p['footer']
                results[r['name']]['header_footer_set'] = True
            else:
                entry.pop('header', None)
                entry.pop('footer', None)
        self._apply(report, results, 'programmed')

    def _diff(self, rows, results, record):
        """Per device what its slot (the logo's SHA-256) and header/footer were and are (or,
        in check mode, would be)."""
        p, before, after = self.p, [], []
        for r in rows:
            res, was = results[r['name']], self.before[r['name']]
            if self.check_mode:
                now = dict(was, slot=res.get('sha256') if res.get('would_program') else was['slot'])
                if res.get('would_set_header_footer'):
                    now.update(header=p['header'], footer=p['footer'])
            else:
                now = self._state(record, r)
            for lines, state in ((before, was), (after, now)):
                lines.append('%s: slot %s %s, header %s, footer %s\n' % (
                    r['name'], p['slot'], state['slot'] or '-', state['header'] or '-', state['footer'] or '-'))
        return {'before': ''.join(before), 'after': ''.join(after), 'before_header': self.record_path,
                'after_header': self.record_path}

    def _result(self, rows, results, logos, record):
        devices = [results[r['name']] for r in rows]
        counts = dict((o, sum(1 for d in devices if d['outcome'] == o)) for o in OUTCOMES)
        counts['devices'] = len(devices)
        if self.check_mode:
            changed = any(d.get('would_program') or d.get('would_set_header_footer') for d in devices)
        else:
            changed = any(d['outcome'] == 'programmed' or d.get('header_footer_set') for d in devices)
        result = {
            'changed': changed,
            'devices': devices,
            'counts': counts,
            'logos': dict((proto, logo.get('sha256')) for proto, logo in logos.items()),
            'record': self.record_path,
            'diff': self._diff(rows, results, record),
        }
        failed = [d for d in devices if d['outcome'] == 'failed']
        if failed:
            by_message = {}
            for d in failed:
                by_message.setdefault(d['message'], []).append(d['name'])
            result['failed'] = True
            result['msg'] = 'Niepowodzenie na %d z %d urządzeń: %s' % (len(failed), len(devices), '; '.join(
                '%s: %s' % (', '.join(names), message) for message, names in by_message.items()))
        elif self.check_mode:
            result['msg'] = 'Połączenie sprawne z %d urządzeniami; do zaprogramowania: %d' % (
                len(devices), sum(1 for d in devices if d.get('would_program')))
        else:
            result['msg'] = 'Zaprogramowano %d z %d urządzeń, bez zmian: %d' % (
                counts['programmed'], len(devices), counts['unchanged'])
        return result


def run_to_end(argv, timeout, grace):
    """Runs the tool on this machine: (exit status, or None when it outlived timeout, output,
    error output). Told to stop at the time-out, the tool ends its exchanges and still
    reports; after grace more seconds it is killed."""
    child = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        out, err = child.communicate(timeout=timeout)
        status = child.returncode
    except subprocess.TimeoutExpired:
        child.terminate()
        try:
            out, err = child.communicate(timeout=grace)
        except subprocess.TimeoutExpired:
            child.kill()
            out, err = child.communicate()
        status = None
    return status, out.decode('utf-8', 'replace'), err.decode('utf-8', 'replace')
