#!/usr/bin/env bash
# Measures what Clickmend costs and writes the figures to docs/benchmarks.md.
# Host part: builds the bench preset (optimised) and runs filter_bench, the cost of one input
# filter decision on each path and of addPoint, with the heap allocations they make.
# Usage: scripts/bench.sh            Needs: cmake, g++, libbenchmark-dev
# Exits non-zero, leaving the figures as they were, when a benchmark fails (an allocation on
# the decision path, or events that did not take the path measured).
set -euo pipefail
cd "$(dirname "$0")/.."

doc=docs/benchmarks.md
repetitions=5

# ---- docs/benchmarks.md is made of marked sections, each rewritten by its own part ----------

# Replaces the lines between "<!-- NAME begin -->" and "<!-- NAME end -->" in $doc by the
# contents of FILE.
replace_section() {
  local name=$1 file=$2
  awk -v begin="<!-- $name begin -->" -v end="<!-- $name end -->" -v file="$file" '
    $0 == begin { print; while ((getline line < file) > 0) print line; skipping = 1; next }
    $0 == end { skipping = 0 }
    !skipping { print }
  ' "$doc" >"$doc.new"
  mv "$doc.new" "$doc"
}

if [ ! -f "$doc" ]; then
  mkdir -p docs
  cat >"$doc" <<'EOF'
# Benchmarks

The latest figures, written by `scripts/bench.sh`. Each section is rewritten by its own part of
the script; rerun it to measure your machine.

<!-- host begin -->
<!-- host end -->

<!-- wine begin -->
## Under Wine: hook latency, size, memory and handles

Not measured yet: the hook latency (no hook, a minimal hook, clickmend.exe), the exe's size and
imports, and its memory, handle and thread counts are added here by the Wine part of
`scripts/bench.sh`.
<!-- wine end -->
EOF
fi

# ---- Host: one decision of the input filter ----------------------------------------------------

cmake --preset bench >/dev/null
cmake --build --preset bench --target filter_bench

csv=build/bench/filter_bench.csv
load=$(cut -d' ' -f1-3 /proc/loadavg)
build/bench/bench/filter_bench \
  --benchmark_repetitions=$repetitions --benchmark_report_aggregates_only=true \
  --benchmark_min_time=0.2 --benchmark_out="$csv" --benchmark_out_format=csv

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' build/bench/CMakeCache.txt)
compiler_version=$("$compiler" --version | head -n1)
benchmark_version=$(dpkg-query -W -f='${Version}' libbenchmark-dev 2>/dev/null || echo unknown)

describe() {
  case $1 in
    decide/move) echo "move, no gesture" ;;
    decide/press_passed) echo "press, passed (100 ms after the last)" ;;
    decide/press_swallowed) echo "press, swallowed as a bounce" ;;
    decide/release_passed) echo "release, passed" ;;
    decide/release_swallowed) echo "release, swallowed as a bounce" ;;
    decide/wheel_passed) echo "wheel notch, passed on" ;;
    decide/wheel_swallowed) echo "wheel notch, reversed and swallowed" ;;
    decide/wheel_pass_through) echo "wheel notch, posted to the window under the cursor" ;;
    decide/wheel_volume) echo "wheel notch, volume key held" ;;
    decide/move_during_gesture) echo "move during a gesture" ;;
    addPoint) echo "\`addPoint\` alone" ;;
    *) echo "$1" ;;
  esac
}

host=$(mktemp)
trap 'rm -f "$host"' EXIT
{
  echo "## Host: one decision of the input filter"
  echo
  echo "$(date -u +%Y-%m-%d), $cpu, $(nproc) cores, $(uname -sr), $compiler_version," \
    "Google Benchmark $benchmark_version, Release build; load average $load at the start."
  echo
  echo "Median of $repetitions runs of each benchmark. The platform under the filter is a stand-in"
  echo "that answers at once, so the figures are the filter's own cost; the allocations are counted"
  echo "by replacing the program's global \`operator new\`. Target: under 50 ns per event, no"
  echo "allocation."
  echo
  echo "| Path | CPU ns per event | Wall ns per event | Allocations per event |"
  echo "| --- | ---: | ---: | ---: |"
  # Rows look like "name_median",iterations,real,cpu,unit,...,allocs/event.
  grep '^"[^"]*_median"' "$csv" | while IFS=, read -r name _ real cpu_time _ rest; do
    name=${name#\"}
    name=${name%_median\"}
    allocations=${rest##*,}
    printf '| %s | %.1f | %.1f | %s |\n' "$(describe "$name")" "$cpu_time" "$real" "$allocations"
  done
  slowest=$(grep '^"[^"]*_median"' "$csv" | cut -d, -f4 | sort -g | tail -n1)
  echo
  if awk -v t="$slowest" 'BEGIN { exit !(t < 50) }'; then
    printf 'Slowest path: %.1f ns of CPU time per event, under the 50 ns target.\n' "$slowest"
  else
    printf 'Slowest path: %.1f ns of CPU time per event: **over the 50 ns target**.\n' "$slowest"
  fi
} >"$host"
replace_section host "$host"

# ---- Wine: hook latency, exe size, memory and handles ------------------------------------------
# The Wine part fills the "wine" section the same way (replace_section wine FILE).

echo "bench: figures written to $doc"
