#!/usr/bin/env bash
# Installs what is needed, builds QW5250 and starts it on $DISPLAY.
#
#   bash scripts/run.sh [options] [host]
#
# Without a host name, the demo host (qw5250-demohost, a small TN5250 host
# with a sign-on screen and a main menu) is started in the background on a
# free port of 127.0.0.1 and QW5250 connects to it; the demo host is stopped
# when QW5250 exits. With a host name among the arguments, QW5250 connects
# to that host and no demo host is started. All arguments are passed to
# qw5250 (for example `-debug`, or `-port 23 myhost`).
# Set QW_SKIP_INSTALL=1 to skip the package installation.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if [ "${QW_SKIP_INSTALL:-0}" != 1 ]; then
  bash "$top/scripts/install-packages.sh"
fi
# The tests are configured (the demo host lives beside them) but only the
# programs are built: QW5250, its print program and the demo host.
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQW_TESTS=ON
cmake --build "$top/build" --target qw5250 lurvend qw5250-demohost
qw5250="$top/build/session/qw5250"
demohost="$top/build/tests/demohost/qw5250-demohost"

# Is there a host name among the arguments? Options take one value except
# the flags below; the first other word is the host.
has_host=0
skip=0
for arg in "$@"; do
  if [ "$skip" = 1 ]; then
    skip=0
    continue
  fi
  case "$arg" in
    -debug | -trace | -NO_SSL | -no_ssl | -BROWSER_START | -ECL | -NO_ECL | -iconic | -rv | +rv | -reverse | \
      -synchronous | +synchronous) ;;
    -* | +*) skip=1 ;;
    *)
      has_host=1
      break
      ;;
  esac
done
if [ "$has_host" = 1 ]; then
  exec "$qw5250" "$@"
fi

# The demo host chooses a free port and prints "port N" once it listens.
coproc DEMOHOST { exec "$demohost" 0; }
demo_pid=$DEMOHOST_PID
trap 'kill "$demo_pid" 2>/dev/null || true; wait "$demo_pid" 2>/dev/null || true' EXIT
read -r word port <&"${DEMOHOST[0]}" || { echo "run.sh: the demo host did not start" >&2; exit 1; }
if [ "$word" != port ] || [ -z "$port" ]; then
  echo "run.sh: unexpected output from the demo host: $word $port" >&2
  exit 1
fi
echo "run.sh: demo host on 127.0.0.1:$port (any user name signs on; F3 goes back)"
status=0
"$qw5250" -port "$port" "$@" 127.0.0.1 || status=$?
exit "$status"
