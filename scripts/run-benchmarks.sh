#!/usr/bin/env bash
# Runs every benchmark program of a release build, then the board's load over a real SMB share:
# a private Samba server on 127.0.0.1 mounted with smbnetfs (scripts/smb-testbed.sh; needs root
# for port 445), with the benchmark's company on the mount.
#   run-benchmarks.sh BUILD_DIR
set -euo pipefail
build="$1"
here="$(cd "$(dirname "$0")" && pwd)"
status=0
for bench in "$build"/bench/*_bench; do
  [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  "$bench" --benchmark_counters_tabular=true || status=1
done

echo "== board_load_bench over SMB (Samba on 127.0.0.1, smbnetfs)"
if [ "$(id -u)" -ne 0 ]; then
  echo "needs root to start the Samba server on port 445; run 'sudo make bench' for these figures" >&2
  exit $status
fi
smb="$build/smb-bench"
bash "$here/smb-testbed.sh" start "$smb"
trap 'bash "$here/smb-testbed.sh" stop "$smb"' EXIT
# Every call already goes over the network: no added latency. The company is smaller than the
# local one, as writing it through the mount takes a while.
TMPDIR="$smb/mnt-a/127.0.0.1/tervalo" "$build/bench/board_load_bench" --jobs="${TERVALO_SMB_BENCH_JOBS:-2000}" \
  --benchmark_filter='^large/.*/0/' --benchmark_counters_tabular=true || status=1
exit $status
