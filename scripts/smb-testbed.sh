#!/usr/bin/env bash
# A private SMB file server for the tests: Samba's smbd on 127.0.0.1:445 with one guest share
# "tervalo" (DIR/export), mounted twice with the FUSE client smbnetfs, as two workstations with
# their own clients and caches:
#   DIR/mnt-a/127.0.0.1/tervalo   and   DIR/mnt-b/127.0.0.1/tervalo
# Everything (configuration, state, logs, pids) stays under DIR. Port 445 needs root.
#   smb-testbed.sh start DIR    stops what an earlier run left in DIR, then starts and checks both
#   smb-testbed.sh stop DIR     unmounts both and ends the server and the clients
# Every process is ended by the pid this script recorded for it, never by its name.
set -euo pipefail

usage() {
  echo "usage: smb-testbed.sh start|stop DIR" >&2
  exit 2
}
[ $# -eq 2 ] || usage
action="$1"
mkdir -p "$2"
dir="$(cd "$2" && pwd)"
mounts=(mnt-a mnt-b)
logs="$dir/state/log"

# Set while starting: a start that fails leaves nothing running.
undo_on_failure=0

fail() {
  echo "smb-testbed: $*" >&2
  for log in "$logs"/*; do
    [ -s "$log" ] || continue
    echo "--- last lines of $log" >&2
    tail -n 20 "$log" >&2
  done
  if [ "$undo_on_failure" -eq 1 ]; then
    undo_on_failure=0
    unmount_all || true
    stop_server || true
  fi
  exit 1
}

# A process that has ended but whose parent has not collected it yet (a zombie) counts as gone.
alive() {
  kill -0 "$1" 2>/dev/null || return 1
  local state
  state="$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

any_alive() {
  local pid
  for pid in "$@"; do
    if alive "$pid"; then return 0; fi
  done
  return 1
}

# Ends the given pids: SIGTERM, up to five seconds to go, then SIGKILL for what is left.
end_pids() {
  [ $# -gt 0 ] || return 0
  kill "$@" 2>/dev/null || true
  for _ in $(seq 50); do
    any_alive "$@" || return 0
    sleep 0.1
  done
  kill -9 "$@" 2>/dev/null || true
  for _ in $(seq 20); do
    any_alive "$@" || return 0
    sleep 0.1
  done
  return 1
}

# A pid file's pid with the children it has now (smbd runs a process per connection and a few
# helpers; smbnetfs one per server it talks to), when that pid is still the program `name`: a
# pid file left by an earlier boot may name another program's process by now.
family() {
  local pidfile="$1" name="$2"
  [ -f "$pidfile" ] || return 0
  local pid
  pid="$(cat "$pidfile")"
  [ -n "$pid" ] && alive "$pid" || return 0
  [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$name" ] || return 0
  echo "$pid"
  pgrep -P "$pid" || true
}

mounted() {
  grep -q " $1 fuse" /proc/mounts
}

unmount_all() {
  local m
  for m in "${mounts[@]}"; do
    if mounted "$dir/$m"; then
      fusermount3 -u "$dir/$m" 2>/dev/null || fusermount -u -z "$dir/$m" 2>/dev/null \
        || umount -l "$dir/$m" 2>/dev/null || true
    fi
  done
  for m in "${mounts[@]}"; do
    local pidfile="$dir/state/smbnetfs-$m.pid"
    # shellcheck disable=SC2046
    end_pids $(family "$pidfile" smbnetfs) || echo "smb-testbed: smbnetfs of $m did not end" >&2
    rm -f "$pidfile"
    ! mounted "$dir/$m" || fail "$dir/$m is still mounted"
  done
}

stop_server() {
  local pidfile="$dir/state/pid/smbd.pid"
  # shellcheck disable=SC2046
  end_pids $(family "$pidfile" smbd) || fail "smbd did not end"
  rm -f "$pidfile"
}

port_open() {
  (exec 3<>/dev/tcp/127.0.0.1/445) 2>/dev/null
}

write_server_config() {
  mkdir -p "$dir"/state/{lock,state,cache,private,pid,ncalrpc,log} "$dir/export"
  cat > "$dir/smb.conf" <<EOF
[global]
  workgroup = TESTGROUP
  netbios name = TERVALOTEST
  server role = standalone server
  interfaces = 127.0.0.1
  bind interfaces only = yes
  smb ports = 445
  disable netbios = yes
  map to guest = Bad User
  guest account = root
  lock directory = $dir/state/lock
  state directory = $dir/state/state
  cache directory = $dir/state/cache
  private dir = $dir/state/private
  pid directory = $dir/state/pid
  ncalrpc dir = $dir/state/ncalrpc
  log file = $logs/smbd.log
  max log size = 1000
  load printers = no
  printing = bsd
  printcap name = /dev/null
  disable spoolss = yes
  server min protocol = SMB2
[tervalo]
  path = $dir/export
  guest ok = yes
  guest only = yes
  read only = no
  force user = root
EOF
}

# A workstation's client: its own HOME with smbnetfs' configuration (mode 600, or smbnetfs
# ignores the credentials).
write_client_config() {
  local home="$dir/home-$1"
  mkdir -p "$home/.smb" "$dir/$1"
  cat > "$home/.smb/smb.conf" <<EOF
[global]
  workgroup = TESTGROUP
  client min protocol = SMB2
  name resolve order = host
EOF
  cat > "$home/.smb/smbnetfs.conf" <<EOF
auth "guest" ""
smb_query_browsers "false"
show_hidden_hosts "true"
host 127.0.0.1 visible=true
EOF
  chmod 600 "$home/.smb/smb.conf" "$home/.smb/smbnetfs.conf"
}

# Runs smbnetfs in the foreground as a process of its own session, so its pid is known exactly
# and it outlives this script.
mount_client() {
  local m="$1"
  local pidfile="$dir/state/smbnetfs-$m.pid"
  HOME="$dir/home-$m" setsid smbnetfs "$dir/$m" -f \
    -o "config=$dir/home-$m/.smb/smbnetfs.conf,log_file=$logs/smbnetfs-$m.log" \
    </dev/null >>"$logs/smbnetfs-$m.out" 2>&1 &
  echo $! > "$pidfile"
  for _ in $(seq 100); do
    mounted "$dir/$m" && return 0
    alive "$(cat "$pidfile")" || fail "smbnetfs ended without mounting $dir/$m"
    sleep 0.1
  done
  fail "smbnetfs did not mount $dir/$m within 10 seconds"
}

# Writes a probe file through mount `from` and reads it back through mount `to`, until both work
# (the share of a fresh mount answers after its first connection).
check_share() {
  local from="$dir/$1/127.0.0.1/tervalo" to="$dir/$2/127.0.0.1/tervalo"
  local probe="probe-$1-$$"
  for _ in $(seq 100); do
    if echo "$1" > "$from/$probe" 2>/dev/null && [ "$(cat "$to/$probe" 2>/dev/null)" = "$1" ] \
        && [ "$(cat "$dir/export/$probe" 2>/dev/null)" = "$1" ]; then
      rm -f "$from/$probe"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

start() {
  command -v smbd >/dev/null || fail "smbd is not installed (Debian package samba)"
  command -v smbnetfs >/dev/null || fail "smbnetfs is not installed (Debian package smbnetfs)"
  command -v fusermount3 >/dev/null || command -v fusermount >/dev/null \
    || fail "fusermount is not installed (Debian package fuse3)"
  [ -e /dev/fuse ] || fail "/dev/fuse is missing: this machine cannot mount FUSE file systems"
  [ "$(id -u)" -eq 0 ] || fail "port 445 needs root"
  undo_on_failure=1
  unmount_all
  stop_server
  if port_open; then
    fail "another program already listens on 127.0.0.1:445: $(ss -ltnpH 'sport = :445' 2>/dev/null | tr -s ' ')"
  fi
  # What an earlier run left on the share (a test stopped before removing its folder) goes.
  rm -rf "$logs" "$dir/export"
  write_server_config
  smbd -D -s "$dir/smb.conf" || fail "smbd did not start"
  for _ in $(seq 100); do
    port_open && break
    sleep 0.1
  done
  port_open || fail "smbd does not answer on 127.0.0.1:445"
  for m in "${mounts[@]}"; do
    write_client_config "$m"
    mount_client "$m"
  done
  check_share mnt-a mnt-b || fail "a file written through mnt-a cannot be read through mnt-b"
  check_share mnt-b mnt-a || fail "a file written through mnt-b cannot be read through mnt-a"
  undo_on_failure=0
  echo "SMB share ready: $dir/mnt-a/127.0.0.1/tervalo and $dir/mnt-b/127.0.0.1/tervalo"
}

stop() {
  unmount_all
  stop_server
  echo "SMB share stopped"
}

case "$action" in
  start) start ;;
  stop) stop ;;
  *) usage ;;
esac
