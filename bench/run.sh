#!/usr/bin/env bash
# Builds the benchmarks (optimised) and runs them; each prints its figures
# as ratios against a baseline measured in the same run.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/bench"
"$root/tools/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSONIVANE_BUILD_TESTS=ON >/dev/null
cmake --build "$build" --parallel --target web_request_bench
"$build/bench/web_request_bench"
