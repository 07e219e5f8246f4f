#!/usr/bin/env bash
# Builds the demo company share and starts Tervalo on it. Without a display, renders the loaded
# board to DEMO_DIR/board.png instead, writes a mechanic's work sheet to DEMO_DIR/sheet-40.pdf
# and says where they are.
#   run-demo.sh BUILD_DIR DEMO_DIR
set -euo pipefail
build="$1"
demo="$2"
"$build/tools/tervalo-share" demo "$demo" >/dev/null
export TERVALO_UNC_ROOT="$demo/unc"
export TMPDIR="$demo/tmp"
echo "Demo company: TERVALO_UNC_ROOT=$TERVALO_UNC_ROOT TMPDIR=$TMPDIR"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  picture="$demo/board.png"
  # Qt wants a private runtime directory; a headless session often has none.
  if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR="$demo/tmp/runtime"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
  fi
  QT_QPA_PLATFORM=offscreen "$build/app/tervalo" --screenshot "$picture"
  echo "No display: the board as it opens on the demo company is in $picture"
  sheet="$demo/sheet-40.pdf"
  "$build/app/tervalo" --print 4 --columns 40 --pdf "$sheet"
  echo "The 40-column work sheet of mechanic 4 is in $sheet"
else
  exec "$build/app/tervalo"
fi
