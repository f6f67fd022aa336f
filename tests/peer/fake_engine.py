#!/usr/bin/python3
"""Speaks the peer link on stdin/stdout in place of the stand-in engine. "fake/host": echo; hold
(answered "held" after release); ask {"method", "arguments"} (a host message on "fake/peer",
answered with the reply's bytes); notify (a "note" with id 0); warn TEXT (to stderr); exit N.
The desktop host channel logs each call to stderr and answers true, or for captureScreen a 4x3
frame (sequence 10 x generation, null for 0). Other channels: an empty response. A CONTROL
frame comes back as the event "control"."""

import itertools
import json
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))

from peer import codec, link  # noqa: E402
from peer.describe import describe  # noqa: E402
from peer.values import Int64  # noqa: E402

FAKE_JPEG = b"\xff\xd8\xff\xe0fake"
ok = codec.encode_success


def warn(line):
    sys.stderr.write(line)
    sys.stderr.flush()


def desktop(call):
    warn("desktop_host %s\n" % describe([call.method, call.arguments]))
    if call.method != "captureScreen":
        return ok(True)
    generation = int(call.arguments.get("generation", 0))
    return ok({"bytes": FAKE_JPEG, "width": 4, "height": 3,
               "sequence": Int64(10 * generation)} if generation > 0 else None)


def main():
    def send(kind, frame_id, name, body=b""):
        sys.stdout.buffer.write(link.encode_frame(link.Frame(kind, frame_id, name, body)))
        sys.stdout.buffer.flush()

    send(link.EVENT, 0, "engine_created", json.dumps({"arguments": sys.argv[1:]}).encode())
    warn("fake engine ready\r\n")
    parser, held, asked, ids = link.FrameParser(), None, {}, itertools.count(101)
    while True:
        data = os.read(0, 7)  # small reads: partial frames on this side too
        if not data:
            return 0
        for f in parser.feed(data):
            if f.kind == link.CONTROL:
                send(link.EVENT, 0, "control", json.dumps(
                    {"operation": f.name, "fields": json.loads(f.body)}).encode())
            elif f.kind == link.HOST_REPLY:
                send(link.RESPONSE, asked.pop(f.id), "fake/host", ok(f.body))
            elif f.name == "com.vel.halvo/desktop_host":
                send(link.RESPONSE, f.id, f.name, desktop(codec.decode_method_call(f.body).call))
            elif f.name != "fake/host":
                send(link.RESPONSE, f.id, f.name)
            else:
                call = codec.decode_method_call(f.body).call
                method, args = call.method, call.arguments
                if method == "echo":
                    send(link.RESPONSE, f.id, f.name, ok(args))
                elif method == "hold":
                    held = f.id
                elif method == "release":
                    send(link.RESPONSE, f.id, f.name, ok("released"))
                    send(link.RESPONSE, held, f.name, ok("held"))
                elif method == "ask":
                    asked[next(ids)] = f.id
                    send(link.HOST_MESSAGE, max(asked), "fake/peer",
                         codec.encode_method_call(args["method"], args["arguments"]))
                elif method == "notify":
                    send(link.HOST_MESSAGE, 0, "fake/peer", codec.encode_method_call("note", 1))
                    send(link.RESPONSE, f.id, f.name, ok(None))
                elif method == "warn":
                    warn(args + "\n")
                    send(link.RESPONSE, f.id, f.name, ok(None))
                elif method == "exit":
                    return int(args)


if __name__ == "__main__":
    sys.exit(main())
