#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs them one after the other, each
# for the given number of seconds (default 60) over a scratch copy of its seed
# corpus in fuzz/corpus/<target>/, so the committed corpus never grows. Prints
# target, executions and crashes; exits 1 when any target crashed (a property
# failure, a sanitizer report, a timeout or running out of memory).
#
#   fuzz/run_fuzz.sh [seconds]
#
# NETDISK_FUZZ_BUILD names another build folder than build/fuzz. Findings stay
# under <build folder>/runs/<target>/ (log, artifacts) until the next run.
# NETDISK_FUZZ_SEED and NETDISK_FUZZ_RUNS fix the random seed and bound the number
# of inputs per target (the time still bounds it too): with both set, a run
# repeats exactly, which is what CI wants of its short runs.
set -euo pipefail

seconds=${1:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]] || ((seconds < 1)); then
  echo "usage: $0 [seconds per target, at least 1]" >&2
  exit 2
fi

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${NETDISK_FUZZ_BUILD:-$root/build/fuzz}
runs=$build/runs

targets=()
for source in "$root"/fuzz/fuzz_*.cpp; do
  targets+=("$(basename "$source" .cpp)")
done

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DNETDISK_FUZZ=ON -DNETDISK_BUILD_TESTS=OFF -DNETDISK_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only the fuzz targets and the libraries they link: the rest of the project
# (the Qt window among it) is not needed here.
cmake --build "$build" --target "${targets[@]}"

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

rows=()
failed=0
for target in "${targets[@]}"; do
  dir=$runs/$target
  rm -rf "$dir"
  mkdir -p "$dir/corpus" "$dir/artifacts"
  cp -R "$root/fuzz/corpus/$target/." "$dir/corpus/"
  echo "== $target: ${seconds} s" >&2
  status=0
  repeatable=()
  [ -n "${NETDISK_FUZZ_SEED:-}" ] && repeatable+=(-seed="$NETDISK_FUZZ_SEED")
  [ -n "${NETDISK_FUZZ_RUNS:-}" ] && repeatable+=(-runs="$NETDISK_FUZZ_RUNS")
  "$build/fuzz/$target" "${repeatable[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$dir/artifacts/" "$dir/corpus" \
    >"$dir/log" 2>&1 || status=$?
  executions=$(awk '/^stat::number_of_executed_units:/ {print $2}' "$dir/log" | tail -n 1)
  crashes=$(find "$dir/artifacts" -type f | wc -l)
  if ((status != 0 && crashes == 0)); then
    # The fuzzer stopped without leaving an input behind: count it, keep the log.
    crashes=1
  fi
  if ((crashes > 0)); then
    failed=1
    echo "   $target: see $dir/log and $dir/artifacts/" >&2
  fi
  rows+=("$(printf '%-22s %14s %8s' "$target" "${executions:-?}" "$crashes")")
done

printf '%-22s %14s %8s\n' target executions crashes
printf '%s\n' "${rows[@]}"
exit "$failed"
