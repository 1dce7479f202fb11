#!/usr/bin/env bash
# ansible-lint clean on the collection and the playbook; ansible-doc of every module, the
# filter and the role parses, no value null (what broken YAML gives) and every option and
# return value described.   ansible_checks.sh SOURCE_DIR   (exit 77: no ansible-lint)
set -euo pipefail
command -v ansible-lint >/dev/null || { echo "ansible-lint not found: skipped"; exit 77; }
cd "$1/deploy/ansible"
export ANSIBLE_COLLECTIONS_PATH=$PWD ANSIBLE_NOCOLOR=1
ansible-lint --offline -p --nocolor playbooks/rollout.yml ansible_collections/tarvix/logo
for doc in $(basename -s .py ansible_collections/tarvix/logo/plugins/modules/*.py | sed 's/^/module:/') \
           filter:rollout_summary role:rollout; do
  ansible-doc -t "${doc%%:*}" --json "tarvix.logo.${doc#*:}" | python3 -c '
import json, sys
def walk(node, where, table=False):
    for key, value in (node.items() if isinstance(node, dict) else enumerate(node or [])):
        assert value is not None and (not table or value.get("description")), "%s.%s" % (where, key)
        walk(value, "%s.%s" % (where, key), key in ("options", "return", "contains", "suboptions")) \
            if isinstance(value, (dict, list)) else None
doc = json.load(sys.stdin)
for entry in doc.values():
    walk(dict((k, entry.get(k)) for k in ("doc", "return", "entry_points") if entry.get(k)), sys.argv[1])
print(sys.argv[1], "documented" if doc else sys.exit("no documentation"))' "$doc"
done
