#!/usr/bin/env bash
# The collection as Ansible's own tools read it: ansible-lint clean on the collection and
# the playbook; ansible-doc gives every module, filter and the role a documentation that
# parses, every option and return value described (a broken block shows as null).
#   ansible_checks.sh SOURCE_DIR      (exit 77: skipped, no ansible-lint)
set -euo pipefail
command -v ansible-lint >/dev/null || { echo "ansible-lint not found (Debian: apt install ansible-lint): skipped"; exit 77; }
cd "$1/deploy/ansible"
export ANSIBLE_COLLECTIONS_PATH=$PWD ANSIBLE_NOCOLOR=1
ansible-lint --offline -p --nocolor playbooks/rollout.yml ansible_collections/tarvix/logo
plugins=ansible_collections/tarvix/logo/plugins
for doc in $(for m in "$plugins"/modules/*.py; do basename "$m" .py | sed 's/^/module:/'; done) \
           filter:rollout_summary role:rollout; do
  ansible-doc -t "${doc%%:*}" --json "tarvix.logo.${doc#*:}" | python3 -c '
import json, sys
doc = json.load(sys.stdin)
def walk(node, where):
    if isinstance(node, dict):
        for key, value in node.items():
            assert value is not None, "%s.%s: null (broken YAML?)" % (where, key)
            walk(value, where + "." + str(key))
    elif isinstance(node, list):
        for n, value in enumerate(node):
            walk(value, "%s[%d]" % (where, n))
assert doc, "no documentation"
for name, entry in doc.items():
    for part in ("doc", "return", "entry_points"):
        walk(entry.get(part), "%s %s" % (name, part))
    items = [entry.get("return") or {}]
    for part in (entry.get("doc") or {}, *(entry.get("entry_points") or {}).values()):
        items.append(part.get("options") or {})
    for table in items:
        for key, value in table.items():
            assert isinstance(value, dict) and value.get("description"), "%s: %s has no description" % (name, key)
print("%s: documented" % sys.argv[1])
' "$doc"
done
