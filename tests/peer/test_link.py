"""Framing of the peer link and its reader thread, over real pipes."""

import os
import queue
import struct
import threading

import pytest

from peer import link
from peer.link import Frame, FrameError, FrameParser, Link, LinkClosed, encode_frame

FRAMES = [Frame(link.RESPONSE, 1, "a/b", b""), Frame(link.EVENT, 0, "first_frame", b"{}"),
          Frame(link.HOST_MESSAGE, 7, "x", bytes(range(256)) * 300), Frame(99, 3, "n", b"b")]
STREAM = b"".join(encode_frame(f) for f in FRAMES)


@pytest.mark.parametrize("frame, data", [  # length, kind, id, name length, name, body
    (Frame(link.CALL, 0x01020304, "ch", b"\xaa\xbb"), "0b000000" "01" "04030201" "0200" "6368aabb"),
    (Frame(link.RESPONSE, 2, "é", b"\x00"), "0a000000" "02" "02000000" "0200" "c3a9" "00"),
    (Frame(link.CONTROL, 6, "", b""), "07000000" "06" "06000000" "0000"),
    (Frame(2, 7, "\udcff\udcfe", b""), "09000000" "02" "07000000" "0200" "fffe"),  # not UTF-8
])
def test_frame_layout(frame, data):
    assert encode_frame(frame).hex() == data
    assert FrameParser().feed(bytes.fromhex(data)) == [frame]


def test_frames_split_anywhere_come_out_whole_and_in_order():
    parser = FrameParser()
    assert [f for b in STREAM for f in parser.feed(bytes([b]))] == FRAMES
    assert parser.pending() == 0 and parser.feed(STREAM[:-5]) == FRAMES[:3]
    assert parser.pending() > 0 and parser.feed(STREAM[-5:]) == FRAMES[3:]


@pytest.mark.parametrize("data, message", [
    (struct.pack("<I", 6) + bytes(6), "shorter than its header"),
    (struct.pack("<IBIH", 8, 1, 1, 2) + b"a", "runs past the frame"),
    (struct.pack("<I", link.MAX_FRAME + 1), "exceeds the limit")])
def test_malformed_frames(data, message):
    pytest.raises(FrameError, FrameParser().feed, data).match(message)


@pytest.mark.parametrize("data, frames, error", [
    (STREAM, FRAMES, None), (STREAM[:-1], FRAMES[:3], FrameError)])  # ends inside a frame
def test_the_reader_delivers_frames_then_how_the_stream_ended(data, frames, error):
    (in_r, in_w), (out_r, out_w) = os.pipe(), os.pipe()
    got, closed = queue.Queue(), queue.Queue()
    reader = Link(lambda n: os.read(in_r, n), lambda d: os.write(out_w, d), got.put, closed.put,
                  chunk=3).start()
    os.write(in_w, data)
    os.close(in_w)
    assert [got.get(timeout=5) for _ in frames] == frames
    ended = closed.get(timeout=5)
    assert ended is None if error is None else isinstance(ended, error)
    # Whole frames from several threads at once, then none once the writer is closed.
    sent = [Frame(link.CALL, i, "c", bytes([i]) * 1000) for i in range(1, 21)]
    threads = [threading.Thread(target=reader.send, args=(f,)) for f in sent]
    [t.start() for t in threads]
    parser, received = FrameParser(), []
    while len(received) < len(sent):
        received += parser.feed(os.read(out_r, 1 << 16))
    [t.join(5) for t in threads]
    assert sorted(received, key=lambda f: f.id) == sent and got.empty()
    reader.close_writer()
    pytest.raises(LinkClosed, reader.send, sent[0])
    reader.join(5)
    [os.close(fd) for fd in (in_r, out_r, out_w)]


def test_a_broken_pipe_becomes_link_closed_every_time():
    r, w = os.pipe()
    os.close(r)
    dead = Link(lambda n: b"", lambda data: os.write(w, data), lambda f: None)
    [pytest.raises(LinkClosed, dead.send, Frame(link.CALL, i, "c")) for i in (1, 2)]
    os.close(w)
