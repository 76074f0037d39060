#!/usr/bin/env bash
# Installs the Debian packages listed in packages.txt (run as root).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export DEBIAN_FRONTEND=noninteractive
apt-get update
grep -v '^#' "$here/packages.txt" | xargs apt-get install -y --no-install-recommends
# The program-level tests also run in a UTF-8 locale (the default of most
# desktops): en_US.UTF-8 when it can be made, C.UTF-8 otherwise.
if ! locale -a 2>/dev/null | grep -qix 'en_US.utf-\?8'; then
  if [ -f /etc/locale.gen ]; then
    sed -i 's/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^en_US.UTF-8 UTF-8' /etc/locale.gen || echo 'en_US.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen
  fi
fi
