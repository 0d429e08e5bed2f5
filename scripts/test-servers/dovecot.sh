#!/usr/bin/env bash
# Starts Dovecot's POP3 server in the foreground (background job) with all its state in DIR:
# a plain listener on PORT and an implicit-TLS listener on TLS_PORT, both on 127.0.0.1;
# users from a passwd file with plain passwords (so APOP works); Maildir mailboxes under
# DIR/mail/USER/Maildir, made here for each user so the tests only drop files into them.
#   dovecot.sh DIR PORT TLS_PORT CERT_DIR PASSWORD USER...
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
dir=$1 port=$2 tls_port=$3 certs=$4 password=$5
shift 5

mkdir -p "$dir/run" "$dir/state" "$dir/mail"
# Root runs the mail processes as the dovecot user (Dovecot refuses uid 0 for mail access);
# anyone else runs everything as themselves.
if [ "$(id -u)" -eq 0 ]; then
  internal=dovecot login=dovenull mail_user=dovecot
else
  internal=$(id -un) login=$(id -un) mail_user=$(id -un)
fi
uid=$(id -u "$mail_user")
gid=$(id -g "$mail_user")

: >"$dir/passwd"
for user in "$@"; do
  echo "$user:{PLAIN}$password::::::" >>"$dir/passwd"
  mkdir -p "$dir/mail/$user/Maildir/"{new,cur,tmp}
done
chown -R "$uid:$gid" "$dir/mail"

cat >"$dir/dovecot.conf" <<CONF
base_dir = $dir/run
state_dir = $dir/state
log_path = $dir/dovecot.log
protocols = pop3
listen = 127.0.0.1
default_internal_user = $internal
default_internal_group = $(id -gn "$internal")
default_login_user = $login
first_valid_uid = $uid
last_valid_uid = 0
ssl = yes
ssl_cert = <$certs/server.crt
ssl_key = <$certs/server.key
ssl_min_protocol = TLSv1.2
disable_plaintext_auth = no
auth_mechanisms = plain login apop
auth_failure_delay = 0
auth_verbose = yes
passdb {
  driver = passwd-file
  args = scheme=PLAIN $dir/passwd
}
userdb {
  driver = static
  args = uid=$uid gid=$gid home=$dir/mail/%u
}
mail_location = maildir:~/Maildir
mail_max_userip_connections = 50
pop3_uidl_format = %08Xu%08Xv
# No chroot for the helper processes: a user other than root may not chroot. No growing delay
# for an address after refused logins: the refusal tests would slow every later login down.
service anvil {
  chroot =
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
service pop3-login {
  chroot =
  inet_listener pop3 {
    address = 127.0.0.1
    port = $port
  }
  inet_listener pop3s {
    address = 127.0.0.1
    port = $tls_port
    ssl = yes
  }
}
service stats {
  unix_listener stats-reader {
    mode = 0600
  }
  unix_listener stats-writer {
    mode = 0666
  }
}
CONF

start_bg "$dir/dovecot.pid" "$dir/dovecot.out" /usr/sbin/dovecot -F -c "$dir/dovecot.conf"
wait_port "$port" 15 && wait_port "$tls_port" 15
