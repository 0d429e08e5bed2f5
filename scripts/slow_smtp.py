#!/usr/bin/python3
"""A slow SMTP sink on 127.0.0.1 for the screenshots: it takes any AUTH, then reads the message
text at about RATE bytes a second, so the sending page can be seen mid-transfer. It keeps
nothing.

  slow_smtp.py PORT [RATE]
"""
import socket
import sys
import threading
import time


def serve(conn, rate):
    f = conn.makefile("rb")

    def say(line):
        conn.sendall(line.encode() + b"\r\n")

    say("220 slow.example ESMTP")
    while True:
        line = f.readline()
        if not line:
            return
        verb = line.split(b" ", 1)[0].strip().upper()
        if verb in (b"EHLO", b"HELO"):
            conn.sendall(b"250-slow.example\r\n250-AUTH LOGIN PLAIN\r\n250 8BITMIME\r\n")
        elif verb == b"AUTH":
            if b"LOGIN" in line.upper() and len(line.split()) == 2:
                say("334 VXNlcm5hbWU6")
                f.readline()
                say("334 UGFzc3dvcmQ6")
                f.readline()
            say("235 2.7.0 Authentication successful")
        elif verb == b"DATA":
            say("354 End data with <CR><LF>.<CR><LF>")
            while True:
                chunk = f.readline()
                if not chunk or chunk == b".\r\n":
                    break
                time.sleep(len(chunk) / rate)
            say("250 OK")
        elif verb == b"QUIT":
            say("221 Bye")
            return
        else:
            say("250 OK")


def main():
    port = int(sys.argv[1])
    rate = float(sys.argv[2]) if len(sys.argv) > 2 else 40000.0
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", port))
    server.listen(4)
    while True:
        conn, _ = server.accept()
        threading.Thread(target=serve, args=(conn, rate), daemon=True).start()


if __name__ == "__main__":
    main()
