#!/usr/bin/env bash
# A private SMB file server for the tests: Samba's smbd on 127.0.0.1:445 with one guest share
# "tervalo" (DIR/export), mounted twice with the FUSE client smbnetfs, as two workstations with
# their own clients and caches:
#   DIR/mnt-a/127.0.0.1/tervalo   and   DIR/mnt-b/127.0.0.1/tervalo
# Everything (configuration, state, logs, pids) stays under DIR. Port 445 needs root.
#   smb-testbed.sh start DIR    stops what an earlier run left in DIR, then starts and checks both
#   smb-testbed.sh stop DIR     unmounts both and ends the server
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

fail() {
  echo "smb-testbed: $*" >&2
  for log in "$dir"/state/log/*; do
    [ -f "$log" ] || continue
    echo "--- $log" >&2
    tail -n 20 "$log" >&2
  done
  exit 1
}

unmount_all() {
  for m in "${mounts[@]}"; do
    if mountpoint -q "$dir/$m" 2>/dev/null || grep -q " $dir/$m " /proc/mounts; then
      fusermount3 -u "$dir/$m" 2>/dev/null || fusermount -u -z "$dir/$m" 2>/dev/null || umount -l "$dir/$m" || true
    fi
  done
  for m in "${mounts[@]}"; do
    local pidfile="$dir/state/smbnetfs-$m.pid"
    [ -f "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null || true
    rm -f "$pidfile"
  done
}

stop_server() {
  local pidfile="$dir/state/pid/smbd.pid"
  [ -f "$pidfile" ] || return 0
  local pid
  pid="$(cat "$pidfile")"
  # smbd's children (one per connection) end with their parent.
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
  pkill -9 -f -- "-s $dir/smb.conf" 2>/dev/null || true
  rm -f "$pidfile"
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
  log file = $dir/state/log/smbd.log
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

wait_for_port() {
  for _ in $(seq 100); do
    if (exec 3<>/dev/tcp/127.0.0.1/445) 2>/dev/null; then return 0; fi
    sleep 0.1
  done
  return 1
}

# Writes a file through the mount and reads it back through the server's folder.
check_mount() {
  local share="$dir/$1/127.0.0.1/tervalo"
  local probe="probe-$1-$$"
  for _ in $(seq 100); do
    if echo "$1" > "$share/$probe" 2>/dev/null && [ "$(cat "$dir/export/$probe" 2>/dev/null)" = "$1" ]; then
      rm -f "$share/$probe"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

start() {
  command -v smbd >/dev/null || fail "smbd is not installed (Debian package samba)"
  command -v smbnetfs >/dev/null || fail "smbnetfs is not installed (Debian package smbnetfs)"
  [ "$(id -u)" -eq 0 ] || fail "port 445 needs root"
  unmount_all
  stop_server
  rm -rf "$dir/state/log"
  write_server_config
  smbd -D -s "$dir/smb.conf" || fail "smbd did not start"
  wait_for_port || fail "smbd does not answer on 127.0.0.1:445"
  for m in "${mounts[@]}"; do
    write_client_config "$m"
    HOME="$dir/home-$m" smbnetfs "$dir/$m" \
      -o "config=$dir/home-$m/.smb/smbnetfs.conf,log_file=$dir/state/log/smbnetfs-$m.log" \
      || fail "smbnetfs did not mount $dir/$m"
    pgrep -n -f -- "smbnetfs $dir/$m " > "$dir/state/smbnetfs-$m.pid" || true
    check_mount "$m" || fail "the share cannot be written and read through $dir/$m"
  done
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
