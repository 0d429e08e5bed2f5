# Shared helpers of the test-server scripts: free loopback ports and waiting for a listener.
# Sourced, not run.

# Prints N distinct TCP ports that are free on 127.0.0.1 right now, one per line.
free_ports() {
  /usr/bin/python3 - "$1" <<'PY'
import socket, sys
held = []
for _ in range(int(sys.argv[1])):
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    held.append(s)
for s in held:
    print(s.getsockname()[1])
    s.close()
PY
}

# Waits up to SECONDS for something to accept connections on 127.0.0.1:PORT.
wait_port() {
  /usr/bin/python3 - "$1" "$2" <<'PY'
import socket, sys, time
port, deadline = int(sys.argv[1]), time.monotonic() + float(sys.argv[2])
while time.monotonic() < deadline:
    try:
        socket.create_connection(("127.0.0.1", port), 0.5).close()
        sys.exit(0)
    except OSError:
        time.sleep(0.1)
print("nothing listens on 127.0.0.1:%d after %ss" % (port, sys.argv[2]), file=sys.stderr)
sys.exit(1)
PY
}

# Starts a command in the background with its output in LOG and its process id in PIDFILE.
start_bg() {
  local pidfile=$1 log=$2
  shift 2
  "$@" >"$log" 2>&1 </dev/null &
  echo $! >"$pidfile"
}
