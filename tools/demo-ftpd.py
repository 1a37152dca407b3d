#!/usr/bin/python3
# A loopback FTP server for the demo and the client's tests: pyftpdlib with several users, each in a folder
# of its own, speaking code page 932 names as the client does (they are kept as UTF-8 names on disk).
#   demo-ftpd.py [--no-ascii] [--no-txt-upload] [--throttle BYTES] [--port-file FILE] PORT USER:PASSWORD:FOLDER
#                [...]
# --no-ascii refuses TYPE A, as servers set up for binary transfers only do; --no-txt-upload refuses to store
# files named "*.txt", as a server with such a filter does; --throttle limits transfers to BYTES a second.
# PORT 0 takes a free port; --port-file then tells which, in FILE, once the server listens.
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


class Cp932FS(AbstractedFS):
    """Listing lines in code page 932."""

    def format_list(self, *args, **kwargs):
        for line in super().format_list(*args, **kwargs):
            yield line.decode("utf8", "replace").encode("cp932", "replace")


class Cp932Handler(FTPHandler):
    """Commands and replies in code page 932, the client's names."""

    encoding = "cp932"
    abstracted_fs = Cp932FS
    refuse_ascii = False
    refuse_txt_upload = False

    def decode(self, data):
        return data.decode("cp932", self.unicode_errors)

    def ftp_TYPE(self, line):
        if self.refuse_ascii and line.strip().upper().startswith("A"):
            self.respond("504 Only binary transfers here.")
            return
        super().ftp_TYPE(line)

    def ftp_STOR(self, file, mode="w"):
        if self.refuse_txt_upload and file.endswith(".txt"):
            self.respond("550 Text files are not stored here.")
            return
        super().ftp_STOR(file, mode)


def main(argv):
    handler = Cp932Handler
    handler.refuse_ascii = "--no-ascii" in argv
    handler.refuse_txt_upload = "--no-txt-upload" in argv
    argv = [a for a in argv if a not in ("--no-ascii", "--no-txt-upload")]
    throttle = int(take_value(argv, "--throttle") or 0)
    port_file = take_value(argv, "--port-file")
    if len(argv) < 3:
        sys.stderr.write(
            "usage: demo-ftpd.py [--no-ascii] [--no-txt-upload] [--throttle BYTES] [--port-file FILE] PORT"
            " USER:PASSWORD:FOLDER ...\n"
        )
        return 2
    authorizer = DummyAuthorizer()
    for user_entry in argv[2:]:
        user, password, folder = user_entry.split(":", 2)
        authorizer.add_user(user, password, folder, perm="elradfmwMT")
    handler.authorizer = authorizer
    if throttle:
        ThrottledDTPHandler.read_limit = throttle
        ThrottledDTPHandler.write_limit = throttle
        handler.dtp_handler = ThrottledDTPHandler
    server = FTPServer(("127.0.0.1", int(argv[1])), handler)
    if port_file:
        write_whole(port_file, "%d\n" % server.socket.getsockname()[1])
    server.serve_forever()
    return 0


def take_value(argv, option):
    """The value after option, both taken out of argv; None when option is not there."""
    if option not in argv:
        return None
    at = argv.index(option)
    if at + 1 == len(argv):
        raise SystemExit("demo-ftpd.py: %s needs a value" % option)
    value = argv[at + 1]
    del argv[at : at + 2]
    return value


def write_whole(path, text):
    """Whoever waits for the file never reads it half-written."""
    with open(path + ".part", "w") as f:
        f.write(text)
    os.replace(path + ".part", path)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
