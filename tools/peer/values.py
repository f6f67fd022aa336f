"""Typed values of the standard message codec.

Plain Python values map onto the codec's alternatives as follows:

    None -> null            bool -> bool            str -> string (UTF-8)
    int  -> int32 when it fits in 32 bits, else int64 (a TypeError beyond 64 bits)
    float -> double         bytes/bytearray/memoryview -> byte list
    list/tuple -> list      dict/Map -> map

The wrappers below pin an alternative where the plain type would be ambiguous: Int32, Int64,
Float64, the typed lists Int32List, Int64List, Float64List and Float32List, and Custom (the
program-defined alternative, which the codec cannot encode).

Decoding produces the plain form wherever it re-encodes to the same alternative (int32 as int,
double as float, string as str, byte list as bytes, list as list) and the wrapper otherwise
(every int64 as Int64, typed lists as their classes, maps as Map). Strings that are not valid
UTF-8 decode with surrogate escapes (U+DC80..U+DCFF stand for the raw bytes), so any byte
string round-trips through str.
"""

import array
import struct
import sys

INT32_MIN, INT32_MAX = -(1 << 31), (1 << 31) - 1
INT64_MIN, INT64_MAX = -(1 << 63), (1 << 63) - 1

# Alternative indices, which also order map keys.
NULL, BOOL, INT32, INT64, FLOAT64, STRING, BYTES = 0, 1, 2, 3, 4, 5, 6
INT32_LIST, INT64_LIST, FLOAT64_LIST, LIST, MAP, CUSTOM, FLOAT32_LIST = 7, 8, 9, 10, 11, 12, 13


def encode_text(text):
    """UTF-8 bytes of a str, raw bytes restored from surrogate escapes."""
    return text.encode("utf-8", "surrogateescape")


def decode_text(data):
    return bytes(data).decode("utf-8", "surrogateescape")


class _Scalar:
    __slots__ = ("value",)
    _index = None

    def __repr__(self):
        return "%s(%r)" % (type(self).__name__, self.value)

    def __eq__(self, other):
        try:
            return sort_key(self) == sort_key(other)
        except TypeError:
            return NotImplemented

    def __hash__(self):
        return hash(sort_key(self))


class Int32(_Scalar):
    """A 32-bit signed integer; equal to the plain int of the same value."""

    __slots__ = ()

    def __init__(self, value):
        value = int(value)
        if not INT32_MIN <= value <= INT32_MAX:
            raise ValueError("int32 out of range: %d" % value)
        self.value = value

    def __int__(self):
        return self.value

    __index__ = __int__

    def __hash__(self):
        return hash(self.value)


class Int64(_Scalar):
    """A 64-bit signed integer, written with tag 4 whatever its magnitude."""

    __slots__ = ()

    def __init__(self, value):
        value = int(value)
        if not INT64_MIN <= value <= INT64_MAX:
            raise ValueError("int64 out of range: %d" % value)
        self.value = value

    def __int__(self):
        return self.value

    __index__ = __int__


class Float64(_Scalar):
    """A double; a plain float means the same, this only makes it explicit."""

    __slots__ = ()

    def __init__(self, value):
        self.value = float(value)

    def __float__(self):
        return self.value

    def __hash__(self):
        return hash(self.value)

    @classmethod
    def from_bits(cls, bits):
        return cls(struct.unpack("<d", struct.pack("<Q", bits))[0])


class Custom:
    """The program-defined alternative; writing it emits a diagnostic and tag 0 only."""

    __slots__ = ("obj",)

    def __init__(self, obj=None):
        self.obj = obj

    def __repr__(self):
        return "Custom(%r)" % (self.obj,)


def _typecode(kind, size):
    for code in kind:
        if array.array(code).itemsize == size:
            return code
    raise RuntimeError("no array type of %d bytes" % size)


class _TypedList:
    """A list of fixed-size numbers kept in an array, so large lists stay cheap."""

    __slots__ = ("values",)
    _code = None
    _element_size = None

    def __init__(self, values=()):
        if isinstance(values, array.array) and values.typecode == self._code:
            self.values = array.array(self._code, values)
        else:
            self.values = array.array(self._code, [self._coerce(v) for v in values])

    @staticmethod
    def _coerce(v):
        return int(v)

    @classmethod
    def from_bytes(cls, data):
        """Builds the list from its little-endian wire bytes."""
        values = array.array(cls._code)
        values.frombytes(bytes(data))
        if sys.byteorder != "little":
            values.byteswap()
        result = cls.__new__(cls)
        result.values = values
        return result

    def to_bytes(self):
        """The little-endian wire bytes of the elements."""
        if sys.byteorder == "little":
            return self.values.tobytes()
        swapped = array.array(self._code, self.values)
        swapped.byteswap()
        return swapped.tobytes()

    def tolist(self):
        return self.values.tolist()

    def __len__(self):
        return len(self.values)

    def __iter__(self):
        return iter(self.values)

    def __getitem__(self, i):
        return self.values[i]

    def __eq__(self, other):
        if type(other) is not type(self):
            return NotImplemented
        return self.to_bytes() == other.to_bytes()

    def __hash__(self):
        return hash((type(self).__name__, self.to_bytes()))

    def __repr__(self):
        if len(self.values) > 8:
            head = ", ".join(repr(v) for v in self.values[:8])
            return "%s([%s, ...] %d items)" % (type(self).__name__, head, len(self.values))
        return "%s(%r)" % (type(self).__name__, self.values.tolist())


class Int32List(_TypedList):
    __slots__ = ()
    _code = _typecode("il", 4)
    _element_size = 4


class Int64List(_TypedList):
    __slots__ = ()
    _code = _typecode("ql", 8)
    _element_size = 8


class Float64List(_TypedList):
    __slots__ = ()
    _code = "d"
    _element_size = 8
    _coerce = staticmethod(float)


class Float32List(_TypedList):
    __slots__ = ()
    _code = "f"
    _element_size = 4
    _coerce = staticmethod(float)


def alternative(value):
    """The alternative index of a value (see the module docstring for plain types)."""
    if value is None:
        return NULL
    if isinstance(value, bool):
        return BOOL
    if isinstance(value, Int32):
        return INT32
    if isinstance(value, Int64):
        return INT64
    if isinstance(value, int):
        if INT32_MIN <= value <= INT32_MAX:
            return INT32
        if INT64_MIN <= value <= INT64_MAX:
            return INT64
        raise TypeError("integer does not fit in 64 bits: %d" % value)
    if isinstance(value, (float, Float64)):
        return FLOAT64
    if isinstance(value, str):
        return STRING
    if isinstance(value, (bytes, bytearray, memoryview)):
        return BYTES
    if isinstance(value, Int32List):
        return INT32_LIST
    if isinstance(value, Int64List):
        return INT64_LIST
    if isinstance(value, Float64List):
        return FLOAT64_LIST
    if isinstance(value, (list, tuple)):
        return LIST
    if isinstance(value, (dict, Map)):
        return MAP
    if isinstance(value, Custom):
        return CUSTOM
    if isinstance(value, Float32List):
        return FLOAT32_LIST
    raise TypeError("not a codec value: %r" % (type(value).__name__,))


def sort_key(value):
    """A Python-comparable key that orders values as the codec's maps do.

    Different alternatives order by index; within one: false before true, numbers
    numerically, strings byte-wise unsigned (a proper prefix first), typed lists, lists and
    maps element by element (maps as their key/value pairs in key order). Two values with
    equal keys are the same map key.
    """
    index = alternative(value)
    if index == NULL:
        return (NULL,)
    if index in (BOOL, INT32, INT64):
        return (index, int(value.value if isinstance(value, _Scalar) else value))
    if index == FLOAT64:
        return (index, float(value))
    if index == STRING:
        return (index, encode_text(value))
    if index == BYTES:
        return (index, bytes(value))
    if index in (INT32_LIST, INT64_LIST, FLOAT64_LIST, FLOAT32_LIST):
        return (index, tuple(value.values))
    if index == LIST:
        return (index, tuple(sort_key(v) for v in value))
    if index == MAP:
        entries = value if isinstance(value, Map) else Map(value)
        return (index, tuple((sort_key(k), sort_key(v)) for k, v in entries.items()))
    return (index, id(value.obj))


class Map:
    """An ordered map with codec values as keys, iterated in the codec's key order.

    Lookups accept any value: m["outcome"], m[Int64(5)], m[5] (an int32 key). Inserting a key
    that is already present keeps its position and, through setdefault, its first value.
    """

    __slots__ = ("_entries", "_sorted")

    def __init__(self, items=()):
        self._entries = {}
        self._sorted = None
        if isinstance(items, (dict, Map)):
            items = items.items()
        for key, value in items:
            self.setdefault(key, value)

    def setdefault(self, key, value=None):
        """Inserts the pair unless the key is already present; returns the stored value."""
        k = sort_key(key)
        entry = self._entries.get(k)
        if entry is not None:
            return entry[1]
        sort_key(value)  # rejects a value the codec could not carry
        self._entries[k] = (key, value)
        self._sorted = None
        return value

    def __setitem__(self, key, value):
        sort_key(value)
        self._entries[sort_key(key)] = (key, value)
        self._sorted = None

    def __getitem__(self, key):
        return self._entries[sort_key(key)][1]

    def get(self, key, default=None):
        entry = self._entries.get(sort_key(key))
        return default if entry is None else entry[1]

    def __contains__(self, key):
        return sort_key(key) in self._entries

    def __delitem__(self, key):
        del self._entries[sort_key(key)]
        self._sorted = None

    def __len__(self):
        return len(self._entries)

    def items(self):
        if self._sorted is None:
            self._sorted = [self._entries[k] for k in sorted(self._entries)]
        return list(self._sorted)

    def keys(self):
        return [k for k, _ in self.items()]

    def values(self):
        return [v for _, v in self.items()]

    def __iter__(self):
        return iter(self.keys())

    def to_dict(self):
        """A plain dict (keys must be hashable and distinct in Python's own equality)."""
        return {k: v for k, v in self.items()}

    def __eq__(self, other):
        if not isinstance(other, (Map, dict)):
            return NotImplemented
        try:
            return sort_key(self) == sort_key(other)
        except TypeError:
            return False

    __hash__ = None

    def __repr__(self):
        return "Map({%s})" % ", ".join("%r: %r" % kv for kv in self.items())
