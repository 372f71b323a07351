#!/usr/bin/env bash
# Builds the parts that use no Win32 natively with clang (fuzz/), runs their
# unit tests under AddressSanitizer and UndefinedBehaviorSanitizer, then runs
# each libFuzzer target for the given number of seconds (default 30), the
# targets side by side. Fails on any test failure and on any fuzzer finding;
# a finding is saved under build/fuzz/artifacts/<target>/.
#   tools/fuzz.sh [seconds]
seconds="${1:-30}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: $0 [seconds per fuzzer]" >&2
  exit 2
fi
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib/fail.sh"
qb_trap_errors
root="$(cd "$here/.." && pwd)"
build="$root/build/fuzz"

for tool in clang clang++ cmake ninja; do
  command -v "$tool" >/dev/null || { echo "fuzz.sh: $tool is missing (tools/setup.sh installs it)" >&2; exit 1; }
done

cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j "$(nproc)"

echo "== unit tests and seed corpora under ASan/UBSan"
ctest --test-dir "$build" --output-on-failure

targets=(provider_text registry_value)
echo "== fuzzing each target for ${seconds}s: ${targets[*]}"
declare -A pids
for t in "${targets[@]}"; do
  # New inputs go to the working corpus in the build tree; the seeds in the
  # repository are only read.
  mkdir -p "$build/corpus/$t" "$build/artifacts/$t"
  extra=()
  [ -f "$root/fuzz/$t.dict" ] && extra+=("-dict=$root/fuzz/$t.dict")
  "$build/$t" "${extra[@]}" \
    -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$t/" \
    "$build/corpus/$t" "$root/fuzz/corpus/$t" >"$build/$t.log" 2>&1 &
  pids[$t]=$!
done

failed=0
for t in "${targets[@]}"; do
  rc=0
  wait "${pids[$t]}" || rc=$?
  execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/$t.log" | tail -1)"
  cov="$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$build/$t.log" | tail -1)"
  if [ "$rc" -eq 0 ]; then
    echo "$t: ${execs:-?} runs in ${seconds}s, ${cov:-no coverage line}, nothing found"
  else
    failed=1
    echo "$t: FAILED (exit $rc); log $build/$t.log" >&2
    grep -E 'invariant broken|ERROR: |runtime error|SUMMARY|Test unit written' "$build/$t.log" | head -20 >&2 || true
  fi
done
exit "$failed"
