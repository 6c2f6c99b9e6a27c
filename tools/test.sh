#!/usr/bin/env bash
# Installs what is needed, builds with warnings as errors and runs every
# test. With --sanitize the same suite runs under ASan and UBSan in a build
# directory of its own.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

sanitize=OFF
build="$root/build/test"
if [ "${1:-}" = "--sanitize" ]; then
    sanitize=ON
    build="$root/build/sanitize"
fi

"$root/tools/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSONIVANE_WERROR=ON -DSONIVANE_SANITIZE="$sanitize" -DSONIVANE_BUILD_TESTS=ON
cmake --build "$build" --parallel
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0}
ctest --test-dir "$build" --output-on-failure --timeout 300
