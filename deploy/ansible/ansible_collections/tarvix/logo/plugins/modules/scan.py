#!/usr/bin/python
# -*- coding: utf-8 -*-
# The module that finds a shop's fiscal printers and cash registers on its network by
# running the console tool's network scan on the shop PC.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
module: scan
short_description: Find the fiscal printers and cash registers on a shop's network
description:
  - Runs C(tarvix-vizaze-cli --json scan) on the shop PC. The tool connects to every address
    of the block on the given TCP ports (a bounded number at a time, each given a short
    connect time-out) and asks each open port who is there with the identity requests of
    its connection test; it sends nothing else and changes nothing on any device.
  - Returns the devices found in the form the rollout takes (I(devices) of
    C(tarvix.logo.program)), so an inventory can be built or checked from what answers.
options:
  addresses:
    description: One IPv4 address, a range C(a.b.c.d-e), a block C(a.b.c.d/n), or several of
      them separated by commas. Empty means the shop PC's own networks (each the /24 around
      its address at most).
    type: str
    default: ''
  ports:
    description: The TCP ports to try; default the port in the tool's C(settings.cfg).
    type: list
    elements: int
    default: []
  protocol:
    description: The family asked first on an open port (the other is asked after it).
    type: str
    choices: [printer, register]
    default: printer
  parallel:
    description: Connects in flight at once (1..256).
    type: int
    default: 64
  connect_timeout:
    description: Milliseconds an address has to accept a connection (20..10000).
    type: int
    default: 300
  large:
    description: Allow a block larger than /22 (1024 addresses); at most a /16.
    type: bool
    default: false
  workdir:
    description: The tool's working directory (its C(settings.cfg)).
    type: str
    required: true
  tool:
    description: The console tool, a path or a name on the PATH.
    type: str
    default: tarvix-vizaze-cli
  run_timeout:
    description: Seconds the scan may take; then it is stopped and what was found is returned.
    type: int
    default: 600
notes:
  - Supports check mode (the scan changes nothing, so it runs in check mode too).
author: Tarvix Vizaze developers
'''

EXAMPLES = r'''
- name: Which devices answer in the shop
  tarvix.logo.scan:
    addresses: 192.168.10.0/24
    ports: [6666, 9100]
    workdir: /var/lib/tarvix-vizaze
  register: found

- name: Program what answered
  tarvix.logo.program:
    picture: /var/lib/tarvix-vizaze/logo/source.png
    workdir: /var/lib/tarvix-vizaze
    slot: 1
    devices: "{{ found.devices }}"
'''

RETURN = r'''
changed:
  description: Always false; a scan changes nothing.
  type: bool
  returned: always
devices:
  description: Each printer and cash register found, as the rollout's device list takes it.
  type: list
  elements: dict
  returned: always
  sample: [{name: printer-192-168-10-20-6666, interface: ethernet, protocol: printer,
            address: 192.168.10.20, port: 6666}]
found:
  description: Every open port, as the tool reports it (C(address), C(port), C(family)
    C(printer), C(register) or C(unknown), C(name), C(version), C(unique)).
  type: list
  elements: dict
  returned: always
tried:
  description: How many addresses were tried on every port.
  type: int
  returned: always
block:
  description: The addresses scanned, as the tool names them.
  type: str
  returned: always
msg:
  description: What happened, in one line (Polish).
  type: str
  returned: always
'''

import json
import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tarvix.logo.plugins.module_utils.logo_rollout import run_to_end

ARGUMENT_SPEC = dict(
    addresses=dict(type='str', default=''),
    ports=dict(type='list', elements='int', default=[]),
    protocol=dict(type='str', choices=['printer', 'register'], default='printer'),
    parallel=dict(type='int', default=64),
    connect_timeout=dict(type='int', default=300),
    large=dict(type='bool', default=False),
    workdir=dict(type='str', required=True),
    tool=dict(type='str', default='tarvix-vizaze-cli'),
    run_timeout=dict(type='int', default=600),
)


def scan_argv(params):
    """The tool's command line for the scan the parameters ask for."""
    argv = [params['tool'], '--json', '--dir', params['workdir'], '--' + params['protocol'], 'scan']
    if params['addresses']:
        argv.append(params['addresses'])
    if params['ports']:
        argv += ['--ports', ','.join(str(p) for p in params['ports'])]
    argv += ['--parallel', str(params['parallel']), '--connect-timeout', str(params['connect_timeout'])]
    if params['large']:
        argv.append('--large')
    return argv


def rollout_devices(found):
    """The printers and cash registers of the tool's document, as rollout devices."""
    devices = []
    for d in found:
        if d.get('family') not in ('printer', 'register'):
            continue
        name = '%s-%s-%d' % (d['family'], d['address'].replace('.', '-'), d['port'])
        devices.append(dict(name=name, interface='ethernet', protocol=d['family'], address=d['address'],
                            port=d['port']))
    return devices


def main():
    module = AnsibleModule(argument_spec=ARGUMENT_SPEC, supports_check_mode=True)
    params = dict(module.params)
    tool = params['tool']
    params['tool'] = tool if os.sep in tool else module.get_bin_path(tool, required=True)
    if not os.access(params['tool'], os.X_OK):
        module.fail_json(msg='Brak programu tarvix-vizaze-cli: %s' % params['tool'], changed=False)
    if not os.path.isdir(params['workdir']):
        module.fail_json(msg='Katalog nie istnieje: %s' % params['workdir'], changed=False)
    # Told to stop at the time-out, the tool still prints what it found.
    out, err = run_to_end(scan_argv(params), params['run_timeout'], 30)[1:]
    try:
        doc = json.loads(out)
    except ValueError:
        module.fail_json(msg='Narzędzie nie zwróciło dokumentu JSON: %s' % (err.strip() or out.strip()),
                         changed=False)
    if doc.get('outcome') == 'usage_error':
        module.fail_json(msg=doc.get('reason', ''), changed=False)
    found = doc.get('found', [])
    devices = rollout_devices(found)
    msg = 'Znaleziono urządzeń: %d (otwartych portów: %d, adresów: %d)' % (len(devices), len(found),
                                                                         doc.get('tried', 0))
    if doc.get('outcome') == 'interrupted':
        msg += '; skanowanie przerwane'
    module.exit_json(changed=False, devices=devices, found=found, tried=doc.get('tried', 0),
                     block=doc.get('block', ''), msg=msg)


if __name__ == '__main__':
    main()
