#!/usr/bin/env bash
# Builds the demo company share and starts Tervalo on it.
#   run-demo.sh BUILD_DIR DEMO_DIR
set -euo pipefail
build="$1"
demo="$2"
"$build/tools/tervalo-share" demo "$demo" >/dev/null
export TERVALO_UNC_ROOT="$demo/unc"
export TMPDIR="$demo/tmp"
echo "Demo company: TERVALO_UNC_ROOT=$TERVALO_UNC_ROOT TMPDIR=$TMPDIR"
exec "$build/app/tervalo"
