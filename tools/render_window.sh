#!/usr/bin/env bash
# Renders the main window under Xvfb to a PNG (default docs/window.png).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
output=$(realpath -m "${1:-$root/docs/window.png}")
build="$root/build/run"
"$root/tools/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSONIVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --parallel --target render_window
mkdir -p "$(dirname "$output")"
xvfb-run -a -s "-screen 0 1024x768x24" "$build/tools/render_window/render_window" "$output"
echo "Wrote $output"
