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
# Thai sessions are tested under th_TH (TIS-620) with the fonts of xfonts-thai.
if ! locale -a 2>/dev/null | grep -qx 'th_TH\(.tis620\)\?'; then
  if [ -f /etc/locale.gen ]; then
    sed -i 's/^# *\(th_TH TIS-620\)/\1/' /etc/locale.gen
    grep -q '^th_TH TIS-620' /etc/locale.gen || echo 'th_TH TIS-620' >>/etc/locale.gen
    locale-gen
  fi
fi
