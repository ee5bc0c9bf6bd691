"""A real mail server for the alert tests and benchmarks (aiosmtpd), on 127.0.0.1 and a
free port, which it prints as its first line of output.

It asks for STARTTLS before anything else (with the local services'
certificate) and for a login over TLS; with --no-tls it offers neither
STARTTLS nor TLS at all, but still takes a login in the clear, as a
careless server would. Each message it takes is written to the spool folder
as N.json: the envelope, whether the session was under TLS and logged in,
the raw message, and its headers and body as Python's mail parser reads
them (RFC 2047 words decoded). Every login attempt is recorded in
auth.log.
"""

import argparse
import asyncio
import email
import email.policy
import json
import logging
import os
import ssl
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert-dir", required=True)
    parser.add_argument("--spool", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--no-tls", action="store_true")
    args = parser.parse_args()
    # The careless server of --no-tls is meant; its warnings are not news.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.CRITICAL)

    def authenticate(server, session, envelope, mechanism, auth_data):
        with open(os.path.join(args.spool, "auth.log"), "a") as log:
            log.write(mechanism + "\n")
        ok = (isinstance(auth_data, LoginPassword) and auth_data.login == args.user.encode()
              and auth_data.password == args.password.encode())
        return AuthResult(success=ok, handled=False)

    class Spool:
        count = 0

        async def handle_DATA(self, server, session, envelope):
            Spool.count += 1
            raw = envelope.original_content
            message = email.message_from_bytes(raw, policy=email.policy.default)
            record = {
                "mail_from": envelope.mail_from,
                "rcpt_tos": envelope.rcpt_tos,
                "tls": session.ssl is not None,
                "authenticated": bool(session.authenticated),
                "raw": raw.decode("ascii", "replace"),
                "headers": {name: str(value) for name, value in message.items()},
                "content_type": message.get_content_type(),
                "charset": message.get_content_charset(),
                "body": message.get_content(),
                "defects": [str(defect) for defect in message.defects],
            }
            path = os.path.join(args.spool, "%d.json" % Spool.count)
            with open(path + ".part", "w") as out:
                json.dump(record, out, ensure_ascii=False)
            os.rename(path + ".part", path)
            return "250 Message accepted"

    context = None
    if not args.no_tls:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(os.path.join(args.cert_dir, "server.pem"), os.path.join(args.cert_dir, "server.key"))

    def new_session():
        return SMTP(Spool(), hostname="mail.quilbex.test", tls_context=context, require_starttls=not args.no_tls,
                    auth_required=True, auth_require_tls=not args.no_tls, authenticator=authenticate)

    loop = asyncio.new_event_loop()
    server = loop.run_until_complete(loop.create_server(new_session, "127.0.0.1", 0))
    print(server.sockets[0].getsockname()[1], flush=True)
    loop.run_forever()


if __name__ == "__main__":
    main()
