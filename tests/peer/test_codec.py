"""The Python codec: typed values, round trips, ordering, malformed input."""

import random
import struct

import pytest

from peer import codec
from peer.codec import (Custom, Float32List, Float64, Float64List, Int32,
                        Int32List, Int64, Int64List, Map)
from peer.describe import describe

KNOWN_DIAGNOSTICS = (codec.INVALID_READ, codec.CALL_NAME_NOT_STRING)


def round_trip(value):
    data = codec.encode_value(value)
    decoded = codec.decode_value(data)
    assert decoded.diagnostics == []
    assert decoded.end == len(data)
    return decoded.value


class TestScalars:
    @pytest.mark.parametrize("value, expected", [
        (0, "i32:0"), (2**31 - 1, "i32:2147483647"), (-2**31, "i32:-2147483648"),
        (2**31, "i64:2147483648"), (-2**31 - 1, "i64:-2147483649"),
        (2**63 - 1, "i64:9223372036854775807"), (Int64(5), "i64:5"), (Int32(-7), "i32:-7"),
    ])
    def test_plain_int_is_int32_when_it_fits_else_int64(self, value, expected):
        assert describe(value) == expected
        assert describe(round_trip(value)) == expected

    def test_integers_beyond_64_bits_are_rejected(self):
        with pytest.raises(TypeError):
            codec.encode_value(2**63)
        with pytest.raises(ValueError):
            Int32(2**31)
        with pytest.raises(ValueError):
            Int64(-2**63 - 1)

    def test_decoded_int64_stays_int64_even_when_small(self):
        value = round_trip(Int64(5))
        assert isinstance(value, Int64) and value.value == 5
        assert codec.encode_value(value) == codec.encode_value(Int64(5))

    @pytest.mark.parametrize("bits", [0x3FF8000000000000, 0x8000000000000000,
                                      0x7FF0000000000000, 0x7FF8000000000001, 1])
    def test_doubles_keep_their_bits(self, bits):
        value = Float64.from_bits(bits)
        assert describe(round_trip(value)) == "f64:%016x" % bits
        assert describe(round_trip(value.value)) == "f64:%016x" % bits

    def test_bools_and_null(self):
        assert round_trip(True) is True
        assert round_trip(False) is False
        assert round_trip(None) is None

    def test_wrapper_equality_follows_the_alternative(self):
        assert Int32(5) == 5 and 5 == Int32(5)
        assert Int64(5) != 5 and Int64(5) != Int32(5)
        assert Int64(5) == Int64(5)
        assert Float64(1.0) == 1.0 and Float64(1.0) != 1
        assert Int32(1) != True  # noqa: E712 (bool is its own alternative)
        assert len({Int32(5), 5, Int64(5)}) == 2


class TestStrings:
    @pytest.mark.parametrize("text", ["", "abc", "é", "日本語", "\U0001F600", "a\x00b"])
    def test_unicode_round_trips(self, text):
        assert round_trip(text) == text

    def test_invalid_utf8_round_trips_through_surrogate_escapes(self):
        data = bytes.fromhex("0703ff61fe")
        value = codec.decode_value(data).value
        assert value == "\udcffa\udcfe"
        assert codec.encode_value(value) == data


class TestTypedLists:
    CASES = [
        (bytes, 1, lambda n: bytes(i & 0xFF for i in range(n))),
        (Int32List, 4, lambda n: Int32List((i * 7919) % 2**31 - 2**30 for i in range(n))),
        (Int64List, 8, lambda n: Int64List(i * 2**40 - 2**62 for i in range(n))),
        (Float64List, 8, lambda n: Float64List(i / 3.0 for i in range(n))),
        (Float32List, 4, lambda n: Float32List(i * 0.5 for i in range(n))),
    ]

    @pytest.mark.parametrize("kind, size, make", CASES, ids=[c[0].__name__ for c in CASES])
    @pytest.mark.parametrize("count", [0, 1, 253, 254, 65535, 65536, 70001])
    def test_round_trip_keeps_kind_and_contents(self, kind, size, make, count):
        value = make(count)
        data = codec.encode_value(value)
        header = 2 if count < 254 else 4 if count <= 0xFFFF else 6
        padding = (-header) % size if size > 1 else 0
        assert len(data) == header + padding + count * size
        decoded = round_trip(value)
        assert type(decoded) is kind
        assert decoded == value

    def test_typed_lists_are_distinct_from_each_other_and_from_lists(self):
        assert Int32List([1]) != Int64List([1])
        assert Int32List([1]) != [1]
        assert Float64List([1.0]) != Float32List([1.0])
        assert describe(round_trip([1, Int32List([1])])) == "list:[i32:1,i32s:[1]]"

    def test_float32_bits_are_kept_exactly(self):
        raw = struct.pack("<3I", 0x7FC00001, 0x80000000, 0x00000001)
        value = Float32List.from_bytes(raw)
        assert describe(round_trip(value)) == "f32s:[7fc00001,80000000,00000001]"


class TestMaps:
    def test_keys_are_written_in_value_order_whatever_the_insertion_order(self):
        forward = codec.encode_value({"a": 1, "b": 2})
        backward = codec.encode_value({"b": 2, "a": 1})
        assert forward == backward == bytes.fromhex("0d02070161030100000007016203020000 00"
                                                    .replace(" ", ""))

    def test_order_is_alternative_index_then_value(self):
        m = Map([("s", 0), (Int64(1), 0), (2, 0), (1.5, 0), (True, 0), (False, 0), (None, 0),
                 (b"\x00", 0), ([0], 0), ({}, 0), (Int32List([]), 0), (Float32List([]), 0)])
        assert [describe(k) for k in m.keys()] == [
            "null", "false", "true", "i32:2", "i64:1", "f64:3ff8000000000000", 'str:"s"',
            "bytes:00", "i32s:[]", "list:[i32:0]", "map:{}", "f32s:[]"]

    def test_strings_order_bytewise_with_prefix_first(self):
        m = Map([("\u00e9", 0), ("z", 0), ("za", 0), ("", 0), ("Z", 0)])
        assert m.keys() == ["", "Z", "z", "za", "\u00e9"]

    def test_int32_and_int64_and_bool_keys_stay_distinct(self):
        m = Map([(1, "i32"), (Int64(1), "i64"), (True, "bool"), (1.0, "f64")])
        assert len(m) == 4
        assert m[1] == "i32" and m[Int64(1)] == "i64" and m[True] == "bool" and m[1.0] == "f64"
        assert m[Int32(1)] == "i32"
        assert describe(round_trip(m)) == \
            'map:{true=str:"bool",i32:1=str:"i32",i64:1=str:"i64",f64:3ff0000000000000=str:"f64"}'

    def test_first_occurrence_of_a_repeated_key_wins(self):
        data = bytes.fromhex("0d020701610301000000070161030200000003")
        decoded = codec.decode_value(data)
        assert decoded.value == {"a": 1}
        m = Map([("k", 1), ("k", 2)])
        assert m["k"] == 1

    def test_nested_maps_and_lists_round_trip(self):
        value = {"outer": {"inner": [1, Int64(2), {"deep": [None, b"\x01", Float64List([2.5])]}],
                           Int64(7): {True: "t"}},
                 "list": [[[]], {}, ""]}
        decoded = round_trip(value)
        assert describe(decoded) == describe(value)
        assert decoded == value
        assert decoded["outer"][Int64(7)][True] == "t"

    def test_map_behaves_like_a_mapping(self):
        m = Map({"b": 1})
        m["a"] = 2
        assert list(m) == ["a", "b"] and "a" in m and m.get("c", 9) == 9
        assert m.to_dict() == {"a": 2, "b": 1}
        del m["a"]
        assert m == {"b": 1}


class TestEncodingErrors:
    def test_unsupported_types_raise(self):
        for bad in (object(), {1, 2}, 1j):
            with pytest.raises(TypeError):
                codec.encode_value(bad)

    def test_custom_value_writes_tag_0_and_one_diagnostic(self):
        diagnostics = []
        data = codec.encode_value([Custom("x")], diagnostics)
        assert data == bytes.fromhex("0c0100")
        assert diagnostics == [codec.CUSTOM_TYPE]
        assert codec.CUSTOM_TYPE == ("Unhandled custom type in StandardCodecSerializer::"
                                     "WriteValue. Custom types require codec extensions.")


class TestMethodCallsAndEnvelopes:
    def test_method_call_round_trip(self):
        data = codec.encode_method_call("invokePeer", {"method": "m", "arguments": Int64(3)})
        call = codec.decode_method_call(data).call
        assert call.method == "invokePeer"
        assert call.arguments == {"method": "m", "arguments": Int64(3)}

    def test_call_without_arguments_writes_null(self):
        assert codec.encode_method_call("quit") == bytes.fromhex("070471756974") + b"\x00"

    def test_method_name_must_be_a_string(self):
        with pytest.raises(TypeError):
            codec.encode_method_call(5)
        decoded = codec.decode_method_call(b"\x03\x01\x00\x00\x00")
        assert decoded.call is None
        assert decoded.diagnostics == [codec.CALL_NAME_NOT_STRING]

    def test_success_and_error_envelopes(self):
        assert codec.encode_success(5) == bytes.fromhex("000305000000")
        assert codec.encode_success() == b"\x00\x00"
        assert codec.encode_error("e") == bytes.fromhex("010701650000")
        env = codec.decode_envelope(codec.encode_error("c", "msg", [1]))
        assert (env.kind, env.code, env.message, env.details) == ("error", "c", "msg", [1])
        env = codec.decode_envelope(codec.encode_success({"x": b""}))
        assert (env.kind, env.value) == ("success", {"x": b""})


class TestMalformedInput:
    def test_random_messages_never_raise_and_only_known_diagnostics_appear(self):
        rng = random.Random(20240601)
        tags = bytes(range(16)) + b"\xfe\xff"
        decoders = (codec.decode_value, codec.decode_method_call, codec.decode_envelope)
        for _ in range(3000):
            # Mostly codec tags and small sizes, so that the decoder goes deep into the input.
            data = bytes(rng.choice(tags) if rng.random() < 0.7 else rng.randrange(256)
                         for _ in range(rng.randrange(0, 40)))
            for decode in decoders:
                result = decode(data)
                for line in result.diagnostics:
                    assert line in KNOWN_DIAGNOSTICS or line.startswith(codec.UNKNOWN_TYPE)
                if decode is codec.decode_value:
                    describe(result.value)  # every decoded value is a printable codec value

    def test_truncated_prefixes_of_a_valid_message_decode_with_diagnostics(self):
        data = codec.encode_value({"k": [1, 2.5, "s", Int64List([3]), {"n": None}]})
        for cut in range(len(data)):
            decoded = codec.decode_value(data[:cut])
            assert decoded.diagnostics, cut
            assert all(line == codec.INVALID_READ for line in decoded.diagnostics)

    def test_one_budget_per_message_and_the_nesting_limit_like_the_host(self):
        cases = [
            ("07ffffffffff", "", [codec.INVALID_READ]),
            ("07fe1027", "", [codec.INVALID_READ]),
            ("0cffffffffff", [], [codec.INVALID_READ]),
            ("0c0207feb80b07feb80b", ["\0" * 3000, ""], [codec.INVALID_READ] * 2),
        ]
        for hex_text, value, lines in cases:
            decoded = codec.decode_value(bytes.fromhex(hex_text))
            assert (decoded.value, decoded.diagnostics) == (value, lines), hex_text
        call = codec.decode_method_call(bytes.fromhex("07feb80b07feb80b"))
        assert (call.call.method, call.call.arguments) == ("\0" * 3000, "")
        deep = codec.decode_value(b"\x0c\x01" * 257 + b"\x01")
        assert deep.diagnostics == [codec.TOO_DEEP]
        inner = deep.value
        for _ in range(256):
            inner = inner[0]
        assert inner == []
        # Headers that each declare one byte more than the rest of a 20 KB message.
        size = 20000
        amplifier = bytearray(b"\x0c\xff" + struct.pack("<I", (size - 6) // 6))
        while len(amplifier) + 6 <= size:
            amplifier += b"\x08\xff" + struct.pack("<I", size - len(amplifier) - 5)
        reader = codec.Reader(amplifier)
        reader.read_value()
        assert reader.made_up <= codec.MAX_OVERRUN

    def test_moderate_unbacked_sizes_are_materialised_like_the_host(self):
        decoded = codec.decode_value(bytes.fromhex("08fe0010"))  # 4096 declared, none present
        assert decoded.value == bytes(4096)
        assert decoded.diagnostics == [codec.INVALID_READ]
        decoded = codec.decode_value(bytes.fromhex("0d02"))
        assert decoded.value == {None: None}
        assert decoded.diagnostics == [codec.INVALID_READ] * 4
