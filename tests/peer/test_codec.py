"""The Python codec: the golden vectors shared with the host, then what only Python values
have (plain ints and floats, dict order, wrappers) and hostile input."""

import os
import random
import struct

import pytest

from peer import codec
from peer.codec import (Custom, Float32List, Float64, Float64List, Int32, Int32List, Int64,
                        Int64List, Map)
from peer.describe import describe, parse

GOLDEN = os.path.join(os.path.dirname(__file__), "..", "golden", "codec_vectors.txt")
KINDS = {"value", "value-decode", "call", "call-decode", "call-invalid", "success",
         "success-decode", "error", "error-decode", "envelope-invalid"}


def generated(count):
    return bytes(i & 0xFF for i in range(count))


def golden_vectors():
    """(name, kind, bytes, description, stderr lines) per line of the file (see its header)."""
    vectors = []
    with open(GOLDEN, encoding="utf-8") as f:
        for line in f.read().splitlines():
            if not line or line.startswith("#"):
                continue
            name, kind, hexs, description, *rest = line.split("\t")
            if hexs.startswith("gen-bytes:"):
                count = int(hexs[10:])
                size = (bytes([count]) if count < 254 else b"\xfe" + count.to_bytes(2, "little")
                        if count <= 0xFFFF else b"\xff" + count.to_bytes(4, "little"))
                hexs = (b"\x08" + size + generated(count)).hex()
            if description.startswith("gen-bytes:"):
                description = "bytes:" + generated(int(description[10:])).hex()
            stderr = rest[0].split("|") if rest and rest[0] else []
            data = b"" if hexs == "-" else bytes.fromhex(hexs)
            vectors.append(pytest.param(kind, data, description, stderr, id=name))
    return vectors


VECTORS = golden_vectors()


def test_golden_file_is_well_formed():
    assert len({v.id for v in VECTORS}) == len(VECTORS) > 80
    assert {v.values[0] for v in VECTORS} <= KINDS


@pytest.mark.parametrize("kind, data, description, stderr", VECTORS)
def test_golden_vector(kind, data, description, stderr):
    family, _, variant = kind.partition("-")
    if family == "value":
        decoded = codec.decode_value(data)
        described, encode = describe(decoded.value), codec.encode_value
    elif family == "call":
        decoded = codec.decode_method_call(data)
        described = "-" if decoded.call is None else describe(
            [decoded.call.method, decoded.call.arguments])
        encode = lambda v: codec.encode_method_call(*v)  # noqa: E731
    else:
        decoded = codec.decode_envelope(data)
        assert decoded.kind == {"envelope": "invalid"}.get(family, family)
        described = {"success": lambda: describe(decoded.value),
                     "error": lambda: describe([decoded.code, decoded.message or None,
                                                decoded.details]),
                     "envelope": lambda: description}[family]()
        encode = {"success": codec.encode_success,
                  "error": lambda v: codec.encode_error(*v)}.get(family)
    assert (described, decoded.diagnostics) == (description, stderr)
    if not variant:  # encodes back, from the description alone too
        assert encode(parse(description)) == data


@pytest.mark.parametrize("value, expected", [
    (0, "i32:0"), (2**31 - 1, "i32:2147483647"), (-2**31, "i32:-2147483648"),
    (2**31, "i64:2147483648"), (-2**31 - 1, "i64:-2147483649"), (Int64(5), "i64:5"),
    (Int32(-7), "i32:-7"), (1.5, "f64:3ff8000000000000"), (-0.0, "f64:8000000000000000"),
    (Float64.from_bits(0x7FF8000000000001), "f64:7ff8000000000001"), (True, "true"),
    ("a\x00\U0001F600", 'str:"a\\x00\\xf0\\x9f\\x98\\x80"'), ("\udcffa", 'str:"\\xffa"'),
    ({"b": 2, "a": 1}, 'map:{str:"a"=i32:1,str:"b"=i32:2}'),
    (Map([(1, 0), (Int64(1), 0), (True, 0), (1.0, 0)]),
     "map:{true=i32:0,i32:1=i32:0,i64:1=i32:0,f64:3ff0000000000000=i32:0}"),
    (Float32List.from_bytes(struct.pack("<2I", 0x7FC00001, 1)), "f32s:[7fc00001,00000001]"),
])
def test_python_values_round_trip_as_their_alternative(value, expected):
    data = codec.encode_value(value)
    decoded = codec.decode_value(data)
    assert (decoded.diagnostics, decoded.end) == ([], len(data))
    assert describe(value) == describe(decoded.value) == expected
    assert codec.encode_value(decoded.value) == data


LISTS = [(bytes, 1, generated), (Int32List, 4, lambda n: Int32List(i * 7919 % 2**31 - 2**30 for i in range(n))),
         (Int64List, 8, lambda n: Int64List(i * 2**40 - 2**62 for i in range(n))),
         (Float64List, 8, lambda n: Float64List(i / 3.0 for i in range(n))),
         (Float32List, 4, lambda n: Float32List(i * 0.5 for i in range(n)))]


@pytest.mark.parametrize("kind, size, make", LISTS, ids=[c[0].__name__ for c in LISTS])
@pytest.mark.parametrize("count", [0, 1, 253, 254, 65535, 65536, 70001])
def test_typed_lists_keep_kind_size_header_and_padding(kind, size, make, count):
    value = make(count)
    data = codec.encode_value(value)
    header = 2 if count < 254 else 4 if count <= 0xFFFF else 6
    assert len(data) == header + (-header) % size + count * size
    decoded = codec.decode_value(data).value
    assert type(decoded) is kind and decoded == value


def test_wrappers_compare_within_their_alternative_only():
    assert Int32(5) == 5 and Int64(5) != 5 and Int64(5) != Int32(5) and Int64(5) == Int64(5)
    assert Float64(1.0) == 1.0 and Float64(1.0) != 1 and Int32(1) != True  # noqa: E712
    assert Int32List([1]) != Int64List([1]) and Int32List([1]) != [1]
    assert len({Int32(5), 5, Int64(5)}) == 2
    assert Map([("k", 1), ("k", 2)])["k"] == 1 and Map([(1, "a")])[Int32(1)] == "a"


@pytest.mark.parametrize("make", [lambda: codec.encode_value(2**63), lambda: Int32(2**31),
                                  lambda: Int64(-2**63 - 1), lambda: codec.encode_value(object()),
                                  lambda: codec.encode_value({1, 2}),
                                  lambda: codec.encode_method_call(5)])
def test_values_without_an_encoding_raise(make):
    with pytest.raises((TypeError, ValueError)):
        make()


@pytest.mark.parametrize("encode, expected", [
    (lambda: codec.encode_method_call("quit"), "07047175697400"),
    (lambda: codec.encode_success(5), "000305000000"),
    (lambda: codec.encode_success(), "0000"),
    (lambda: codec.encode_error("e"), "010701650000"),
    (lambda: codec.encode_value([Custom("x")]), "0c0100"),
])
def test_calls_envelopes_and_custom_values_encode_to_these_bytes(encode, expected):
    assert encode().hex() == expected


def test_a_custom_value_writes_the_hosts_diagnostic():
    diagnostics = []
    codec.encode_value(Custom("x"), diagnostics)
    assert diagnostics == ["Unhandled custom type in StandardCodecSerializer::WriteValue. "
                           "Custom types require codec extensions."]


def test_random_input_never_raises_and_says_only_known_diagnostics():
    rng = random.Random(20240601)
    tags = bytes(range(16)) + b"\xfe\xff"
    for _ in range(3000):  # mostly tags and small sizes, so that decoding goes deep
        data = bytes(rng.choice(tags) if rng.random() < 0.7 else rng.randrange(256)
                     for _ in range(rng.randrange(0, 40)))
        for decode in (codec.decode_value, codec.decode_method_call, codec.decode_envelope):
            result = decode(data)
            assert all(line in (codec.INVALID_READ, codec.CALL_NAME_NOT_STRING)
                       or line.startswith(codec.UNKNOWN_TYPE) for line in result.diagnostics)
        describe(codec.decode_value(data).value)


def test_every_truncation_of_a_message_says_invalid_read():
    data = codec.encode_value({"k": [1, 2.5, "s", Int64List([3]), {"n": None}]})
    for cut in range(len(data)):
        lines = codec.decode_value(data[:cut]).diagnostics
        assert lines and set(lines) == {codec.INVALID_READ}, cut


@pytest.mark.parametrize("hex_text, value, lines", [
    ("07ffffffffff", "", 1), ("07fe1027", "", 1), ("0cffffffffff", [], 1),
    ("0c0207feb80b07feb80b", ["\0" * 3000, ""], 2),  # one budget for the whole message
    ("08fe0010", bytes(4096), 1),  # moderate unbacked sizes are made up, as the host does
    ("0d02", {None: None}, 4),
])
def test_sizes_past_the_end_are_bounded_by_one_budget(hex_text, value, lines):
    decoded = codec.decode_value(bytes.fromhex(hex_text))
    assert (decoded.value, decoded.diagnostics) == (value, [codec.INVALID_READ] * lines)


def test_nesting_limit_and_the_made_up_bound():
    deep = codec.decode_value(b"\x0c\x01" * 257 + b"\x01")
    assert deep.diagnostics == [codec.TOO_DEEP]
    assert describe(deep.value) == "list:[" * 256 + "list:[]" + "]" * 256
    # Headers each declaring one byte more than the rest of a 20 KB message.
    amplifier = bytearray(b"\x0c\xff" + struct.pack("<I", (20000 - 6) // 6))
    while len(amplifier) + 6 <= 20000:
        amplifier += b"\x08\xff" + struct.pack("<I", 20000 - len(amplifier) - 5)
    reader = codec.Reader(amplifier)
    reader.read_value()
    assert reader.made_up <= codec.MAX_OVERRUN
