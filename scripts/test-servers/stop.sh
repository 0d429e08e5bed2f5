#!/usr/bin/env bash
# Stops the servers that start.sh started for STATE_FILE, removes their temporary folder, the
# SOCKS account when start.sh created it, and the state file. Safe to run more than once.
#   stop.sh STATE_FILE
set -uo pipefail
state=$1
[ -f "$state" ] || exit 0

value() { sed -n "s/^$1=//p" "$state" | tail -n 1; }

any_alive() {
  local pid
  for pid in "$@"; do
    # A zombie has finished; only its parent can still reap it.
    case "$(ps -o stat= -p "$pid" 2>/dev/null)" in
      "" | Z*) ;;
      *) return 0 ;;
    esac
  done
  return 1
}

# True when process PID runs with DIR in its command line, i.e. is one of start.sh's servers
# and not an unrelated process that got the id of a server that is long gone.
ours() {
  local pid=$1 dir=$2
  [ -n "$pid" ] && [ -r "/proc/$pid/cmdline" ] && tr '\0' ' ' <"/proc/$pid/cmdline" | grep -qF "$dir/"
}

# Ends the processes whose ids are in the given pid files (below DIR): TERM to all, then KILL
# to those still running after 5 seconds.
stop_pidfiles() {
  local dir=$1 pids=() pidfile pid i
  shift
  for pidfile in "$@"; do
    [ -n "$pidfile" ] && [ -f "$pidfile" ] || continue
    pid=$(cat "$pidfile")
    ours "$pid" "$dir" && pids+=("$pid")
  done
  [ ${#pids[@]} -eq 0 ] && return 0
  kill -TERM "${pids[@]}" 2>/dev/null
  for ((i = 0; i < 50; i++)); do
    any_alive "${pids[@]}" || return 0
    sleep 0.1
  done
  kill -KILL "${pids[@]}" 2>/dev/null
  return 0
}

dir=$(value TV_DIR)
stop_pidfiles "$dir" "$(value TV_PID_DOVECOT)" "$(value TV_PID_SMTP)" "$(value TV_PID_SOCKS)" \
  "$(value TV_PID_SOCKS_AUTH)"
# The SOCKS account goes when no other run's authenticating SOCKS server is left.
created=$(value TV_CREATED_USER)
if [ -n "$created" ] && [ "$(getent passwd "$created" | cut -d: -f5)" = "tenvel test servers" ] &&
  ! pgrep -f 'tenvel-servers\..*/socks/auth\.conf' >/dev/null; then
  userdel "$created" 2>/dev/null
fi
case "$dir" in
  /tmp/tenvel-servers.*) rm -rf "$dir" ;;
esac
rm -f "$state"
exit 0
