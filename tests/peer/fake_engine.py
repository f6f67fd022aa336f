#!/usr/bin/python3
"""A stand-in for the stand-in engine: speaks the peer link on stdin/stdout, for session tests.

Channel "fake/host" methods:
  echo          success(arguments)
  hold          no response until the next "release", which is answered first
  release       success("released"), then the held call gets success("held")
  ask           sends HOST_MESSAGE (fresh id) on "fake/peer" with the call in arguments
                ({"method": str, "arguments": any}); answers success(the reply bytes)
  notify        sends HOST_MESSAGE id 0 on "fake/peer" (method "note"), answers success(null)
  warn          writes arguments (a string) as a stderr line, answers success(null)
  exit          exits with code arguments (an int) without answering
Channel "com.vel.halvo/desktop_host": every call is written to stderr as "desktop_host " and
the canonical description of [method, arguments]; "captureScreen" with a generation above 0
answers a 4x3 frame (sequence 10 x generation, bytes FAKE_JPEG), with another generation null;
every other method answers success(true).
Any other channel gets an empty RESPONSE. A CONTROL frame comes back as the EVENT "control"
{"operation": name, "fields": object}.
"""

import json
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))

from peer import codec, link  # noqa: E402
from peer.describe import describe  # noqa: E402
from peer.values import Int64  # noqa: E402

DESKTOP = "com.vel.halvo/desktop_host"
FAKE_JPEG = b"\xff\xd8\xff\xe0fake"


def desktop_reply(call):
    sys.stderr.write("desktop_host %s\n" % describe([call.method, call.arguments]))
    sys.stderr.flush()
    if call.method != "captureScreen":
        return codec.encode_success(True)
    generation = int(call.arguments.get("generation", 0))
    if generation <= 0:
        return codec.encode_success(None)
    return codec.encode_success({"bytes": FAKE_JPEG, "width": 4, "height": 3,
                                 "sequence": Int64(10 * generation)})


def main():
    out = sys.stdout.buffer

    def send(kind, frame_id, name, body=b""):
        out.write(link.encode_frame(link.Frame(kind, frame_id, name, body)))
        out.flush()

    def event(name, data):
        send(link.EVENT, 0, name, json.dumps(data).encode())

    event("engine_created", {"arguments": sys.argv[1:]})
    sys.stderr.write("fake engine ready\r\n")
    sys.stderr.flush()
    parser = link.FrameParser()
    held = None
    asked = {}  # host message id -> call id waiting for the reply
    next_id = 100
    while True:
        data = os.read(0, 7)  # small reads exercise partial frames on this side too
        if not data:
            return 0
        for frame in parser.feed(data):
            if frame.kind == link.CONTROL:
                event("control", {"operation": frame.name, "fields": json.loads(frame.body)})
                continue
            if frame.kind == link.HOST_REPLY:
                call_id = asked.pop(frame.id)
                send(link.RESPONSE, call_id, "fake/host", codec.encode_success(frame.body))
                continue
            if frame.name == DESKTOP:
                call = codec.decode_method_call(frame.body).call
                send(link.RESPONSE, frame.id, frame.name, desktop_reply(call))
                continue
            if frame.name != "fake/host":
                send(link.RESPONSE, frame.id, frame.name)
                continue
            call = codec.decode_method_call(frame.body).call
            method, args = call.method, call.arguments
            if method == "echo":
                send(link.RESPONSE, frame.id, frame.name, codec.encode_success(args))
            elif method == "hold":
                held = frame.id
            elif method == "release":
                send(link.RESPONSE, frame.id, frame.name, codec.encode_success("released"))
                send(link.RESPONSE, held, frame.name, codec.encode_success("held"))
            elif method == "ask":
                next_id += 1
                asked[next_id] = frame.id
                body = codec.encode_method_call(args["method"], args["arguments"])
                send(link.HOST_MESSAGE, next_id, "fake/peer", body)
            elif method == "notify":
                send(link.HOST_MESSAGE, 0, "fake/peer", codec.encode_method_call("note", 1))
                send(link.RESPONSE, frame.id, frame.name, codec.encode_success(None))
            elif method == "warn":
                sys.stderr.write(args + "\n")
                sys.stderr.flush()
                send(link.RESPONSE, frame.id, frame.name, codec.encode_success(None))
            elif method == "exit":
                return int(args)


if __name__ == "__main__":
    sys.exit(main())
