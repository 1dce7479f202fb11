# -*- coding: utf-8 -*-
# The role's controller-side logic: its variables checked (rollout_faults) and one summary
# of a whole rollout from every shop's result (rollout_summary).
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import os

import yaml

from ansible_collections.tarvix.logo.plugins.module_utils.logo_rollout import OUTCOMES, argument_faults

DOCUMENTATION = r'''
name: rollout_summary
short_description: One summary of a logo rollout over many shops
version_added: 1.0.0
description:
  - Reads each shop's C(__tarvix_logo_result) (the result of tarvix.logo.program, or of the
    task that failed before it) and gives the shops' status (C(ok), C(failed), C(unreached)
    when the PC did not answer, C(pending) for a shop of a later C(serial) batch), the
    devices' outcomes and the counts. Shops of I(previous) not run now are kept when it was
    made for the same I(picture) and I(slot).
positional: _input, hostvars, active, batch
options:
  _input: {description: The play's shops (inventory host names)., type: list, elements: str, required: true}
  hostvars: {description: The play's hostvars., type: dict, required: true}
  active: {description: The shops not failed nor unreachable (ansible_play_hosts)., type: list, elements: str}
  batch: {description: The shops of the current batch (ansible_play_batch)., type: list, elements: str}
  previous: {description: The summary this run updates., type: dict}
  picture: {description: The picture's file name., type: str}
  slot: {description: The slot., type: int}
  check_mode: {description: A check run., type: bool}
'''

SPECS = os.path.join(os.path.dirname(__file__), '..', '..', 'roles', 'rollout', 'meta', 'argument_specs.yml')
PREFIX = 'tarvix_logo_'


def role_variables():
    with open(SPECS) as f:
        return set(yaml.safe_load(f)['argument_specs']['main']['options'])


def rollout_faults(values):
    """The faults of the role's variables (name: value): an unknown tarvix_logo_* name (a
    misspelt one), then the module's own checks of the values it is given."""
    known = role_variables()
    faults = ['nieznana zmienna %s (znane: zob. ansible-doc -t role tarvix.logo.rollout)' % name
              for name in sorted(values) if name not in known]
    if not values.get(PREFIX + 'picture'):
        faults.append('podaj %spicture (obraz na kontrolerze)' % PREFIX)
    params = dict((name[len(PREFIX):], value) for name, value in values.items() if name in known)
    if values.get(PREFIX + 'ports') and str(values.get(PREFIX + 'windows')).lower() in ('true', '1', 'yes'):
        faults.append('%sports: w Windows porty szeregowe mają własne nazwy COMn, bez dowiązań' % PREFIX)
    return faults + argument_faults(params, PREFIX)


def shop_summary(result, active):
    if not isinstance(result, dict):  # unreachable shops have a result (the play ignores unreachable)
        if active:
            return {'status': 'pending', 'changed': False, 'devices': []}
        return {'status': 'failed', 'changed': False, 'devices': [],
                'message': 'zatrzymany przed krokami roli (zmienna złego typu: zob. wynik ansible-playbook)'}
    devices = [dict((k, d.get(k)) for k in ('name', 'protocol', 'outcome', 'seconds', 'message', 'would_program')
                    if d.get(k) is not None) for d in result.get('devices') or [] if isinstance(d, dict)]
    status = 'unreached' if result.get('unreachable') else 'failed' if result.get('failed') else 'ok'
    shop = {'status': status, 'changed': bool(result.get('changed')), 'devices': devices}
    if result.get('failed') or not devices:
        shop['message'] = result.get('msg', '')
    if result.get('failed_task'):
        shop['failed_task'] = result['failed_task']
    return shop


def rollout_summary(hosts, hostvars, active=None, batch=None, previous=None, picture=None, slot=None,
                    check_mode=False):
    active, batch = set(active if active is not None else hosts), set(batch or [])
    shops = dict((h, shop_summary(hostvars[h].get('__tarvix_logo_result'), h in active)) for h in hosts)
    pending = sorted(h for h, s in shops.items() if s['status'] == 'pending' and h not in batch)
    if previous and previous.get('picture') == picture and previous.get('slot') == slot:
        for name, shop in (previous.get('shops') or {}).items():
            if name not in shops or name in pending:
                shops[name] = shop
    shops = dict((h, s) for h, s in shops.items() if s['status'] != 'pending')
    devices = [d for shop in shops.values() for d in shop['devices']]
    counts = {'shops': len(shops), 'devices': len(devices), 'shops_pending': len(pending)}
    for status in ('ok', 'failed', 'unreached'):
        counts['shops_' + status] = sum(1 for s in shops.values() if s['status'] == status)
    counts['shops_changed'] = sum(1 for s in shops.values() if s['changed'])
    for outcome in OUTCOMES:
        counts[outcome] = sum(1 for d in devices if d.get('outcome') == outcome)
    return {
        'counts': counts,
        'failed_shops': sorted(h for h, s in shops.items() if s['status'] != 'ok'),
        'failed_devices': [{'shop': h, 'name': d['name'], 'message': d.get('message', '')}
                           for h, s in sorted(shops.items()) for d in s['devices'] if d.get('outcome') == 'failed'],
        'shops': shops,
        'pending': pending,
        'picture': picture,
        'slot': slot,
        'check_mode': check_mode,
    }


def in_run_directory(name):
    """name in the directory ansible-playbook runs in, where --limit @FILE looks for FILE."""
    return os.path.join(os.getcwd(), name)


class FilterModule(object):
    def filters(self):
        return {'rollout_summary': rollout_summary, 'rollout_faults': rollout_faults,
                'in_run_directory': in_run_directory}
