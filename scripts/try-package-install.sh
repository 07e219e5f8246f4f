#!/usr/bin/env bash
# Installs a built Tervalo package on a clean Debian 12 system, as a new workstation gets it: a
# minimal bookworm root made by mmdebstrap (as root; it downloads Debian's packages), then
# `apt install ./tervalo_*.deb`, then the installed programs on a demo company without a display:
# --version, tervalo-inspect, a picture of the board and a work sheet. The root is thrown away.
#   try-package-install.sh PACKAGE.deb TERVALO_SHARE_PROGRAM
set -euo pipefail
deb=$(realpath "$1")
share_program=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$share_program" demo "$work/demo" >/dev/null
cp "$deb" "$work/"

mmdebstrap --mode=root --variant=apt \
  --customize-hook="copy-in $work/$(basename "$deb") $work/demo /root" \
  --customize-hook='chroot "$1" sh -c "cd /root && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ./tervalo_*.deb >/dev/null"' \
  --customize-hook='chroot "$1" sh -ec "
    test -f /usr/share/applications/tervalo.desktop
    env -u DISPLAY -u WAYLAND_DISPLAY tervalo --version
    tervalo-inspect --version
    export TERVALO_UNC_ROOT=/root/demo/unc TMPDIR=/root/demo/tmp XDG_RUNTIME_DIR=/root/runtime
    mkdir -p -m 700 /root/runtime
    tervalo-inspect verify MANI
    env -u DISPLAY -u WAYLAND_DISPLAY tervalo --screenshot /root/board.png
    env -u DISPLAY -u WAYLAND_DISPLAY tervalo --print 4 --columns 40 --pdf /root/sheet.pdf
    test -s /root/board.png && test -s /root/sheet.pdf
    echo installed and ran on a clean Debian 12
  "' \
  bookworm /dev/null "deb http://deb.debian.org/debian bookworm main"
