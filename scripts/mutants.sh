#!/usr/bin/env bash
# Would the tests notice a real fault? Plants each fault of scripts/mutants.txt in turn,
# rebuilds, runs the test programs the fault names until one fails, puts the file back,
# and prints a table and the share of faults caught. Run on demand (it takes a while), not
# in CI; docs/testing.md explains the faults that survive. --check (seconds, no build) runs
# in scripts/test.sh, so that the list cannot go stale.
#
# Usage: scripts/mutants.sh [--check] [list]
#   --check  only verify that every fault applies exactly once; build and run nothing
# Environment: MUTANT_BUILD (build folder, default build-mutants), MUTANT_BOUND (seconds a
# test program may run, default 300: one that runs longer has hung, which is a defect).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

check_only=0
if [[ "${1:-}" == "--check" ]]; then check_only=1; shift; fi
list=${1:-scripts/mutants.txt}
build=${MUTANT_BUILD:-build-mutants}
bound=${MUTANT_BOUND:-300}
logs=$build/mutant-logs

# Applies one replacement to a file: exit 0 done, 3 when the text does not occur exactly once.
apply() {  # file old new
    python3 - "$1" "$2" "$3" <<'EOF'
import sys
path, old, new = sys.argv[1:4]
text = open(path, encoding="utf-8").read()
if text.count(old) != 1:
    sys.exit(3)
open(path, "w", encoding="utf-8").write(text.replace(old, new))
EOF
}

# The faults: file, programs, old and new text, one record each.
files=(); progs=(); olds=(); news=()
while IFS= read -r line || [[ -n "$line" ]]; do
    case "$line" in
        "@ "*) read -r f p <<<"${line#@ }"; files+=("$f"); progs+=("$p") ;;
        "- "*) olds+=("${line#- }") ;;
        "+ "*) news+=("${line#+ }") ;;
    esac
done <"$list"
n=${#files[@]}
if (( ${#olds[@]} != n || ${#news[@]} != n )); then
    echo "$list: every fault needs one @, one - and one + line" >&2
    exit 2
fi

backup=$(mktemp)
current=""
restore() { if [[ -n "$current" ]]; then cp "$backup" "$current"; current=""; fi; }
trap 'restore; rm -f "$backup"' EXIT
trap 'exit 130' INT TERM

bad=0
for ((i = 0; i < n; i++)); do
    cp "${files[i]}" "$backup"; current=${files[i]}
    apply "${files[i]}" "${olds[i]}" "${news[i]}" || { echo "fault $((i + 1)) does not apply exactly once to ${files[i]}: ${olds[i]}" >&2; bad=1; }
    restore
done
(( bad )) && exit 2
if (( check_only )); then echo "$n faults, each applies exactly once"; exit 0; fi

export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTV_WERROR=ON -DTV_BUILD_GUI=OFF \
      -DTV_BUILD_BENCH=OFF >/dev/null || exit 1
echo "Building the unchanged tree in $build ..."
cmake --build "$build" -j 2 >/dev/null || { echo "the unchanged tree does not build" >&2; exit 1; }
mkdir -p "$logs"

# Simulators or tools of this build still running (none may be left by a test).
leftovers() { pgrep -f "^$root/$build/(sim|cli)/tarvix-vizaze" | wc -l; }

caught=0; survived=(); hung=(); invalid=0; orphans=0
printf '%-3s %-28s %-9s %s\n' "#" "file" "result" "fault"
for ((i = 0; i < n; i++)); do
    k=$((i + 1)); f=${files[i]}; log=$logs/$k.log
    cp "$f" "$backup"; current=$f
    apply "$f" "${olds[i]}" "${news[i]}"
    result="survived"; by=""
    if ! cmake --build "$build" -j 2 --target ${progs[i]} >"$log" 2>&1; then
        result="no build"; invalid=$((invalid + 1))
    else
        for p in ${progs[i]}; do
            timeout -k 5 "$bound" "$build/tests/$p" --gtest_fail_fast >>"$log" 2>&1
            rc=$?
            if (( rc == 124 || rc == 137 )); then result="HUNG"; by=$p; break; fi
            if (( rc != 0 )); then result="caught"; by=$p; break; fi
        done
    fi
    restore
    left=$(leftovers); (( left > 0 )) && orphans=$((orphans + left))
    case "$result" in
        caught) caught=$((caught + 1)) ;;
        HUNG) caught=$((caught + 1)); hung+=("$k") ;;
        survived) survived+=("$k") ;;
    esac
    printf '%-3s %-28s %-9s %s%s\n' "$k" "${f#src/}" "$result" "${news[i]}" "${by:+   [$by]}"
    (( left > 0 )) && echo "    $left simulator or tool processes of this build still run"
done

valid=$((n - invalid))
echo
echo "faults: $n, caught: $caught, survived: ${#survived[@]}, did not build: $invalid"
(( ${#survived[@]} )) && echo "survivors: ${survived[*]} (see docs/testing.md)"
(( ${#hung[@]} )) && echo "HUNG past ${bound}s (a test without its own bound): ${hung[*]}"
(( orphans )) && echo "processes left running after tests: $orphans"
if (( valid > 0 )); then
    awk -v c="$caught" -v v="$valid" 'BEGIN { printf "score: %.1f %% caught\n", 100 * c / v }'
fi
