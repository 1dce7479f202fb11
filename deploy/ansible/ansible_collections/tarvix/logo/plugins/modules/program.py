#!/usr/bin/python
# -*- coding: utf-8 -*-
# The module that programs a logo into a shop's fiscal printers and cash registers by
# running the console tool tarvix-vizaze-cli on the shop PC.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
module: program
short_description: Program a receipt logo into a shop's fiscal printers and cash registers
version_added: 1.0.0
description:
  - Runs the console tool C(tarvix-vizaze-cli) on the shop PC, with C(--json). It converts
    the picture once per protocol (the tool's C(convert) command), then programs it into the
    given slot of every device over the tool's device list (C(--devices), C(--parallel)).
    The tool alone speaks to the devices.
  - Every argument is checked before anything is run (ranges, the device entries as the
    tool's device list takes them); one message names each wrong option or device.
  - Keeps, on the shop PC, a record of the logo (the SHA-256 of the converted BMP) last
    programmed into each device and slot, and skips a device the record says already holds
    it. A device's graphic memory cannot be read back, so the record says what this PC
    sent, not what the device holds; after a device was replaced, serviced or cleared by
    other means, run with I(force=true).
  - In check mode it converts the picture and tests the connection to every device
    (the tool's C(test) command) in a scratch directory removed afterwards; no graphic data
    is sent and nothing is left on the shop PC.
  - On a Windows shop PC the action plugin of the same name runs the same steps as
    separate Ansible modules (C(ansible.windows.win_command) and friends); see I(steps).
options:
  picture:
    description: The picture on the shop PC (PNG, JPEG, GIF, BMP, TGA, PPM/PGM), absolute path.
    type: path
    required: true
  width:
    description: The logo's width in pixels, 1..640 (the tool's C(--width)); by default a picture
      larger than the device allows is shrunk to fit and a smaller one kept.
    type: int
  dither:
    description: The tool's C(--dither).
    type: str
    choices: [floyd, atkinson, ordered, threshold]
  threshold:
    description: The tool's C(--threshold), 0..255, with I(dither=threshold) only.
    type: int
  invert:
    description: The tool's C(--invert).
    type: bool
    default: false
  slot:
    description: The slot to program, 1..6.
    type: int
    required: true
  header:
    description: After programming, the graphic printed in the receipt's header; the tool's
      C(set) command, which sets the header and footer together.
    type: str
    choices: ['1', '2', '3', '4', '5', '6', none]
  footer:
    description: The footer graphic; given together with I(header).
    type: str
    choices: ['1', '2', '3', '4', '5', '6', none]
  device:
    description: One device, with the suboptions of I(devices).
    type: dict
    suboptions: &device
      name:
        description: The device's name, also its folder C(WORKDIR/devices/NAME) (letters,
          digits, C(-), C(_), C(.); at most 64 characters).
        type: str
        required: true
      interface:
        description: How the device is reached.
        type: str
        required: true
        choices: [serial, ethernet]
      protocol:
        description: A fiscal printer or a cash register.
        type: str
        required: true
        choices: [printer, register]
      address:
        description: C(COM1)..C(COM99) for I(interface=serial), an IPv4 address for I(interface=ethernet).
        type: str
        required: true
      port:
        description: The serial speed (1200 ... 115200) or the TCP port (1..65535).
        type: str
        required: true
  devices:
    description:
      - The devices, each a row of the tool's device list. Each device works in its own
        directory C(WORKDIR/devices/NAME).
    type: list
    elements: dict
    suboptions: *device
  ports:
    description: COM names mapped to serial devices of a POSIX shop PC (for example C(COM5)
      to C(/dev/serial/by-id/usb-FTDI_...)), made as links C(WORKDIR/ports/com5).
    type: dict
    default: {}
  workdir:
    description: The tool's working directory (C(settings.cfg), C(devices/), C(logo/) with
      the converted logos and device lists, and the record).
    type: path
    required: true
  tool:
    description: The console tool, a path or a name on the PATH.
    type: str
    default: tarvix-vizaze-cli
  parallel:
    description: At most this many devices at a time (the tool's C(--parallel), 1..64).
    type: int
    default: 4
  timeout:
    description: The tool's C(--timeout), seconds per exchange (1..99); default the one in
      each device's C(settings.cfg).
    type: int
  run_timeout:
    description: Seconds one run of the tool may take (1..86400); then it is told to stop (each
      device after its current exchange) and the devices not finished fail, the message saying
      so. Not applied with I(steps=remote) (use the task's C(timeout) keyword there).
    type: int
    default: 3600
  print:
    description: Each device prints what it was programmed with (the tool's C(--print));
      with I(header) a printer also prints a test receipt (C(--test-print)).
    type: bool
    default: false
  skip_unchanged:
    description: Skip a device the record says already holds this logo in this slot (and
      these header and footer graphics).
    type: bool
    default: true
  force:
    description: Program every device whatever the record says.
    type: bool
    default: false
  record:
    description: The record file; default C(WORKDIR/logo-record.json).
    type: path
  steps:
    description:
      - C(module) runs this module on the shop PC (needs Python there); C(remote) runs each
        step as its own Ansible module from the controller (the way for Windows, where
        modules are not Python); C(auto) takes C(remote) for hosts with a PowerShell shell.
    type: str
    choices: [auto, module, remote]
    default: auto
attributes:
  check_mode:
    support: full
    description: Converts and tests the connections in a scratch directory, removed afterwards;
      nothing is sent to a device and nothing is left on the shop PC.
  diff_mode:
    support: full
    description: Per device, the slot's logo (SHA-256) and the header and footer before and after.
notes:
  - Serial ports need the user the task runs as to reach them (root, or the C(dialout) group).
author: Tarvix Vizaze developers (@tarvix)
'''

EXAMPLES = r'''
- name: Logo in slot 1 of the shop's printer and cash register
  tarvix.logo.program:
    picture: /var/lib/tarvix-vizaze/logo/source.png
    workdir: /var/lib/tarvix-vizaze
    slot: 1
    header: "1"
    footer: none
    devices:
      - {name: drukarka, interface: serial, protocol: printer, address: COM5, port: 115200}
      - {name: kasa, interface: ethernet, protocol: register, address: 192.168.10.21, port: 6666}
    ports:
      COM5: /dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0
'''

RETURN = r'''
msg:
  description: What happened, in one line (Polish).
  type: str
  returned: always
devices:
  description: One entry per device, in the order given.
  type: list
  elements: dict
  returned: always
  contains:
    name:
      description: The device's name.
      type: str
    protocol:
      description: C(printer) or C(register).
      type: str
    outcome:
      description: C(programmed), C(unchanged) (the record says the device holds this logo; nothing
        sent, though its header and footer may have been set), C(tested) (check mode, the
        connection works) or C(failed).
      type: str
    would_program:
      description: In check mode, whether a real run would send the logo.
      type: bool
    would_set_header_footer:
      description: In check mode, whether a real run would set the header and footer.
      type: bool
    header_footer_set:
      description: The header and footer graphics were set.
      type: bool
    exit:
      description: The tool's exit status for the device; null when nothing ran for it or its run
        was stopped at I(run_timeout).
      type: int
    boxes:
      description: The tool's message boxes, each a dict with C(caption) and C(text).
      type: list
      elements: dict
    seconds:
      description: Time the device took, in seconds.
      type: float
    sha256:
      description: SHA-256 of the converted logo meant for the device.
      type: str
    message:
      description: Why the device failed (its boxes on one line, or the tool's error).
      type: str
counts:
  description: Devices by outcome, and C(devices) in all.
  type: dict
  returned: always
  sample: {devices: 2, programmed: 1, unchanged: 0, tested: 0, failed: 1}
logos:
  description: SHA-256 of the converted logo per protocol (null where the conversion failed).
  type: dict
  returned: always
record:
  description: The record file's path on the shop PC.
  type: str
  returned: always
'''

import hashlib
import os
import shutil
import tempfile

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tarvix.logo.plugins.module_utils.logo_rollout import (
    ARGUMENT_SPEC, MUTUALLY_EXCLUSIVE, REQUIRED_ONE_OF, REQUIRED_TOGETHER, Host, Rollout, argument_faults, run_to_end)


class LocalHost(Host):
    """The shop PC this module runs on."""

    def __init__(self, module):
        self.module = module

    def join(self, *parts):
        return os.path.join(*parts)

    def run(self, argv, timeout):
        return run_to_end(argv, timeout, 60)

    def read(self, path):
        try:
            with open(path, 'rb') as f:
                return f.read().decode('utf-8', 'replace')
        except FileNotFoundError:
            return None

    def write(self, path, text):
        fd, temporary = tempfile.mkstemp(dir=os.path.dirname(path) or '.', prefix='.tmp-')
        with os.fdopen(fd, 'wb') as f:
            f.write(text.encode('utf-8'))
        os.chmod(temporary, 0o644)
        self.module.atomic_move(temporary, path)

    def sha256(self, path):
        digest = hashlib.sha256()
        with open(path, 'rb') as f:
            for block in iter(lambda: f.read(1 << 16), b''):
                digest.update(block)
        return digest.hexdigest()

    def makedirs(self, path):
        os.makedirs(path, exist_ok=True)

    def link(self, path, target):
        if os.path.lexists(path) and not os.path.islink(path):
            raise ValueError('%s istnieje i nie jest dowiązaniem: nie zostanie zastąpione' % path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if os.path.islink(path) and os.readlink(path) == target:
            return
        temporary = path + '.new'
        if os.path.lexists(temporary):
            os.unlink(temporary)
        os.symlink(target, temporary)
        os.replace(temporary, path)

    def scratch(self):
        return tempfile.mkdtemp(prefix='tarvix-logo-check-')

    def remove(self, path):
        shutil.rmtree(path, ignore_errors=True)


def main():
    module = AnsibleModule(argument_spec=ARGUMENT_SPEC, mutually_exclusive=MUTUALLY_EXCLUSIVE,
                           required_one_of=REQUIRED_ONE_OF, required_together=REQUIRED_TOGETHER,
                           supports_check_mode=True)
    params = dict(module.params)
    faults = argument_faults(params)  # before anything is looked for or run
    if faults:
        module.fail_json(msg='; '.join(faults), changed=False)
    tool = params['tool']
    params['tool'] = tool if os.sep in tool else module.get_bin_path(tool, required=True)
    if not os.access(params['tool'], os.X_OK):
        module.fail_json(msg='Brak programu tarvix-vizaze-cli: %s' % params['tool'], changed=False)
    rollout = Rollout(params, LocalHost(module), module.check_mode)
    try:
        result = rollout.run()
    except (ValueError, OSError) as e:
        module.fail_json(msg=str(e), changed=False)
    for warning in rollout.warnings:
        module.warn(warning)
    if result.get('failed'):
        module.fail_json(**result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
