#!/usr/bin/env python3
# Talks to a keeper as the window does, over the protocol written out anew.
# Usage: keeper_client.py "read set:ZONE restore hold ..." COMMAND...
# Runs COMMAND (the keeper, or what runs it) on a new SOCK_SEQPACKET
# connection as its standard input, sends the requests in turn and prints the
# hello and each reply as "KIND STATUS", or "gone" once the keeper has hung
# up. set:ZONE sends Asia/Tokyo's record, or without a zone a record of no
# zone; restore sends the record the last read answered; hold keeps the
# connection until standard input ends; kill ends the keeper with SIGKILL;
# flood sends sets:Asia/Tokyo, refused during a preview, without taking a
# reply until the keeper's replies fill the connection, then holds it until
# standard input ends.
import select
import socket
import struct
import subprocess
import sys

MAGIC, VERSION = 0x4B564C54, 2
KINDS = {"hello": 1, "read": 2, "set": 3}
HEADER = struct.Struct("<IHH")


def name(text):
    return text.encode("utf-16-le").ljust(64, b"\0")


def tokyo(zone):
    bias = -540 if zone else -545
    no_date = bytes(16)
    return struct.pack("<i64s16si64s16si", bias, name("JST"), no_date, 0, name("JST"), no_date, 0)


def set_request(record, zone=""):
    return HEADER.pack(MAGIC, VERSION, KINDS["set"]) + record + bytes([len(zone)]) + zone.encode()


def main():
    ours, theirs = socket.socketpair(socket.AF_UNIX, socket.SOCK_SEQPACKET)
    keeper = subprocess.Popen(sys.argv[2:], stdin=theirs)
    theirs.close()
    names = {number: kind for kind, number in KINDS.items()}
    read_record = None
    for word in ["hello"] + sys.argv[1].split():
        kind, _, zone = word.partition(":")
        if kind == "hold":
            sys.stdin.read()
            continue
        if kind == "kill":
            keeper.kill()
            keeper.wait()
            continue
        try:
            if kind == "flood":
                # Until the keeper, waiting to send, has taken no request for a second.
                ours.setblocking(False)
                while True:
                    try:
                        ours.send(set_request(tokyo("Asia/Tokyo"), "Asia/Tokyo"))
                    except BlockingIOError:
                        if not select.select([], [ours], [], 1.0)[1]:
                            raise
            if kind == "read":
                ours.send(HEADER.pack(MAGIC, VERSION, KINDS["read"]))
            if kind == "set":
                ours.send(set_request(tokyo(zone), zone))
            if kind == "restore":
                ours.send(set_request(read_record))
            reply = ours.recv(512)
        except BlockingIOError:  # flooded: the keeper no longer takes requests
            ours.setblocking(True)
            sys.stdin.read()
            break
        except OSError:  # the keeper has gone since the last reply
            reply = b""
        if not reply:
            print("gone", flush=True)
            break
        _, _, number, status = struct.unpack_from("<IHHI", reply)
        if kind == "read" and status == 0:
            read_record = reply[HEADER.size + 8 :]
        print(names.get(number, number), status, flush=True)
    ours.close()
    return keeper.wait()


sys.exit(main())
