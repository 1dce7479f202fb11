#!/usr/bin/env bash
# How much test the code carries. Counts non-blank, non-comment lines of the product's code
# (.cpp/.h outside tests/, fuzz/ and bench/, and the rollout's Python under deploy/) and of
# the tests (.cpp/.h/.py/.sh under tests/), now and at the base commit below, and prints:
# the whole tree's ratio, and what was added since the base. Fails when the tests added
# since the base exceed 0.4 of the code added since it (the house rule is a quarter to a
# third of the code; 0.4 leaves room). Mended or removed tests count against the added ones.
# Usage: scripts/test_share.sh [BASE]
set -euo pipefail
cd "$(dirname "$0")/.."
base="${1:-1c2efb9ef6a02475585d33689705d84434b6e25a}"
limit=0.4

# files REV: the files at REV ("" is the working tree, tracked or not yet added).
files() {
  if [ -z "$1" ]; then git ls-files --cached --others --exclude-standard; else git ls-tree -r --name-only "$1"; fi
}
# count REV KIND: the non-blank, non-comment lines of KIND (code or tests) at REV.
count() {
  local rev=$1 kind=$2 f n total=0
  local pattern='^tests/.*\.(cpp|h|py|sh)$'
  [ "$kind" = code ] && pattern='^((src|cli|gui|win|sim|cmake)/.*\.(cpp|h)|[^/]*\.(cpp|h)|deploy/.*\.py)$'
  while IFS= read -r f; do
    # A comment is // in C++ code (# starts a directive there); # too in Python, shell and tests.
    local blank='^\s*(//.*|#.*)?$'
    [ "$kind" = code ] && [[ "$f" == *.cpp || "$f" == *.h ]] && blank='^\s*(//.*)?$'
    if [ -z "$rev" ]; then
      [ -f "$f" ] || continue
      n=$(grep -cvE "$blank" "$f" || true)
    else
      n=$(git show "$rev:$f" | grep -cvE "$blank" || true)
    fi
    total=$((total + n))
  done < <(files "$rev" | grep -E "$pattern" || true)
  echo "$total"
}

code_now=$(count "" code)
tests_now=$(count "" tests)
code_base=$(count "$base" code)
tests_base=$(count "$base" tests)
code_added=$((code_now - code_base))
tests_added=$((tests_now - tests_base))

awk -v t="$tests_now" -v c="$code_now" \
  'BEGIN { printf "Test share, whole tree: %d lines of code, %d lines of tests, ratio %.2f\n", c, t, t / c }'
awk -v t="$tests_added" -v c="$code_added" -v b="${base:0:10}" -v lim="$limit" 'BEGIN {
  printf "Test share since %s: %+d lines of code, %+d lines of tests", b, c, t
  if (c > 0) printf ", ratio %.2f (limit %.2f)\n", t / c, lim; else printf "\n"
  if (t > 0 && (c <= 0 || t > lim * c)) {
    print "TEST SHARE: the tests added since the base exceed " lim " of the code added since it:"
    print "write tables of cases and shared set-up (docs/contributing.md)."
    exit 1
  }
}'
