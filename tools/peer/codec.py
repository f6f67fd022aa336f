"""The standard message codec: values, method calls and result envelopes.

Bytes match the host's codec exactly: tags, size encoding, padding measured from the start of
the message, map entries in key order. Decoding follows the host's reader on malformed input:
a read past the end yields zero (or unchanged) data and the diagnostic line the host would
print, collected in a list instead; unknown tags decode as null; a repeated map key keeps its
first value. See values.py for how Python values map onto the codec's alternatives.
"""

import struct
import sys
from dataclasses import dataclass, field
from typing import Any, List, Optional

from . import values as v
from .values import (Custom, Float32List, Float64, Float64List, Int32, Int32List, Int64,
                     Int64List, Map)

INVALID_READ = "Invalid read in StandardCodecByteStreamReader"
UNKNOWN_TYPE = "Unknown type in StandardCodecSerializer::ReadValueOfType: "
CUSTOM_TYPE = ("Unhandled custom type in StandardCodecSerializer::WriteValue. "
               "Custom types require codec extensions.")
CALL_NAME_NOT_STRING = "Invalid method call; method name is not a string."

# Tags written for each alternative (custom writes 0 and nothing after it).
_TAGS = {v.NULL: 0, v.INT32: 3, v.INT64: 4, v.FLOAT64: 6, v.STRING: 7, v.BYTES: 8,
         v.INT32_LIST: 9, v.INT64_LIST: 10, v.FLOAT64_LIST: 11, v.LIST: 12, v.MAP: 13,
         v.CUSTOM: 0, v.FLOAT32_LIST: 14}

# Typed-list tags: (list class, element size); the alignment equals the element size.
_TYPED_LISTS = {8: (bytes, 1), 9: (Int32List, 4), 10: (Int64List, 8), 11: (Float64List, 8),
                14: (Float32List, 4)}

TOO_DEEP = "Nesting limit of 256 exceeded in StandardCodecSerializer::ReadValueOfType"

# The host decoder's limits, applied the same way so that both decode every message alike. A
# container nested deeper than MAX_DEPTH decodes empty with the TOO_DEEP line. What one message
# makes up past its end (all the zero bytes of a string or typed list whose size runs past the
# end, one per value of each container entry read past the end) is held to MAX_OVERRUN; a size
# or count that would take more decodes empty (the first of a message with an INVALID_READ
# line), and a container stops
# reading entries past the end once the budget is spent.
MAX_DEPTH = 256
MAX_OVERRUN = 4096

# Each nesting level takes a few Python frames.
sys.setrecursionlimit(max(sys.getrecursionlimit(), 8 * MAX_DEPTH))


# ---------------------------------------------------------------------------------------------
# Writing


class Writer:
    """Appends encoded values to one message buffer; padding is relative to its start."""

    def __init__(self, diagnostics=None):
        self.buffer = bytearray()
        self.diagnostics = [] if diagnostics is None else diagnostics

    def write_byte(self, b):
        self.buffer.append(b)

    def write_bytes(self, data):
        self.buffer += data

    def write_alignment(self, alignment):
        m = len(self.buffer) % alignment
        if m:
            self.buffer += bytes(alignment - m)

    def write_size(self, n):
        if n < 254:
            self.write_byte(n)
        elif n <= 0xFFFF:
            self.write_byte(254)
            self.write_bytes(struct.pack("<H", n))
        else:
            self.write_byte(255)
            self.write_bytes(struct.pack("<I", n & 0xFFFFFFFF))

    def write_value(self, value):
        index = v.alternative(value)
        if index == v.BOOL:
            self.write_byte(1 if value else 2)
            return
        self.write_byte(_TAGS[index])
        if index == v.INT32:
            self.write_bytes(struct.pack("<i", int(value)))
        elif index == v.INT64:
            self.write_bytes(struct.pack("<q", int(value)))
        elif index == v.FLOAT64:
            self.write_alignment(8)
            self.write_bytes(struct.pack("<d", float(value)))
        elif index in (v.STRING, v.BYTES):
            data = v.encode_text(value) if index == v.STRING else bytes(value)
            self.write_size(len(data))
            self.write_bytes(data)
        elif index in (v.INT32_LIST, v.INT64_LIST, v.FLOAT64_LIST, v.FLOAT32_LIST):
            self.write_size(len(value))
            self.write_alignment(value._element_size)  # also for an empty list
            self.write_bytes(value.to_bytes())
        elif index == v.LIST:
            self.write_size(len(value))
            for element in value:
                self.write_value(element)
        elif index == v.MAP:
            entries = value if isinstance(value, Map) else Map(value)
            self.write_size(len(entries))
            for key, item in entries.items():
                self.write_value(key)
                self.write_value(item)
        elif index == v.CUSTOM:
            self.diagnostics.append(CUSTOM_TYPE)


def encode_value(value, diagnostics=None):
    """One value as a whole message."""
    writer = Writer(diagnostics)
    writer.write_value(value)
    return bytes(writer.buffer)


def encode_method_call(method, arguments=None):
    """The method name as a string, then the arguments (null when there are none)."""
    if not isinstance(method, str):
        raise TypeError("method name must be a str")
    writer = Writer()
    writer.write_value(method)
    writer.write_value(arguments)
    return bytes(writer.buffer)


def encode_success(value=None, diagnostics=None):
    writer = Writer(diagnostics)
    writer.write_byte(0)
    writer.write_value(value)
    return bytes(writer.buffer)


def encode_error(code, message="", details=None, diagnostics=None):
    """An error envelope; an empty (or None) message is written as null."""
    writer = Writer(diagnostics)
    writer.write_byte(1)
    writer.write_value(str(code))
    writer.write_value(message if message else None)
    writer.write_value(details)
    return bytes(writer.buffer)


# ---------------------------------------------------------------------------------------------
# Reading


class Reader:
    """Reads one message the way the host does, collecting diagnostics instead of printing."""

    def __init__(self, data, diagnostics=None):
        self.data = bytes(data)
        self.pos = 0
        self.made_up = 0  # bytes and entry values made up past the end, see MAX_OVERRUN
        self.refused = False
        self.diagnostics = [] if diagnostics is None else diagnostics

    def remaining(self):
        return max(0, len(self.data) - self.pos)

    def read_byte(self):
        if self.pos >= len(self.data):
            self.diagnostics.append(INVALID_READ)
            return 0
        b = self.data[self.pos]
        self.pos += 1
        return b

    def read_bytes(self, n):
        """n bytes, or None (position unchanged, diagnostic added) when fewer are left."""
        if self.pos + n > len(self.data):
            self.diagnostics.append(INVALID_READ)
            return None
        chunk = self.data[self.pos:self.pos + n]
        self.pos += n
        return chunk

    def read_alignment(self, alignment):
        m = self.pos % alignment
        if m:
            self.pos += alignment - m

    def _read_number(self, fmt, size):
        data = self.read_bytes(size)
        return struct.unpack(fmt, bytes(size) if data is None else data)[0]

    def read_size(self):
        b = self.read_byte()
        if b < 254:
            return b
        if b == 254:
            return self._read_number("<H", 2)
        return self._read_number("<I", 4)

    def budget_left(self):
        return max(0, MAX_OVERRUN - self.made_up)

    def _payload(self, nbytes):
        """nbytes of the message; past its end zeros made up whole from the budget, or None
        (one diagnostic line) when the budget cannot cover them."""
        if nbytes > self.remaining():
            if nbytes > self.budget_left():
                self._refuse()
                return None
            self.made_up += nbytes
        data = self.read_bytes(nbytes)
        return bytes(nbytes) if data is None else data

    def _refuse(self):
        """Only a message's first refused size or count is reported."""
        if not self.refused:
            self.refused = True
            self.diagnostics.append(INVALID_READ)

    def _may_read_entry(self, values):
        if self.remaining() != 0:
            return True
        if self.budget_left() < values:
            return False
        self.made_up += values
        return True

    def read_value(self, depth=0):
        return self.read_value_of_type(self.read_byte(), depth)

    def read_value_of_type(self, tag, depth=0):
        if tag > 14:
            self.diagnostics.append(UNKNOWN_TYPE + str(tag))
            return None
        if tag == 0:
            return None
        if tag in (1, 2):
            return tag == 1
        if tag == 3:
            return self._read_number("<i", 4)
        if tag == 4:
            return Int64(self._read_number("<q", 8))
        if tag == 6:
            self.read_alignment(8)
            return self._read_number("<d", 8)
        if tag in (5, 7):
            data = self._payload(self.read_size())
            return v.decode_text(b"" if data is None else data)
        if tag in _TYPED_LISTS:
            kind, size = _TYPED_LISTS[tag]
            n = self.read_size()
            if size > 1:
                self.read_alignment(size)
            data = self._payload(n * size)
            if data is None:
                data = b""
            return data if kind is bytes else kind.from_bytes(data)
        n = self.read_size()
        values = 1 if tag == 12 else 2
        empty = [] if tag == 12 else Map()
        if depth >= MAX_DEPTH:
            self.diagnostics.append(TOO_DEEP)
            return empty
        if n * values > self.remaining() + self.budget_left():
            self._refuse()
            return empty
        result = empty
        for _ in range(n):
            if not self._may_read_entry(values):
                break
            if tag == 12:
                result.append(self.read_value(depth + 1))
            else:
                key = self.read_value(depth + 1)
                item = self.read_value(depth + 1)
                result.setdefault(key, item)  # the first occurrence of a key wins
        return result


@dataclass
class Decoded:
    """A decoded value with the diagnostics the host would have printed."""

    value: Any
    diagnostics: List[str] = field(default_factory=list)
    end: int = 0  # position of the reader after the value


def decode_value(data):
    reader = Reader(data)
    value = reader.read_value()
    return Decoded(value, reader.diagnostics, reader.pos)


@dataclass
class MethodCall:
    method: str
    arguments: Any = None


@dataclass
class DecodedCall:
    call: Optional[MethodCall]  # None when the name is not a string
    diagnostics: List[str] = field(default_factory=list)


def decode_method_call(data):
    reader = Reader(data)
    name = reader.read_value()
    if not isinstance(name, str):
        reader.diagnostics.append(CALL_NAME_NOT_STRING)
        return DecodedCall(None, reader.diagnostics)
    arguments = reader.read_value()
    return DecodedCall(MethodCall(name, arguments), reader.diagnostics)


@dataclass
class Envelope:
    """A decoded result envelope.

    kind is "success" (value), "error" (code, message, details; message is None when it was
    written as null) or "invalid" when the host's decoder would return false.
    """

    kind: str
    value: Any = None
    code: Optional[str] = None
    message: Optional[str] = None
    details: Any = None
    diagnostics: List[str] = field(default_factory=list)


def decode_envelope(data):
    reader = Reader(data)
    first = reader.read_byte()
    if first == 0:
        return Envelope("success", value=reader.read_value(), diagnostics=reader.diagnostics)
    if first == 1:
        code = reader.read_value()
        message = reader.read_value()
        details = reader.read_value()
        if not isinstance(code, str) or not (message is None or isinstance(message, str)):
            return Envelope("invalid", diagnostics=reader.diagnostics)
        return Envelope("error", code=code, message=message, details=details,
                        diagnostics=reader.diagnostics)
    return Envelope("invalid", diagnostics=reader.diagnostics)


__all__ = [
    "Custom", "Decoded", "DecodedCall", "Envelope", "Float32List",
    "Float64", "Float64List", "Int32", "Int32List", "Int64", "Int64List", "Map", "MethodCall",
    "Reader", "Writer", "decode_envelope", "decode_method_call", "decode_value",
    "encode_error", "encode_method_call", "encode_success", "encode_value",
]
