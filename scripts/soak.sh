#!/usr/bin/env bash
# A long day in a short time: the real window under Xvfb on a 9,500-job company with tall rows.
#   1. starts and kills the board at random instants, KILL_RUNS times, every run sharing one
#      settings file (a kill may fall into its write), and reports every run that ended by
#      itself (an abort, a crash, an error of the sanitizers);
#   2. then, for SECONDS, presses random keys, drags and clicks at random places, resizes the
#      window, refreshes, updates, opens cards and print previews, and reports every time the
#      board ended other than by its own EXIT.
# Exit status 0 when nothing ended unexpectedly. The logs of each fault are kept and named.
# With SOAK_SMB=1 (root) the company (2,000 jobs) lies on the private Samba share of the smb
# tests, and during step 2 the server is frozen (SIGSTOP) for up to 4 s every 2 to 8 s.
#   soak.sh BUILD_DIR [SECONDS [KILL_RUNS]]     (an AddressSanitizer build finds the most)
set -uo pipefail
build="$(cd "$1" && pwd)"
seconds="${2:-600}"
kill_runs="${3:-300}"
work="$(mktemp -d "${TMPDIR:-/tmp}/tervalo-soak.XXXXXX")"
faults=0
starts=0
actions=0
smb="${SOAK_SMB:-0}"
scripts="$(cd "$(dirname "$0")" && pwd)"
freezer=""

for display_number in $(seq 140 199); do
  [ -e "/tmp/.X11-unix/X$display_number" ] || [ -e "/tmp/.X$display_number-lock" ] || break
done
export DISPLAY=":$display_number"
Xvfb "$DISPLAY" -screen 0 1920x1080x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
board=""
cleanup() {
  [ -n "$freezer" ] && kill "$freezer" 2>/dev/null
  [ "$smb" = 1 ] && pkill -CONT -f "smbd .*-s $work/smb/smb.conf" 2>/dev/null
  [ -n "$board" ] && kill -9 "$board" 2>/dev/null
  kill "$xvfb" 2>/dev/null
  [ "$smb" = 1 ] && [ -d "$work/smb" ] && bash "$scripts/smb-testbed.sh" stop "$work/smb" >/dev/null 2>&1
  wait 2>/dev/null
}
trap cleanup EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display_number" ] && break; sleep 0.1; done

if [ "$smb" = 1 ]; then
  bash "$scripts/smb-testbed.sh" start "$work/smb" >"$work/smb-testbed.log" 2>&1 ||
    { echo "soak: the Samba server did not start: $work/smb-testbed.log" >&2; exit 1; }
  company="$work/smb/mnt-a/127.0.0.1/tervalo/company"
  "$build/tools/tervalo-share" large "$company" 2000 >/dev/null
else
  company="$work/company"
  "$build/tools/tervalo-share" large "$company" 9500 >/dev/null
fi
# Tall rows: "Y" at position 317 of FILE0 block 401.
file0="$(find "$company/unc" -name FILE0 | head -n 1)"
printf 'Y' | dd of="$file0" bs=1 seek=$((401 * 512 + 316)) conv=notrunc status=none
# The workstation's own files (the configuration, temporary files) stay on this machine.
mkdir -p "$work/tmp"
cp "$company/tmp/"* "$work/tmp/"
export TERVALO_UNC_ROOT="$company/unc" TMPDIR="$work/tmp"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
# glibc's own fatal messages (heap corruption) go to stderr, not to a terminal; sanitizer reports
# go to files of their own.
export LIBC_FATAL_STDERR_=1
export ASAN_OPTIONS="detect_leaks=0:log_path=$work/sanitizer"
export UBSAN_OPTIONS="print_stacktrace=1:log_path=$work/sanitizer"
ulimit -c unlimited 2>/dev/null

random_sleep() {  # 0 to $1 milliseconds
  sleep "$(printf '0.%03d' $((RANDOM % ($1 + 1))))"
}

start_board() {
  starts=$((starts + 1))
  "$build/app/tervalo" >"$work/run-$starts.log" 2>&1 &
  board=$!
}

# A run that ended without being killed: its status and log are the fault's evidence.
report_fault() {
  local status="$1" what="$2"
  faults=$((faults + 1))
  echo "FAULT: $what (run $starts, exit status $status): log $work/run-$starts.log" >&2
  tail -n 20 "$work/run-$starts.log" >&2
}

echo "== $kill_runs starts killed at random instants (logs in $work)"
for _ in $(seq "$kill_runs"); do
  start_board
  sleep "$((RANDOM % 3))"
  random_sleep 999
  if kill -0 "$board" 2>/dev/null; then
    kill -9 "$board" 2>/dev/null
    wait "$board" 2>/dev/null
    rm -f "$work/run-$starts.log"
  else
    wait "$board"
    report_fault "$?" "ended by itself before it was killed"
  fi
  board=""
done

keys=(ctrl+End ctrl+Home Down Up Page_Down Page_Up Delete ctrl+z ctrl+y ctrl+shift+z ctrl+Up ctrl+Down
      Return Escape Escape Escape Tab alt+r alt+u ctrl+p F1 F3 Right Left)
window_of() {
  xdotool search --sync --onlyvisible --pid "$board" 2>/dev/null | head -n 1
}
random_action() {
  local x=$((RANDOM % 1900 + 10)) y=$((RANDOM % 1060 + 10))
  case $((RANDOM % 10)) in
    0 | 1 | 2 | 3) xdotool key --clearmodifiers "${keys[RANDOM % ${#keys[@]}]}" ;;
    4 | 5) xdotool mousemove "$x" "$y" mousedown 3 mousemove $((RANDOM % 1900 + 10)) $((RANDOM % 1060 + 10)) \
             sleep 0.2 mousemove_relative 1 1 mouseup 3 ;;
    6) xdotool mousemove "$x" "$y" click 1 ;;
    7) xdotool mousemove "$x" "$y" click --repeat 2 --delay 80 1 ;;
    8) xdotool key --clearmodifiers ctrl+f type "$((RANDOM % 12000))" ;;
    9) local w
       w="$(window_of)"
       [ -n "$w" ] && xdotool windowsize "$w" $((RANDOM % 1500 + 400)) $((RANDOM % 800 + 250)) ;;
  esac
  actions=$((actions + 1))
}

# The server stops answering now and then: every smbd process of the share is frozen for 0 to
# 4 s, every 2 to 8 s.
freeze_server() {
  while true; do
    sleep "$((RANDOM % 7 + 2))"
    local pids
    pids="$(pgrep -f "smbd .*-s $work/smb/smb.conf")"
    # shellcheck disable=SC2086
    kill -STOP $pids 2>/dev/null
    echo freeze >>"$work/freezes"
    sleep "$((RANDOM % 4)).$((RANDOM % 10))"
    # shellcheck disable=SC2086
    kill -CONT $pids 2>/dev/null
  done
}

echo "== $seconds s of random moves, keys, clicks and resizes"
if [ "$smb" = 1 ]; then
  freeze_server &
  freezer=$!
fi
end=$((SECONDS + seconds))
while [ "$SECONDS" -lt "$end" ]; do
  if [ -z "$board" ]; then
    start_board
    sleep 3
  fi
  if ! kill -0 "$board" 2>/dev/null; then
    wait "$board"
    status=$?
    # EXIT (a click on it, Alt+X) ends the board with 0; anything else is a fault.
    [ "$status" -ne 0 ] && report_fault "$status" "ended during random use"
    board=""
    continue
  fi
  random_action >/dev/null 2>&1
  random_sleep 300
done
if [ -n "$freezer" ]; then
  kill "$freezer" 2>/dev/null
  wait "$freezer" 2>/dev/null
  freezer=""
  pkill -CONT -f "smbd .*-s $work/smb/smb.conf" 2>/dev/null
fi
if [ -n "$board" ] && kill -0 "$board" 2>/dev/null; then
  kill -9 "$board" 2>/dev/null
  wait "$board" 2>/dev/null
fi
board=""

if compgen -G "$work/sanitizer*" >/dev/null; then
  echo "FAULT: sanitizer reports: $(ls "$work"/sanitizer*)" >&2
  faults=$((faults + 1))
fi
freezes=0
[ -e "$work/freezes" ] && freezes="$(wc -l <"$work/freezes")"
echo "soak: $starts starts, $kill_runs killed at random instants, $actions random actions, $freezes server freezes, $faults faults"
[ "$smb" = 1 ] && bash "$scripts/smb-testbed.sh" stop "$work/smb" >/dev/null 2>&1
[ "$faults" -eq 0 ] && rm -rf "$work"
[ "$faults" -eq 0 ]
