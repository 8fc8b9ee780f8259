#!/usr/bin/python3
# A real SMTP server for the mail client's tests, built on Debian's aiosmtpd.
# Listens on a free loopback port (or --port) and prints "port N" once it accepts
# connections. Every byte a client sends is appended to DIR/session-N.raw, and
# each accepted message goes to DIR/message-N.eml with DIR/envelope-N.txt
# (sender and recipients, one per line). Ends on SIGTERM.
import argparse
import asyncio
import itertools
import signal
import sys
from pathlib import Path

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

sessions = itertools.count(1)
messages = itertools.count(1)


class RecordingSMTP(SMTP):
    def __init__(self, *args, directory, close_after, **kwargs):
        super().__init__(*args, **kwargs)
        self._raw = directory / f"session-{next(sessions)}.raw"
        self._close_after = close_after

    def data_received(self, data):
        with open(self._raw, "ab") as raw:
            raw.write(data)
        if self._close_after and data.upper().startswith(self._close_after):
            self.transport.close()
            return
        super().data_received(data)


class Handler:
    def __init__(self, directory):
        self._directory = directory

    async def handle_DATA(self, server, session, envelope):
        number = next(messages)
        (self._directory / f"message-{number}.eml").write_bytes(envelope.original_content)
        lines = [envelope.mail_from] + list(envelope.rcpt_tos)
        (self._directory / f"envelope-{number}.txt").write_text("\n".join(lines) + "\n")
        return "250 OK"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True, type=Path)
    parser.add_argument("--auth", help="USER:PASSWORD that AUTH LOGIN accepts")
    parser.add_argument("--close-after", help="close the connection on this command")
    parser.add_argument("--port", type=int, default=0, help="listen on this port, not a free one")
    args = parser.parse_args()

    kwargs = {"decode_data": False, "hostname": "testserver"}
    if args.auth:
        user, password = args.auth.split(":", 1)

        def authenticate(server, session, envelope, mechanism, auth_data):
            ok = (isinstance(auth_data, LoginPassword)
                  and auth_data.login == user.encode()
                  and auth_data.password == password.encode())
            # Not "handled": aiosmtpd then answers a refusal with 535.
            return AuthResult(success=ok, handled=False)

        kwargs.update(authenticator=authenticate, auth_required=True,
                      auth_require_tls=False)
    close_after = args.close_after.encode().upper() if args.close_after else None

    loop = asyncio.new_event_loop()
    handler = Handler(args.dir)
    server = loop.run_until_complete(loop.create_server(
        lambda: RecordingSMTP(handler, directory=args.dir, close_after=close_after,
                              loop=loop, **kwargs),
        "127.0.0.1", args.port))
    loop.add_signal_handler(signal.SIGTERM, loop.stop)
    print(f"port {server.sockets[0].getsockname()[1]}", flush=True)
    loop.run_forever()
    server.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
