#!/usr/bin/env bash
# Makes a throw-away certificate authority and a server certificate for localhost and
# 127.0.0.1 signed by it (P-256 keys: quick to make): DIR/ca.crt (trust this), DIR/server.crt, DIR/server.key.
set -euo pipefail
dir=$1
mkdir -p "$dir"
cd "$dir"
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj "/CN=Tenvel Test CA" \
  -keyout ca.key -out ca.crt 2>/dev/null
openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj "/CN=localhost" -keyout server.key -out server.csr \
  2>/dev/null
printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\nbasicConstraints=CA:FALSE\n' >server.ext
openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 \
  -extfile server.ext -out server.crt 2>/dev/null
chmod 0644 server.key server.crt ca.crt
