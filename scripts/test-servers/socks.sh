#!/usr/bin/env bash
# Starts Dante's SOCKS server (4 and 5) in the foreground (background job) on 127.0.0.1:PORT,
# relaying only to loopback addresses. METHOD is "none" or "username" (system accounts: the
# server checks the account's password, so it must run as root to read the shadow file).
#   socks.sh DIR NAME PORT METHOD
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
dir=$1 name=$2 port=$3 method=$4

if [ "$(id -u)" -eq 0 ]; then
  users=$'user.privileged: root\nuser.unprivileged: nobody'
else
  users=""
fi

cat >"$dir/$name.conf" <<CONF
logoutput: $dir/$name.log
internal: 127.0.0.1 port = $port
external: 127.0.0.1
clientmethod: none
socksmethod: $method
$users
client pass {
  from: 127.0.0.0/8 to: 0.0.0.0/0
}
socks pass {
  from: 127.0.0.0/8 to: 127.0.0.0/8
  command: connect
  protocol: tcp
}
socks block {
  from: 0.0.0.0/0 to: 0.0.0.0/0
}
CONF

start_bg "$dir/$name.pid" "$dir/$name.out" /usr/sbin/danted -f "$dir/$name.conf" -N 1 \
  -p "$dir/$name.danted.pid"
wait_port "$port" 15
