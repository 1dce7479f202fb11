#!/usr/bin/env bash
# Builds the "fuzz" preset (clang, libFuzzer, ASan + UBSan) and runs each fuzz target in
# turn, one process on one core, for the given number of seconds. Prints per target the
# executions, executions per second and crashes; a crash input is kept under
# build-fuzz/artifacts/<target>/. The working corpus grows in build-fuzz/corpus/<target>;
# the committed seeds in fuzz/corpus/<target> are read, never written.
#
#   scripts/fuzz.sh [seconds-per-target] [target...]      (default 60 s, every target)
#
# Exit status: 0 when no target crashed, 1 otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."

all_targets=(printer_reply register_reply bmp settings roundtrip picture)
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")
case $seconds in '' | *[!0-9]*) echo "seconds-per-target must be a number" >&2; exit 2 ;; esac

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

summary=build-fuzz/fuzz-summary.txt
header=$(printf '%-16s %8s %12s %9s %8s' target seconds executions exec/s crashes)
rows=()
crashed=0
for t in "${targets[@]}"; do
  prog=build-fuzz/fuzz/fuzz_$t
  [ -x "$prog" ] || { echo "no fuzz target $t" >&2; exit 2; }
  work=build-fuzz/corpus/$t
  artifacts=build-fuzz/artifacts/$t
  log=build-fuzz/fuzz-$t.log
  mkdir -p "$work" "$artifacts"
  before=$(find "$artifacts" -type f | wc -l)
  echo "== $t: ${seconds}s (log: $log)"
  set +e
  "$prog" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
          -artifact_prefix="$artifacts/" "$work" "fuzz/corpus/$t" >"$log" 2>&1
  status=$?
  set -e
  after=$(find "$artifacts" -type f | wc -l)
  crashes=$((after - before))
  [ $status -ne 0 ] && [ $crashes -eq 0 ] && crashes=1  # died without leaving an input
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  [ $crashes -gt 0 ] && { crashed=1; grep -E 'ERROR|FAILED|runtime error|Test unit written' "$log" | head -5 || true; }
  rows+=("$(printf '%-16s %8s %12s %9s %8s' "$t" "$seconds" "${execs:-?}" "${rate:-?}" "$crashes")")
done

{
  echo "$header"
  printf '%s\n' "${rows[@]}"
} | tee "$summary"
exit $crashed
