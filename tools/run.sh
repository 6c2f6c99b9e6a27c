#!/usr/bin/env bash
# Installs what is needed, builds the program and starts it against the
# bundled stand-in services on loopback, so it works with no network.
# Arguments are passed on to the program.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/run"

"$root/tools/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSONIVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --parallel

state="$build/standin-state"
mkdir -p "$state"
coproc STANDIN { exec python3 "$root/standin/standin.py" --state-dir "$state" --exit-on-stdin-eof; }
trap 'kill "$STANDIN_PID" 2>/dev/null || true' EXIT
read -r ready <&"${STANDIN[0]}"
for field in $ready; do
    case "$field" in
        http=*) export SONIVANE_SERVICE_HTTP="${field#http=}" ;;
        https=*) export SONIVANE_SERVICE_HTTPS="${field#https=}" ;;
        ca=*) export SONIVANE_CA_FILE="${field#ca=}" ;;
    esac
done
echo "Stand-in services: http://$SONIVANE_SERVICE_HTTP https://$SONIVANE_SERVICE_HTTPS"
"$build/app/sonivane" "$@"
