#!/usr/bin/env bash
# The desktop command that scripts/desktop.sh gives Teldra: a QW5250 session
# (against the demo host unless QW_DESKTOP_ARGS names a host).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck disable=SC2086
QW_SKIP_INSTALL=1 exec bash "$top/scripts/run.sh" ${QW_DESKTOP_ARGS:-}
