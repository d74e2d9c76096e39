#!/usr/bin/python3
"""A pyftpdlib server on 127.0.0.1 (or --address, ::1) for the tests: binds an ephemeral port, writes the
port number to a file once it listens, and serves until it is terminated. With --tls-cert
it speaks explicit TLS (AUTH TLS) and refuses logins and data connections without it.
Besides the standard commands it answers XSHA256 and XMD5 (the hash of a file, in hex),
which some servers offer without naming them in FEAT."""
import argparse
import hashlib
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def add_hash_commands(handler):
    commands = dict(handler.proto_cmds)
    for verb, algorithm in (("XSHA256", "sha256"), ("XMD5", "md5")):
        commands[verb] = dict(perm="r", auth=True, arg=True,
                              help="Syntax: %s <SP> file-name" % verb)

        def command(self, path, algorithm=algorithm):
            if not self.fs.isfile(self.fs.realpath(path)):
                self.respond("550 %s is not retrievable." % self.fs.fs2ftp(path))
                return
            digest = hashlib.new(algorithm)
            with open(path, "rb") as f:
                for block in iter(lambda: f.read(1 << 20), b""):
                    digest.update(block)
            self.respond("250 %s" % digest.hexdigest())

        setattr(handler, "ftp_" + verb, command)
    handler.proto_cmds = commands


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
    add_hash_commands(handler)
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
