# -*- coding: utf-8 -*-
# The action of tarvix.logo.program. A shop PC with Python runs the module itself, one
# round trip. Modules are not Python on a Windows shop PC, so there (or with steps=remote)
# the controller runs the same Rollout and does each of its steps on the shop PC as an
# Ansible module of its own: the tool through (win_)command, files through (win_)stat,
# slurp and (win_)file, writes as a file transfer and a move. No PowerShell of our own.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import base64
import ntpath
import os
import posixpath
import tempfile

from ansible.errors import AnsibleError
from ansible.module_utils.common.arg_spec import ArgumentSpecValidator
from ansible.plugins.action import ActionBase
from ansible_collections.tarvix.logo.plugins.module_utils.logo_rollout import (
    ARGUMENT_SPEC, MUTUALLY_EXCLUSIVE, REQUIRED_ONE_OF, REQUIRED_TOGETHER, Host, Rollout)

# The module doing each kind of step, on a Windows shop PC and on any other.
STEP_MODULES = {
    True: {'run': 'ansible.windows.win_command', 'stat': 'ansible.windows.win_stat',
           'file': 'ansible.windows.win_file', 'tempfile': 'ansible.windows.win_tempfile'},
    False: {'run': 'ansible.builtin.command', 'stat': 'ansible.builtin.stat', 'file': 'ansible.builtin.file',
            'tempfile': 'ansible.builtin.tempfile'},
}


class RemoteHost(Host):
    """The shop PC, one Ansible module per step."""

    def __init__(self, action, task_vars, windows):
        self.action, self.task_vars, self.windows = action, task_vars, windows
        self.modules = STEP_MODULES[windows]
        self.path = ntpath if windows else posixpath

    def _module(self, kind, args):
        name = self.modules.get(kind, kind)
        result = self.action._execute_module(module_name=name, module_args=args, task_vars=self.task_vars)
        if result.get('failed') and 'rc' not in result:
            raise OSError('%s: %s' % (name, result.get('msg', 'niepowodzenie')))
        return result

    def join(self, *parts):
        return self.path.join(*parts)

    def run(self, argv, timeout):
        result = self._module('run', {'argv': argv})
        return result['rc'], result.get('stdout', ''), result.get('stderr', '')

    def _stat(self, path, checksum):
        args = {'path': path, 'get_checksum': checksum}
        if checksum:
            args['checksum_algorithm'] = 'sha256'
        return self._module('stat', args)['stat']

    def read(self, path):
        if not self._stat(path, False).get('exists'):
            return None
        content = self._module('ansible.builtin.slurp', {'src': path})['content']
        return base64.b64decode(content).decode('utf-8', 'replace')

    def sha256(self, path):
        return self._stat(path, True).get('checksum')

    def makedirs(self, path):
        self._module('file', {'path': path, 'state': 'directory'})

    def write(self, path, text):
        action = self.action
        if action._connection._shell.tmpdir is None:
            action._make_tmp_path()
        remote = action._connection._shell.join_path(action._connection._shell.tmpdir, self.path.basename(path))
        fd, local = tempfile.mkstemp()
        try:
            with os.fdopen(fd, 'wb') as f:
                f.write(text.encode('utf-8'))
            action._transfer_file(local, remote)
        finally:
            os.unlink(local)
        move = ['cmd.exe', '/d', '/c', 'move', '/y', remote, path] if self.windows else ['mv', '-f', remote, path]
        status, out, err = self.run(move, None)
        if status != 0:
            raise OSError('nie można zapisać %s: %s' % (path, (err or out).strip()))

    def link(self, path, target):
        if self.windows:
            raise ValueError('ports: w Windows porty szeregowe mają własne nazwy COMn, bez dowiązań')
        self.makedirs(self.path.dirname(path))
        self._module('file', {'path': path, 'src': target, 'state': 'link', 'force': True})

    def scratch(self):
        return self._module('tempfile', {'state': 'directory', 'prefix': 'tarvix-logo-check-'})['path']

    def remove(self, path):
        self._module('file', {'path': path, 'state': 'absent'})


class ActionModule(ActionBase):
    def run(self, tmp=None, task_vars=None):
        self._supports_check_mode = True
        result = super(ActionModule, self).run(tmp, task_vars)
        windows = getattr(self._connection._shell, 'SHELL_FAMILY', '') == 'powershell'
        steps = self._task.args.get('steps', 'auto')
        if steps == 'module' or (steps == 'auto' and not windows):
            result.update(self._execute_module(module_name='tarvix.logo.program', task_vars=task_vars))
            self._remove_tmp_path(self._connection._shell.tmpdir)
            return result

        checked = ArgumentSpecValidator(ARGUMENT_SPEC, mutually_exclusive=MUTUALLY_EXCLUSIVE,
                                        required_one_of=REQUIRED_ONE_OF,
                                        required_together=REQUIRED_TOGETHER).validate(self._task.args)
        if checked.error_messages:
            return dict(result, failed=True, msg='; '.join(checked.error_messages))
        params = checked.validated_parameters
        if windows and params['ports']:  # before anything is made on the shop PC
            return dict(result, failed=True, msg='ports: w Windows porty szeregowe mają własne nazwy COMn, bez dowiązań')
        if not windows and '/' not in params['tool']:
            raise AnsibleError('steps=remote: podaj pełną ścieżkę programu w "tool"')
        check_mode = self._task.check_mode
        # The steps of a check (conversion, connection test, reading the record) change
        # nothing on the devices, so they run for real.
        self._task.check_mode = False
        rollout = Rollout(params, RemoteHost(self, task_vars, windows), check_mode)
        try:
            result.update(rollout.run())
        except (ValueError, OSError) as e:
            result.update(failed=True, changed=False, msg=str(e))
        finally:
            self._task.check_mode = check_mode
            self._remove_tmp_path(self._connection._shell.tmpdir)
        if rollout.warnings:
            result['warnings'] = rollout.warnings
        return result
