#!/usr/bin/env bash
# Starts the mail servers the integration tests and benchmarks talk to, on 127.0.0.1 only,
# with all their state in a fresh temporary folder:
#   Dovecot POP3 (plain with STLS, and implicit TLS, APOP offered), an SMTP server with AUTH
#   (plain, implicit TLS, and STARTTLS required before AUTH), Dante SOCKS without authentication and, when run as root, with
#   user/password authentication.
# The TLS certificates come from a certificate authority made for this run.
# Writes KEY=VALUE lines to STATE_FILE (ports, folders, users); stop.sh STATE_FILE ends it all.
#   start.sh STATE_FILE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
state=$(realpath -m "$1")

[ -f "$state" ] && "$here/stop.sh" "$state"
mkdir -p "$(dirname "$state")"

dir=$(mktemp -d /tmp/tenvel-servers.XXXXXX)
chmod 0755 "$dir"
# Until the state file is complete, a failure stops whatever already runs.
trap '"$here/stop.sh" "$state.partial" >/dev/null 2>&1 || true' ERR
echo "TV_DIR=$dir" >"$state.partial"

pop_password=Pop-Secret-7
smtp_user=sender smtp_password=Smtp-Secret-9
socks_user=tvsocks socks_password=Socks-Pass-3
users=()
for i in $(seq -w 1 40); do users+=("box$i"); done

read -r -a ports <<<"$(free_ports 7 | tr '\n' ' ')"
"$here/make-ca.sh" "$dir/ca"

# Each pid file is named before its server starts, so a failed start still stops it.
echo "TV_PID_DOVECOT=$dir/dovecot/dovecot.pid" >>"$state.partial"
"$here/dovecot.sh" "$dir/dovecot" "${ports[0]}" "${ports[1]}" "$dir/ca" "$pop_password" \
  "${users[@]}"

echo "TV_PID_SMTP=$dir/smtp.pid" >>"$state.partial"
start_bg "$dir/smtp.pid" "$dir/smtp.log" /usr/bin/python3 "$here/smtp_server.py" \
  --port "${ports[2]}" --tls-port "${ports[3]}" --cert "$dir/ca/server.crt" \
  --key "$dir/ca/server.key" --spool "$dir/spool" --user "$smtp_user" \
  --password "$smtp_password" --starttls-port "${ports[6]}" --auth-log "$dir/smtp-auth.log"
wait_port "${ports[2]}" 15
wait_port "${ports[3]}" 15
wait_port "${ports[6]}" 15

mkdir -p "$dir/socks"
echo "TV_PID_SOCKS=$dir/socks/plain.pid" >>"$state.partial"
"$here/socks.sh" "$dir/socks" plain "${ports[4]}" none

# SOCKS 5 with user/password checks a system account, so it needs root; an account of that
# name that these scripts did not make is left alone, and so is the port.
socks_auth_port=0
marker="tenvel test servers"
if [ "$(id -u)" -eq 0 ]; then
  id "$socks_user" >/dev/null 2>&1 ||
    useradd -M -r -s /usr/sbin/nologin -c "$marker" "$socks_user"
fi
if [ "$(id -u)" -eq 0 ] && [ "$(getent passwd "$socks_user" | cut -d: -f5)" = "$marker" ]; then
  # stop.sh removes the account when no other run of these servers still needs it.
  echo "TV_CREATED_USER=$socks_user" >>"$state.partial"
  echo "$socks_user:$socks_password" | chpasswd
  echo "TV_PID_SOCKS_AUTH=$dir/socks/auth.pid" >>"$state.partial"
  "$here/socks.sh" "$dir/socks" auth "${ports[5]}" username
  socks_auth_port=${ports[5]}
fi

cat >>"$state.partial" <<STATE
TV_CA_FILE=$dir/ca/ca.crt
TV_POP3_PORT=${ports[0]}
TV_POP3S_PORT=${ports[1]}
TV_POP3_PASSWORD=$pop_password
TV_POP3_USERS=$(IFS=,; echo "${users[*]}")
TV_MAIL_ROOT=$dir/dovecot/mail
TV_SMTP_PORT=${ports[2]}
TV_SMTPS_PORT=${ports[3]}
TV_SMTP_STARTTLS_PORT=${ports[6]}
TV_SMTP_AUTH_LOG=$dir/smtp-auth.log
TV_SMTP_USER=$smtp_user
TV_SMTP_PASSWORD=$smtp_password
TV_SMTP_SPOOL=$dir/spool
TV_SOCKS_PORT=${ports[4]}
TV_SOCKS_AUTH_PORT=$socks_auth_port
TV_SOCKS_USER=$socks_user
TV_SOCKS_PASSWORD=$socks_password
STATE
mv "$state.partial" "$state"
trap - ERR
echo "test servers running, state in $state"
