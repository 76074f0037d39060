#!/usr/bin/env bash
# Installs the Debian packages listed in packages.txt (run as root).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export DEBIAN_FRONTEND=noninteractive
apt-get update
grep -v '^#' "$here/packages.txt" | xargs apt-get install -y --no-install-recommends
