#!/usr/bin/python3
"""Loopback FTP server for tests (pyftpdlib; run with /usr/bin/python3).

    ftp_server.py --address 127.0.0.N --root DIR [--mode MODE] [--folders a/b,c]
                  [--pid-file FILE] [--lifetime SECONDS] [--port 21]

Anonymous login with write rights to DIR (created when missing). The command returns
once the server listens; the server itself runs on in the background (its process id in
--pid-file) until it is killed or --lifetime seconds have passed, whichever comes first.

Modes:
  normal   the folders of --folders are created below DIR
  missing  --folders is ignored: DIR stays empty, so every remote folder is missing
  refuse   every login is refused (530)
  down     nothing listens on the address; the command returns at once
  drop     the data connection of an upload is reset after 64 KiB, and the control
           connection with it
  stall    an upload's data stops being read after 64 KiB; both connections stay open
  slow     uploads are read at 80 kB/s through a small receive buffer (a slow live link)
  truncate an upload is confirmed (226) but only its first half is kept
"""
import argparse
import os
import signal
import socket
import struct
import sys

DROP_AFTER = 64 * 1024
SLOW_BYTES_PER_SECOND = 80 * 1000


def parse_args():
    parser = argparse.ArgumentParser()
    parser.add_argument("--address", required=True)
    parser.add_argument("--port", type=int, default=21)
    parser.add_argument("--root", required=True)
    parser.add_argument("--mode", default="normal", choices=["normal", "missing", "refuse", "down", "drop", "stall", "slow", "truncate"])
    parser.add_argument("--folders", default="")
    parser.add_argument("--pid-file", default="")
    parser.add_argument("--lifetime", type=int, default=120)
    return parser.parse_args()


def make_handler(mode, root):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler

    authorizer = DummyAuthorizer()
    if mode != "refuse":
        authorizer.add_anonymous(root, perm="elradfmwMT")

    class DroppingDTPHandler(DTPHandler):
        def handle_read(self):
            DTPHandler.handle_read(self)
            if self.tot_bytes_received >= DROP_AFTER and self.socket is not None:
                control = self.cmd_channel
                for channel in (self, control):
                    try:
                        # a reset, not an orderly close: the client sees the transfer break
                        channel.socket.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                    except (OSError, AttributeError):
                        pass
                control.close()

        handle_read_event = handle_read  # the base class calls this alias

    class StallingDTPHandler(DTPHandler):
        def handle_read(self):
            DTPHandler.handle_read(self)
            if self.tot_bytes_received >= DROP_AFTER and not self._closed:
                # Read no more but keep the socket: the client's sends fill up and block.
                self.ioloop.unregister(self._fileno)

        handle_read_event = handle_read

    class SlowDTPHandler(ThrottledDTPHandler):
        read_limit = SLOW_BYTES_PER_SECOND

        def __init__(self, sock, cmd_channel):
            # A small window, as on a slow line: the client cannot park the file in buffers.
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 32 * 1024)
            ThrottledDTPHandler.__init__(self, sock, cmd_channel)

    class Handler(FTPHandler):
        def on_file_received(self, file):
            if mode == "truncate":
                with open(file, "r+b") as f:
                    f.truncate(os.path.getsize(file) // 2)

    Handler.authorizer = authorizer
    Handler.auth_failed_timeout = 0.05  # answer a refused login at once
    Handler.permit_foreign_addresses = False
    Handler.dtp_handler = {"drop": DroppingDTPHandler, "stall": StallingDTPHandler,
                           "slow": SlowDTPHandler}.get(mode, DTPHandler)
    return Handler


def main():
    args = parse_args()
    root = os.path.abspath(args.root)
    os.makedirs(root, exist_ok=True)
    if args.mode != "missing":
        for folder in filter(None, (f.strip() for f in args.folders.split(","))):
            os.makedirs(os.path.join(root, folder), exist_ok=True)
    if args.pid_file and os.path.exists(args.pid_file):
        os.remove(args.pid_file)
    if args.mode == "down":
        return 0

    # Listen before returning, so the caller may connect as soon as this command ends.
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind((args.address, args.port))
    listener.listen(16)

    pid = os.fork()
    if pid:
        if args.pid_file:
            with open(args.pid_file + ".tmp", "w") as f:
                f.write("%d\n" % pid)
            os.rename(args.pid_file + ".tmp", args.pid_file)
        os._exit(0)

    os.setsid()
    devnull = os.open(os.devnull, os.O_RDWR)
    for fd in (0, 1, 2):
        os.dup2(devnull, fd)
    signal.signal(signal.SIGALRM, signal.SIG_DFL)
    signal.alarm(max(1, args.lifetime))  # never outlives its tests

    from pyftpdlib.servers import FTPServer

    server = FTPServer(listener, make_handler(args.mode, root))
    server.serve_forever()
    return 0


if __name__ == "__main__":
    sys.exit(main())
