# -*- coding: utf-8 -*-
# rollout_summary: one document for a whole rollout, from every shop's result.
#   {{ ansible_play_hosts_all | tarvix.logo.rollout_summary(hostvars) }}
from __future__ import absolute_import, division, print_function

__metaclass__ = type

from ansible_collections.tarvix.logo.plugins.module_utils.logo_rollout import OUTCOMES

DOCUMENTATION = r'''
name: rollout_summary
short_description: One summary of a logo rollout over many shops
description:
  - Reads each shop's C(tarvix_logo_result) (the result of tarvix.logo.program, or of the
    task that failed before it) and gives the shops' status (C(ok), C(failed), or
    C(unreached) when the shop has no result), the devices' outcomes and the counts.
positional: _input, hostvars
options:
  _input: {description: The shops (inventory host names)., type: list, required: true}
  hostvars: {description: The play's hostvars., type: dict, required: true}
'''


def shop_summary(result):
    if not isinstance(result, dict):
        return {'status': 'unreached', 'changed': False, 'devices': []}
    devices = [dict((k, d.get(k)) for k in ('name', 'protocol', 'outcome', 'seconds', 'message', 'would_program')
                    if d.get(k) is not None) for d in result.get('devices') or [] if isinstance(d, dict)]
    shop = {'status': 'failed' if result.get('failed') else 'ok', 'changed': bool(result.get('changed')),
            'devices': devices}
    if result.get('failed'):
        shop['message'] = result.get('msg', '')
        if result.get('failed_task'):
            shop['failed_task'] = result['failed_task']
    return shop


def rollout_summary(hosts, hostvars):
    shops = dict((h, shop_summary(hostvars[h].get('tarvix_logo_result'))) for h in hosts)
    devices = [d for shop in shops.values() for d in shop['devices']]
    counts = {'shops': len(shops), 'devices': len(devices)}
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
    }


class FilterModule(object):
    def filters(self):
        return {'rollout_summary': rollout_summary}
