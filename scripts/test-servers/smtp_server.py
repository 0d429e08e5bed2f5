#!/usr/bin/python3
"""SMTP test server on 127.0.0.1: AUTH LOGIN/PLAIN on a plain port, an implicit-TLS port and a
port that requires STARTTLS before anything else (AUTH is offered there only after it).

Every accepted message is written, byte for byte as the client sent it after the dot-stuffing
is undone, to SPOOL/<first recipient>/<n>.eml with the envelope beside it in <n>.json, before
the 250 reply goes out, so a client that saw 250 finds the file. Recipients whose local part
begins with "reject" are refused with 550, to give clients a server error to report.

Every AUTH attempt that reaches the authenticator is appended to AUTH_LOG as one line
"port=<port> login=<user name>", so that a test can tell that no credentials arrived.

  smtp_server.py --port P --tls-port P2 --starttls-port P3 --cert C --key K --spool DIR
                 --user U --password W --auth-log AUTH_LOG
"""
import argparse
import asyncio
import itertools
import json
import os
import re
import signal
import ssl
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

MAX_MESSAGE = 64 * 1024 * 1024  # room for the 25 MB tests
MAX_LINE = 1024 * 1024  # lets clients show that long lines are sent whole


class SpoolHandler:
    def __init__(self, spool):
        self.spool = spool
        self.counter = itertools.count(1)

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower().startswith("reject"):
            return "550 5.1.1 <%s>: Recipient address rejected" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        folder = os.path.join(self.spool, safe_name(envelope.rcpt_tos[0]))
        os.makedirs(folder, exist_ok=True)
        base = os.path.join(folder, "%06d" % next(self.counter))
        auth = session.auth_data
        meta = {"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos,
                "login": auth.login.decode() if isinstance(auth, LoginPassword) else None}
        write_atomically(base + ".json", json.dumps(meta).encode())
        write_atomically(base + ".eml", envelope.original_content)
        return "250 OK message accepted"


def safe_name(address):
    return re.sub(r"[^A-Za-z0-9@._-]", "_", address) or "_"


def write_atomically(path, data):
    with open(path + ".part", "wb") as out:
        out.write(data)
    os.replace(path + ".part", path)


def make_authenticator(user, password, auth_log):
    def authenticate(server, session, envelope, mechanism, auth_data):
        login = auth_data.login if isinstance(auth_data, LoginPassword) else b""
        sockname = server.transport.get_extra_info("sockname") if server.transport else None
        port = sockname[1] if sockname else 0
        with open(auth_log, "a") as log:
            log.write("port=%d login=%s\n" % (port, login.decode(errors="replace")))
        ok = (isinstance(auth_data, LoginPassword) and auth_data.login == user.encode()
              and auth_data.password == password.encode())
        return AuthResult(success=ok, handled=False)
    return authenticate


async def serve(args):
    handler = SpoolHandler(args.spool)
    authenticator = make_authenticator(args.user, args.password, args.auth_log)
    tls = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    tls.load_cert_chain(args.cert, args.key)

    def factory():
        return SMTP(handler, hostname="localhost", authenticator=authenticator,
                    auth_required=True, auth_require_tls=False, decode_data=False,
                    data_size_limit=MAX_MESSAGE)

    def starttls_factory():
        # STARTTLS first; AUTH only over TLS, as submission servers on port 587 do.
        return SMTP(handler, hostname="localhost", authenticator=authenticator,
                    auth_required=True, auth_require_tls=True, decode_data=False,
                    data_size_limit=MAX_MESSAGE, tls_context=tls, require_starttls=True)

    loop = asyncio.get_running_loop()
    plain = await loop.create_server(factory, "127.0.0.1", args.port)
    secure = await loop.create_server(factory, "127.0.0.1", args.tls_port, ssl=tls)
    upgraded = await loop.create_server(starttls_factory, "127.0.0.1", args.starttls_port)
    stop = asyncio.Event()
    for sig in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(sig, stop.set)
    await stop.wait()
    plain.close()
    secure.close()
    upgraded.close()


def main():
    parser = argparse.ArgumentParser()
    for name in ("--cert", "--key", "--spool", "--user", "--password", "--auth-log"):
        parser.add_argument(name, required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--tls-port", type=int, required=True)
    parser.add_argument("--starttls-port", type=int, required=True)
    args = parser.parse_args()
    SMTP.line_length_limit = MAX_LINE
    # AUTH without TLS on the plain port is what the clients under test need to reach.
    warnings.simplefilter("ignore")
    os.makedirs(args.spool, exist_ok=True)
    asyncio.run(serve(args))


if __name__ == "__main__":
    main()
