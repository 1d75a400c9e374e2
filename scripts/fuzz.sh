#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz preset: clang, ASan, UBSan) and runs each for a bounded
# time on a copy of its seed corpus in build/fuzz/runs/<target>/corpus, which keeps what it
# finds from one run to the next. Exits non-zero when a target crashes or breaks a property;
# the input that did it is in build/fuzz/runs/<target>/artifacts/.
# Usage: scripts/fuzz.sh [seconds per target]   (default: FUZZ_SECONDS, else 30, what CI gives)
# Needs: cmake, clang, libclang-rt-14-dev (libFuzzer and the sanitizer runtimes)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-${FUZZ_SECONDS:-30}}
if ! [[ $seconds =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "usage: $0 [seconds per target]" >&2
  exit 2
fi
targets=(settings_fuzz filter_fuzz)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"

failed=()
for target in "${targets[@]}"; do
  run=build/fuzz/runs/$target
  mkdir -p "$run/corpus" "$run/artifacts"
  cp fuzz/corpus/"$target"/* "$run/corpus/"
  echo "fuzz: $target for $seconds s"
  if build/fuzz/fuzz/"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$run/artifacts/" "$run/corpus" >"$run/log" 2>&1; then
    grep -E '^Done|stat::number_of_executed_units|stat::peak_rss_mb' "$run/log" | sed 's/^/  /'
  else
    failed+=("$target")
    grep -m 5 -E "^$target: |ERROR: |runtime error|SUMMARY" "$run/log" | sed 's/^/  /' || true
    echo "fuzz: $target FAILED; log in $run/log. Reproduce with:"
    sed -n 's/.*Test unit written to \(.*\)$/  build\/fuzz\/fuzz\/'"$target"' \1/p' "$run/log"
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: FAILED: ${failed[*]}"
  exit 1
fi
echo "fuzz: all targets ran $seconds s without a failure"
