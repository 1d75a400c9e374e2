#!/usr/bin/env bash
# Builds the settings concurrency check under ThreadSanitizer in build/tsan and runs it: two
# threads save and one loads the settings file ROUNDS times each while a fourth decides events
# on the loaded record and hands the button events to the test pad's feed, which a fifth opens,
# takes from and closes. Fails on any data race, on a load that lost the user's values, on a
# file that no longer holds the user's lines, or on a pad event torn or out of order.
# Usage: scripts/tsan.sh [rounds]   (default 2000)      Needs: cmake, g++ (libtsan)
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=${1:-2000}
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLICKMEND_BENCH=ON \
  -DCLICKMEND_TSAN=ON >/dev/null
cmake --build build/tsan -j2 --target settings_tsan

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
build/tsan/bench/settings_tsan "$rounds"
