#!/usr/bin/python3
"""A pyftpdlib server on 127.0.0.1 (or --address, ::1) for the tests: binds an ephemeral port, writes the
port number to a file once it listens, and serves until it is terminated. With --tls-cert
it speaks explicit TLS (AUTH TLS) and refuses logins and data connections without it."""
import argparse
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--address", default="127.0.0.1", choices=["127.0.0.1", "::1"])
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--user")
    parser.add_argument("--password", default="")
    parser.add_argument("--anonymous", action="store_true")
    parser.add_argument("--tls-cert", help="certificate and key, PEM, in one file")
    parser.add_argument("--without-epsv", action="store_true",
                        help="neither offer nor understand EPSV, as older servers")
    args = parser.parse_args()

    authorizer = DummyAuthorizer()
    if args.user:
        authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    if args.anonymous:
        authorizer.add_anonymous(args.root, perm="elradfmwMT")

    if args.tls_cert:
        from pyftpdlib.handlers import TLS_FTPHandler

        handler = TLS_FTPHandler
        handler.certfile = args.tls_cert
        handler.tls_control_required = True
        handler.tls_data_required = True
    else:
        handler = FTPHandler
    handler.authorizer = authorizer
    if args.without_epsv:
        handler.proto_cmds = {k: v for k, v in handler.proto_cmds.items() if k != "EPSV"}
    handler.banner = "pyftpdlib ready."
    logging.basicConfig(stream=sys.stderr, level=logging.INFO)

    server = FTPServer((args.address, 0), handler)
    port = server.socket.getsockname()[1]
    temp = args.port_file + ".tmp"
    with open(temp, "w") as f:
        f.write(str(port))
    os.rename(temp, args.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
