"""The peer link: framed messages between this driver and the stand-in engine.

Every frame, integers little-endian:

    u32 length of the rest | u8 kind | u32 id | u16 name length L | L bytes name (UTF-8) | body

The driver writes CALL, HOST_REPLY and CONTROL frames to the engine's standard input and reads
RESPONSE, HOST_MESSAGE and EVENT frames from its standard output.
"""

import struct
import threading
from dataclasses import dataclass

CALL, RESPONSE, HOST_MESSAGE, HOST_REPLY, EVENT, CONTROL = 1, 2, 3, 4, 5, 6
KIND_NAMES = {CALL: "CALL", RESPONSE: "RESPONSE", HOST_MESSAGE: "HOST_MESSAGE",
              HOST_REPLY: "HOST_REPLY", EVENT: "EVENT", CONTROL: "CONTROL"}

_HEAD = struct.Struct("<IBIH")  # length, kind, id, name length
_FIXED = _HEAD.size - 4  # bytes of the rest before the name

# Far above any real frame (a 4K capture is a few megabytes); a larger length means the stream
# is not speaking this protocol, and the reader stops instead of buffering it.
MAX_FRAME = 256 << 20


class FrameError(ValueError):
    """The stream does not hold a well-formed frame; the link cannot recover."""


class LinkClosed(ConnectionError):
    pass


@dataclass(frozen=True)
class Frame:
    kind: int
    id: int
    name: str
    body: bytes = b""

    def __repr__(self):
        body = self.body if len(self.body) <= 32 else self.body[:32] + b"..."
        return "Frame(%s, id=%d, %r, %d bytes %r)" % (
            KIND_NAMES.get(self.kind, self.kind), self.id, self.name, len(self.body), body)


def encode_frame(frame):
    # surrogateescape: a name received as bytes that are not UTF-8 goes back as those bytes.
    name = frame.name.encode("utf-8", "surrogateescape")
    if len(name) > 0xFFFF:
        raise ValueError("frame name longer than 65535 bytes")
    length = _FIXED + len(name) + len(frame.body)
    if length > 0xFFFFFFFF:
        raise ValueError("frame too large")
    return _HEAD.pack(length, frame.kind, frame.id, len(name)) + name + bytes(frame.body)


class FrameParser:
    """Cuts frames out of a byte stream that arrives in arbitrary pieces."""

    def __init__(self, max_frame=MAX_FRAME):
        self._buffer = bytearray()
        self._max_frame = max_frame

    def pending(self):
        """Bytes received that do not yet make a whole frame."""
        return len(self._buffer)

    def feed(self, data):
        """Adds bytes; returns the frames they complete. Raises FrameError on a bad frame."""
        self._buffer += data
        frames = []
        while len(self._buffer) >= 4:
            (length,) = struct.unpack_from("<I", self._buffer)
            if length < _FIXED:
                raise FrameError("frame length %d is shorter than its header" % length)
            if length > self._max_frame:
                raise FrameError("frame length %d exceeds the limit" % length)
            if len(self._buffer) < 4 + length:
                break
            _, kind, frame_id, name_length = _HEAD.unpack_from(self._buffer)
            if name_length > length - _FIXED:
                raise FrameError("name length %d runs past the frame" % name_length)
            start = _HEAD.size
            # A name that is not UTF-8 is kept as its bytes (surrogateescape) rather than
            # ending the link: the frame's id still says which call it answers.
            name = bytes(self._buffer[start:start + name_length]).decode("utf-8",
                                                                        "surrogateescape")
            body = bytes(self._buffer[start + name_length:4 + length])
            del self._buffer[:4 + length]
            frames.append(Frame(kind, frame_id, name, body))
        return frames


class Link:
    """Frames over a pair of byte streams, with a reader thread.

    read(n) returns up to n bytes (b"" at the end of the stream); write(data) writes all of it.
    on_frame(frame) is called on the reader thread for each frame in order; on_close(error) once
    when reading stops (error is None at a clean end of stream, else the exception).
    """

    def __init__(self, read, write, on_frame, on_close=None, flush=None, chunk=1 << 16):
        self._read = read
        self._write = write
        self._flush = flush
        self._on_frame = on_frame
        self._on_close = on_close
        self._chunk = chunk
        self._write_lock = threading.Lock()  # guards _write/_flush and _closed
        self._closed = False
        self._thread = threading.Thread(target=self._run, name="peer-link-reader", daemon=True)

    def start(self):
        self._thread.start()
        return self

    def send(self, frame):
        data = encode_frame(frame)
        with self._write_lock:
            if self._closed:
                raise LinkClosed("the link is closed")
            try:
                self._write(data)
                if self._flush:
                    self._flush()
            except (OSError, ValueError) as e:
                self._closed = True
                raise LinkClosed("writing to the engine failed: %s" % e) from e

    def close_writer(self):
        """Stops sending; the reader goes on until the other side ends the stream."""
        with self._write_lock:
            self._closed = True

    def join(self, timeout=None):
        self._thread.join(timeout)
        return not self._thread.is_alive()

    def _run(self):
        parser = FrameParser()
        error = None
        try:
            while True:
                data = self._read(self._chunk)
                if not data:
                    if parser.pending():
                        error = FrameError("stream ended inside a frame (%d bytes)"
                                           % parser.pending())
                    break
                for frame in parser.feed(data):
                    self._on_frame(frame)
        except Exception as e:  # the reader must always report how it ended
            error = e
        if self._on_close:
            self._on_close(error)
