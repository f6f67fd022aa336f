"""Framing of the peer link and its reader thread, over real pipes."""

import os
import queue
import struct
import threading

import pytest

from peer import link
from peer.link import Frame, FrameError, FrameParser, Link, LinkClosed, encode_frame


class TestFrameLayout:
    def test_layout_is_length_kind_id_name_length_name_body_little_endian(self):
        data = encode_frame(Frame(link.CALL, 0x01020304, "ch", b"\xaa\xbb"))
        #                  length      kind id          L     name  body
        assert data.hex() == "0b000000" "01" "04030201" "0200" "6368" "aabb"

    def test_name_is_utf8_and_body_may_be_empty(self):
        data = encode_frame(Frame(link.EVENT, 0, "é", b""))
        assert data == struct.pack("<IBIH", 9, 5, 0, 2) + "é".encode()
        assert FrameParser().feed(data) == [Frame(link.EVENT, 0, "é", b"")]

    def test_kinds(self):
        assert (link.CALL, link.RESPONSE, link.HOST_MESSAGE, link.HOST_REPLY, link.EVENT,
                link.CONTROL) == (1, 2, 3, 4, 5, 6)


class TestParser:
    FRAMES = [Frame(link.RESPONSE, 1, "a/b", b""), Frame(link.EVENT, 0, "first_frame", b"{}"),
              Frame(link.HOST_MESSAGE, 7, "x", bytes(range(256)) * 300)]

    def stream(self):
        return b"".join(encode_frame(f) for f in self.FRAMES)

    def test_frames_split_at_every_byte_boundary(self):
        parser = FrameParser()
        got = []
        for b in self.stream():
            got += parser.feed(bytes([b]))
        assert got == self.FRAMES and parser.pending() == 0

    def test_several_frames_in_one_chunk_and_a_partial_tail(self):
        data = self.stream()
        parser = FrameParser()
        assert parser.feed(data[:-5]) == self.FRAMES[:2]
        assert parser.pending() > 0
        assert parser.feed(data[-5:]) == self.FRAMES[2:]

    @pytest.mark.parametrize("data, message", [
        (struct.pack("<I", 6) + bytes(6), "shorter than its header"),
        (struct.pack("<IBIH", 8, 1, 1, 2) + b"a", "runs past the frame"),
        (struct.pack("<I", link.MAX_FRAME + 1), "exceeds the limit"),
    ])
    def test_malformed_frames(self, data, message):
        with pytest.raises(FrameError, match=message):
            FrameParser().feed(data)

    def test_a_name_that_is_not_utf8_keeps_its_bytes_and_the_link_up(self):
        data = struct.pack("<IBIH", 9, 2, 7, 2) + b"\xff\xfe"
        frames = FrameParser().feed(data + encode_frame(Frame(2, 8, "ok", b"")))
        assert [(f.id, f.name) for f in frames] == [(7, "\udcff\udcfe"), (8, "ok")]
        assert encode_frame(frames[0]) == data

    def test_unknown_kinds_are_passed_on(self):
        frame = Frame(99, 3, "n", b"b")
        assert FrameParser().feed(encode_frame(frame)) == [frame]


class PipeLink:
    """A Link reading from one pipe and writing to another, with the ends for the test."""

    def __init__(self, chunk=1 << 16):
        self.in_r, self.in_w = os.pipe()
        self.out_r, self.out_w = os.pipe()
        self.frames = queue.Queue()
        self.closed = queue.Queue()
        self.link = Link(lambda n: os.read(self.in_r, n), self._write, self.frames.put,
                         self.closed.put, chunk=chunk).start()

    def _write(self, data):
        view = memoryview(data)
        while view:
            view = view[os.write(self.out_w, view):]

    def feed(self, data):
        os.write(self.in_w, data)

    def end(self):
        os.close(self.in_w)

    def close(self):
        for fd in (self.in_r, self.out_r, self.out_w):
            os.close(fd)


@pytest.fixture
def pipe_link():
    p = PipeLink(chunk=3)
    yield p
    if not p.link.join(0):
        p.end()
        p.link.join(5)
    p.close()


class TestLink:
    def test_frames_arrive_in_order_and_a_clean_end_reports_no_error(self, pipe_link):
        frames = [Frame(link.EVENT, 0, "e%d" % i, b"{}") for i in range(20)]
        pipe_link.feed(b"".join(encode_frame(f) for f in frames))
        assert [pipe_link.frames.get(timeout=5) for _ in frames] == frames
        pipe_link.end()
        assert pipe_link.closed.get(timeout=5) is None

    def test_send_writes_whole_frames_from_several_threads(self, pipe_link):
        frames = [Frame(link.CALL, i, "c", bytes([i]) * 1000) for i in range(1, 21)]
        threads = [threading.Thread(target=pipe_link.link.send, args=(f,)) for f in frames]
        for t in threads:
            t.start()
        parser = FrameParser()
        got = []
        while len(got) < len(frames):
            got += parser.feed(os.read(pipe_link.out_r, 1 << 16))
        for t in threads:
            t.join(5)
        assert sorted(got, key=lambda f: f.id) == frames

    def test_garbage_stops_the_reader_with_the_error(self, pipe_link):
        pipe_link.feed(struct.pack("<I", 2) + b"xx")
        error = pipe_link.closed.get(timeout=5)
        assert isinstance(error, FrameError)

    def test_end_of_stream_inside_a_frame_is_an_error(self, pipe_link):
        pipe_link.feed(encode_frame(Frame(link.EVENT, 0, "e", b"{}"))[:-1])
        pipe_link.end()
        assert isinstance(pipe_link.closed.get(timeout=5), FrameError)
        assert pipe_link.frames.empty()

    def test_send_after_close_raises(self, pipe_link):
        pipe_link.link.close_writer()
        with pytest.raises(LinkClosed):
            pipe_link.link.send(Frame(link.CALL, 1, "c"))

    def test_a_broken_pipe_becomes_link_closed(self):
        r, w = os.pipe()
        os.close(r)

        def write(data):
            os.write(w, data)

        dead = Link(lambda n: b"", write, lambda f: None)
        with pytest.raises(LinkClosed):
            dead.send(Frame(link.CALL, 1, "c"))
        with pytest.raises(LinkClosed):
            dead.send(Frame(link.CALL, 2, "c"))
        os.close(w)
