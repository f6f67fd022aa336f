"""A one-line text form of codec values, exact about alternatives and bits.

describe() prints the canonical form, shared with the C++ tests through the golden vectors:

    null | true | false | i32:<decimal> | i64:<decimal> | f64:<16 hex digits of the bits>
    str:"<bytes>"      printable ASCII as itself except " and \\; every other byte as \\xNN
    bytes:<hex>        i32s:[1,2]   i64s:[..]   f64s:[<16 hex>,..]   f32s:[<8 hex>,..]
    list:[<d>,..]      map:{<key d>=<value d>,..}   (in the map's key order)

Hex digits are lowercase and there are no spaces anywhere.

parse() reads that form and a friendlier superset, for people typing values:

    5, -3           int: int32 when it fits, else int64
    1.5, 1e3, nan   double (also inf, -inf)
    f64:1.5         a double written as a number; exactly 16 hex digits mean the bits
    "text"          a string; escapes \\" \\\\ \\n \\r \\t \\xNN (a raw byte) \\uNNNN
    str:"text"      the same
    bytes:00ff      byte list; spaces are not allowed inside the hex
    i32s:[1, 2]     typed lists; f64s/f32s elements are numbers, or bits when written with
                    exactly 16 (f64s) or 8 (f32s) hex digits
    [a, b]          list (also list:[...])
    {k: v, k2=v2}   map, ':' or '=' between key and value (also map:{...})

Whitespace may appear between tokens.
"""

import struct

from . import values as v
from .values import Float32List, Float64List, Int32List, Int64List, Int64, Map

_PRINTABLE = frozenset(range(0x20, 0x7F)) - {ord('"'), ord("\\")}


def _f64_bits(x):
    return "%016x" % struct.unpack("<Q", struct.pack("<d", x))[0]


def _quote(data):
    out = []
    for b in data:
        out.append(chr(b) if b in _PRINTABLE else "\\x%02x" % b)
    return '"' + "".join(out) + '"'


def describe(value):
    """The canonical description of a value."""
    index = v.alternative(value)
    if index == v.NULL:
        return "null"
    if index == v.BOOL:
        return "true" if value else "false"
    if index == v.INT32:
        return "i32:%d" % int(value)
    if index == v.INT64:
        return "i64:%d" % int(value)
    if index == v.FLOAT64:
        return "f64:" + _f64_bits(float(value))
    if index == v.STRING:
        return "str:" + _quote(v.encode_text(value))
    if index == v.BYTES:
        return "bytes:" + bytes(value).hex()
    if index in (v.INT32_LIST, v.INT64_LIST):
        prefix = "i32s" if index == v.INT32_LIST else "i64s"
        return prefix + ":[" + ",".join(str(x) for x in value) + "]"
    if index in (v.FLOAT64_LIST, v.FLOAT32_LIST):
        size = value._element_size
        raw = value.to_bytes()
        words = [raw[i:i + size][::-1].hex() for i in range(0, len(raw), size)]
        return ("f64s" if size == 8 else "f32s") + ":[" + ",".join(words) + "]"
    if index == v.LIST:
        return "list:[" + ",".join(describe(x) for x in value) + "]"
    if index == v.MAP:
        entries = value if isinstance(value, Map) else Map(value)
        return "map:{" + ",".join(describe(k) + "=" + describe(x)
                                  for k, x in entries.items()) + "}"
    raise ValueError("a custom value has no description")


class ParseError(ValueError):
    pass


_HEX = frozenset("0123456789abcdefABCDEF")
_DELIMITERS = frozenset(",]}:=[{ \t\r\n\"")


class _Parser:
    def __init__(self, text):
        self.text = text
        self.pos = 0

    def fail(self, what):
        raise ParseError("%s at column %d of %r" % (what, self.pos + 1, self.text))

    def skip_space(self):
        while self.pos < len(self.text) and self.text[self.pos] in " \t\r\n":
            self.pos += 1

    def peek(self):
        self.skip_space()
        return self.text[self.pos] if self.pos < len(self.text) else ""

    def expect(self, ch):
        if self.peek() != ch:
            self.fail("expected %r" % ch)
        self.pos += 1

    def word(self):
        """The next run of characters up to a delimiter (a number, keyword or hex)."""
        self.skip_space()
        start = self.pos
        while self.pos < len(self.text) and self.text[self.pos] not in _DELIMITERS:
            self.pos += 1
        return self.text[start:self.pos]

    def value(self):
        ch = self.peek()
        if ch == '"':
            return self.string()
        if ch == "[":
            return self.sequence("[", "]", self.value)
        if ch == "{":
            return self.map_body()
        start = self.pos
        token = self.word()
        if self.pos < len(self.text) and self.text[self.pos] == ":" and token in _PREFIXES:
            self.pos += 1
            return _PREFIXES[token](self)
        if not token:
            self.fail("expected a value")
        if token in ("null", "true", "false"):
            return {"null": None, "true": True, "false": False}[token]
        self.pos = start
        return self.number()

    def number(self):
        token = self.word()
        try:
            n = _int_literal(token)
        except ValueError:
            try:
                return float(token)
            except ValueError:
                self.fail("not a value: %r" % token)
        if not v.INT64_MIN <= n <= v.INT64_MAX:
            self.fail("integer does not fit in 64 bits: %r" % token)
        return n

    def integer(self, low, high):
        token = self.word()
        try:
            n = _int_literal(token)
        except ValueError:
            self.fail("not an integer: %r" % token)
        if not low <= n <= high:
            self.fail("integer out of range: %r" % token)
        return n

    def float_or_bits(self, digits):
        token = self.word()
        if len(token) == digits and all(c in _HEX for c in token):
            bits = int(token, 16)
            if digits == 16:
                return struct.unpack("<d", struct.pack("<Q", bits))[0]
            return struct.unpack("<f", struct.pack("<I", bits))[0]
        try:
            return float(token)
        except ValueError:
            self.fail("not a number: %r" % token)

    def string(self):
        self.expect('"')
        out = bytearray()
        text = self.text
        while True:
            if self.pos >= len(text):
                self.fail("unterminated string")
            ch = text[self.pos]
            self.pos += 1
            if ch == '"':
                return v.decode_text(out)
            if ch != "\\":
                out += v.encode_text(ch)
                continue
            esc = text[self.pos:self.pos + 1]
            self.pos += 1
            if esc in ('"', "\\"):
                out += esc.encode()
            elif esc in ("n", "r", "t"):
                out += {"n": b"\n", "r": b"\r", "t": b"\t"}[esc]
            elif esc in ("x", "u"):
                width = 2 if esc == "x" else 4
                digits = text[self.pos:self.pos + width]
                if len(digits) != width or not all(c in _HEX for c in digits):
                    self.fail("bad \\%s escape" % esc)
                self.pos += width
                code = int(digits, 16)
                if esc == "x":
                    out.append(code)
                elif 0xD800 <= code <= 0xDFFF:
                    self.fail("a \\u escape cannot name a surrogate")
                else:
                    out += v.encode_text(chr(code))
            else:
                self.fail("unknown escape \\%s" % esc)

    def sequence(self, open_ch, close_ch, item):
        self.expect(open_ch)
        result = []
        if self.peek() == close_ch:
            self.pos += 1
            return result
        while True:
            result.append(item())
            ch = self.peek()
            self.pos += 1
            if ch == close_ch:
                return result
            if ch != ",":
                self.pos -= 1
                self.fail("expected ',' or %r" % close_ch)

    def map_body(self):
        def entry():
            key = self.value()
            if self.peek() not in (":", "="):
                self.fail("expected ':' or '=' after a map key")
            self.pos += 1
            return key, self.value()

        result = Map()
        for key, item in self.sequence("{", "}", entry):
            result.setdefault(key, item)
        return result


def _int_literal(token):
    """Decimal, or hexadecimal with 0x (an optional sign before either)."""
    body = token.lstrip("+-")
    if body[:2].lower() == "0x":
        return int(token, 16)
    return int(token, 10)


def _bytes(p):
    token = p.word()
    if len(token) % 2 or not all(c in _HEX for c in token):
        p.fail("bad hex for bytes")
    return bytes.fromhex(token)


def _typed(cls, element):
    def parse(p):
        return cls(p.sequence("[", "]", lambda: element(p)))
    return parse


def _f32s(p):
    raw = bytearray()

    def element():
        token = p.word()
        if len(token) == 8 and all(c in _HEX for c in token):
            raw.extend(struct.pack("<I", int(token, 16)))
        else:
            try:
                raw.extend(struct.pack("<f", float(token)))
            except (ValueError, OverflowError):
                p.fail("not a float32: %r" % token)

    p.sequence("[", "]", element)
    return Float32List.from_bytes(raw)


def _f64s(p):
    raw = bytearray()

    def element():
        raw.extend(struct.pack("<d", p.float_or_bits(16)))

    p.sequence("[", "]", element)
    return Float64List.from_bytes(raw)


_PREFIXES = {
    "i32": lambda p: p.integer(v.INT32_MIN, v.INT32_MAX),
    "i64": lambda p: Int64(p.integer(v.INT64_MIN, v.INT64_MAX)),
    "f64": lambda p: p.float_or_bits(16),
    "str": lambda p: p.string(),
    "bytes": _bytes,
    "i32s": _typed(Int32List, lambda p: p.integer(v.INT32_MIN, v.INT32_MAX)),
    "i64s": _typed(Int64List, lambda p: p.integer(v.INT64_MIN, v.INT64_MAX)),
    "f64s": _f64s,
    "f32s": _f32s,
    "list": lambda p: p.sequence("[", "]", p.value),
    "map": lambda p: p.map_body(),
}


def parse(text):
    """Parses one value; the whole text must be used."""
    p = _Parser(text)
    result = p.value()
    if p.peek():
        p.fail("unexpected text after the value")
    return result


def parse_many(text):
    """Values separated by whitespace, e.g. '"code" "message" {"k": 1}'."""
    p = _Parser(text)
    result = []
    while p.peek():
        result.append(p.value())
    return result
