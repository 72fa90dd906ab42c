#!/usr/bin/env python3
# Talks to a keeper as the window does, over the protocol written out anew.
# Usage: keeper_client.py "read apply:ZONE restore hold ..." COMMAND...
# Runs COMMAND (the keeper, or what runs it) on a new SOCK_SEQPACKET
# connection as its standard input, sends the requests in turn and prints the
# hello and each reply as "KIND STATUS", or "gone" once the keeper has hung
# up. apply:ZONE sends Asia/Tokyo's record, or without a zone a record of no
# zone; hold keeps the connection until standard input ends.
import socket
import struct
import subprocess
import sys

MAGIC, VERSION = 0x4B564C54, 1
KINDS = {"hello": 1, "read": 2, "apply": 3, "restore": 4}


def name(text):
    return text.encode("utf-16-le").ljust(64, b"\0")


def request(word):
    kind, _, zone = word.partition(":")
    message = struct.pack("<IHH", MAGIC, VERSION, KINDS[kind])
    if kind == "apply":
        bias = -540 if zone else -545
        no_date = bytes(16)
        message += struct.pack("<i64s16si64s16si", bias, name("JST"), no_date, 0, name("JST"),
                               no_date, 0)
        message += bytes([len(zone)]) + zone.encode()
    return message


def main():
    ours, theirs = socket.socketpair(socket.AF_UNIX, socket.SOCK_SEQPACKET)
    keeper = subprocess.Popen(sys.argv[2:], stdin=theirs)
    theirs.close()
    names = {number: kind for kind, number in KINDS.items()}
    for word in ["hello"] + sys.argv[1].split():
        if word == "hold":
            sys.stdin.read()
            continue
        try:
            if word != "hello":
                ours.send(request(word))
            reply = ours.recv(512)
        except OSError:  # the keeper has gone since the last reply
            reply = b""
        if not reply:
            print("gone")
            break
        _, _, kind, status = struct.unpack_from("<IHHI", reply)
        print(names.get(kind, kind), status, flush=True)
    ours.close()
    return keeper.wait()


sys.exit(main())
