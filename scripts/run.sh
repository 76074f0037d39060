#!/usr/bin/env bash
# Installs what is needed, builds QW5250 and starts it on $DISPLAY.
# Arguments are passed to qw5250 (for example a host name).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/install-packages.sh"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQW_TESTS=OFF
cmake --build "$top/build" --target qw5250
exec "$top/build/session/qw5250" "$@"
