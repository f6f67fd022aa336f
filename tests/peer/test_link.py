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


@pytest.mark.parametrize("frame, data", [
    # length, kind, id, name length, name, body: little-endian
    (Frame(link.CALL, 0x01020304, "ch", b"\xaa\xbb"), "0b000000" "01" "04030201" "0200" "6368aabb"),
    (Frame(link.EVENT, 0, "é", b""), "09000000" "05" "00000000" "0200" "c3a9"),
    (Frame(link.CONTROL, 1, "", b""), "07000000" "06" "01000000" "0000"),
    (Frame(link.RESPONSE, 2, "", b"\x00"), "08000000" "02" "02000000" "0000" "00"),
    (Frame(link.HOST_MESSAGE, 3, "", b""), "07000000" "03" "03000000" "0000"),
    (Frame(link.HOST_REPLY, 4, "", b""), "07000000" "04" "04000000" "0000"),
])
def test_frame_layout(frame, data):
    assert encode_frame(frame).hex() == data
    assert FrameParser().feed(bytes.fromhex(data)) == [frame]


def test_frames_split_anywhere_come_out_whole_and_in_order():
    data = b"".join(encode_frame(f) for f in FRAMES)
    parser, got = FrameParser(), []
    for b in data:
        got += parser.feed(bytes([b]))
    assert got == FRAMES and parser.pending() == 0
    assert parser.feed(data[:-5]) == FRAMES[:3] and parser.pending() > 0
    assert parser.feed(data[-5:]) == FRAMES[3:]


@pytest.mark.parametrize("data, message", [
    (struct.pack("<I", 6) + bytes(6), "shorter than its header"),
    (struct.pack("<IBIH", 8, 1, 1, 2) + b"a", "runs past the frame"),
    (struct.pack("<I", link.MAX_FRAME + 1), "exceeds the limit"),
])
def test_malformed_frames(data, message):
    with pytest.raises(FrameError, match=message):
        FrameParser().feed(data)


def test_a_name_that_is_not_utf8_keeps_its_bytes_and_the_link_up():
    data = struct.pack("<IBIH", 9, 2, 7, 2) + b"\xff\xfe"
    frames = FrameParser().feed(data + encode_frame(Frame(2, 8, "ok", b"")))
    assert [(f.id, f.name) for f in frames] == [(7, "\udcff\udcfe"), (8, "ok")]
    assert encode_frame(frames[0]) == data


@pytest.fixture
def pipes():
    """A Link reading 3 bytes at a time from one pipe and writing to another."""
    in_r, in_w = os.pipe()
    out_r, out_w = os.pipe()
    frames, closed = queue.Queue(), queue.Queue()

    def write(data):
        view = memoryview(data)
        while view:
            view = view[os.write(out_w, view):]

    p = Link(lambda n: os.read(in_r, n), write, frames.put, closed.put, chunk=3).start()
    p.frames, p.closed, p.feed, p.out_r = frames, closed, lambda d: os.write(in_w, d), out_r
    p.end = lambda: os.close(in_w)
    yield p
    if not p.join(0):
        p.end()
        p.join(5)
    for fd in (in_r, out_r, out_w):
        os.close(fd)


@pytest.mark.parametrize("data, frames, error", [
    (b"".join(encode_frame(f) for f in FRAMES), FRAMES, None),
    (encode_frame(FRAMES[1])[:-1], [], FrameError),  # the stream ends inside a frame
    (struct.pack("<I", 2) + b"xx", [], FrameError),
])
def test_the_reader_delivers_frames_then_how_the_stream_ended(pipes, data, frames, error):
    pipes.feed(data)
    assert [pipes.frames.get(timeout=5) for _ in frames] == frames
    pipes.end()
    ended = pipes.closed.get(timeout=5)
    assert ended is None if error is None else isinstance(ended, error)
    assert pipes.frames.empty()


def test_send_writes_whole_frames_from_several_threads(pipes):
    frames = [Frame(link.CALL, i, "c", bytes([i]) * 1000) for i in range(1, 21)]
    threads = [threading.Thread(target=pipes.send, args=(f,)) for f in frames]
    for t in threads:
        t.start()
    parser, got = FrameParser(), []
    while len(got) < len(frames):
        got += parser.feed(os.read(pipes.out_r, 1 << 16))
    for t in threads:
        t.join(5)
    assert sorted(got, key=lambda f: f.id) == frames
    pipes.close_writer()
    with pytest.raises(LinkClosed):
        pipes.send(Frame(link.CALL, 1, "c"))


def test_a_broken_pipe_becomes_link_closed_every_time():
    r, w = os.pipe()
    os.close(r)
    dead = Link(lambda n: b"", lambda data: os.write(w, data), lambda f: None)
    for frame_id in (1, 2):
        with pytest.raises(LinkClosed):
            dead.send(Frame(link.CALL, frame_id, "c"))
    os.close(w)
