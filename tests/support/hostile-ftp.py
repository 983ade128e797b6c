#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# An FTP server on 127.0.0.1 that misbehaves in one chosen way, for the tests
# of the engine's FTP channel. It takes any login, and prints the same ready
# line as the real server the tests use.
#   --names ADDRESS    the "227" reply names this address instead of 127.0.0.1
#   --read N           an upload's data connection is closed after N bytes,
#                      and the transfer reported aborted
#   --refuse-data      the "227" reply names a port where nothing listens
#   --bad-pasv         the "227" reply holds no address at all
import argparse
import socket

parser = argparse.ArgumentParser()
parser.add_argument("--port", type=int, required=True)
parser.add_argument("--names", default="127.0.0.1")
parser.add_argument("--read", type=int, default=-1)
parser.add_argument("--refuse-data", action="store_true")
parser.add_argument("--bad-pasv", action="store_true")
args = parser.parse_args()

REPLIES = {b"USER": b"331 Any password.", b"PASS": b"230 Welcome.", b"TYPE": b"200 Binary.",
           b"QUIT": b"221 Bye."}


def passive_reply(port):
    if args.bad_pasv:
        return b"227 Entering Passive Mode (nowhere)."
    h = args.names.replace(".", ",").encode()
    return b"227 Entering Passive Mode (%s,%d,%d)." % (h, port // 256, port % 256)


def receive_upload(listener):
    data, _ = listener.accept()
    data.settimeout(30)
    got = 0
    while args.read < 0 or got < args.read:
        piece = data.recv(65536 if args.read < 0 else min(65536, args.read - got))
        if not piece:
            break
        got += len(piece)
    # Closing with bytes unread resets the connection, as a server does that gives up.
    data.close()
    return args.read < 0


def serve(control):
    control.settimeout(30)
    reply = lambda text: control.sendall(text + b"\r\n")
    lines = control.makefile("rb")
    listener = None
    reply(b"220 Ready.")
    for line in lines:
        word = line.split(b" ")[0].strip().upper()
        if word == b"PASV":
            listener = socket.create_server(("127.0.0.1", 0))
            port = listener.getsockname()[1]
            if args.refuse_data:
                listener.close()
            reply(passive_reply(port))
        elif word == b"STOR" and listener:
            reply(b"150 Send the data.")
            whole = receive_upload(listener)
            reply(b"226 Transfer complete." if whole else b"426 Connection closed; transfer aborted.")
        else:
            reply(REPLIES.get(word, b"502 Not here."))
            if word == b"QUIT":
                return


server = socket.create_server(("127.0.0.1", args.port))
print(">>> starting FTP server on 127.0.0.1:%d" % args.port, flush=True)
while True:
    connection, _ = server.accept()
    with connection:
        try:
            serve(connection)
        except OSError:
            pass
