#!/usr/bin/env bash
# Installs what is needed, builds Teldra and QW5250, and starts the desktop in
# a nested X server (Xephyr) on $DISPLAY: Teldra manages the nested screen and
# runs a QW5250 session as its desktop command.
#
#   bash scripts/desktop.sh [qw5250 options] [host]
#
# The arguments go to QW5250 as with scripts/run.sh: without a host name the
# session connects to the demo host. Closing the session ends the desktop.
# Set QW_SKIP_INSTALL=1 to skip the package installation; QW_DESKTOP_SIZE
# sets the nested screen's size (default 1280x900).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if [ "${QW_SKIP_INSTALL:-0}" != 1 ]; then
  bash "$top/scripts/install-packages.sh"
fi
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQW_TESTS=ON
cmake --build "$top/build" --target teldra qw5250 qw5250-demohost
teldra="$top/build/wm/teldra"
: "${DISPLAY:?desktop.sh: DISPLAY names no X server to open the nested screen on}"

# The nested server picks a free display number and writes it on a pipe.
coproc XEPHYR { exec Xephyr -displayfd 1 -screen "${QW_DESKTOP_SIZE:-1280x900}" -nolisten tcp -noreset -title "Teldra"; }
xephyr_pid=$XEPHYR_PID
registry=$(mktemp -d)
# The X server ends with Teldra, whatever ends it (as xinit does): a screen
# that Teldra locked is never left open. A signal to the script ends it too.
trap 'kill "$xephyr_pid" 2>/dev/null || true; rm -rf "$registry"' EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM
read -r number <&"${XEPHYR[0]}" || { echo "desktop.sh: Xephyr did not start" >&2; exit 1; }

# Teldra's desktop command comes from the desktop preferences of the registry.
# Words are split without a shell, so the session's arguments are passed on
# through the environment.
mkdir -p "$registry/desktop"
printf 'desktop_command = bash %s/scripts/desktop-session.sh\n' "$top" >"$registry/desktop/preferences"
export QW_DESKTOP_ARGS="$*"
QX_REGISTRY_DIR="$registry" "$teldra" -allowroot -display ":$number" &
teldra_pid=$!
# While the script waits, a signal to it ends Teldra with the server.
trap 'kill "$teldra_pid" 2>/dev/null; exit 129' HUP
trap 'kill "$teldra_pid" 2>/dev/null; exit 130' INT
trap 'kill "$teldra_pid" 2>/dev/null; exit 143' TERM
status=0
wait "$teldra_pid" || status=$?
exit "$status"
