"""The one-line value form: canonical printing and the friendlier parser."""

import random

import pytest

from peer import codec
from peer.codec import Float32List, Float64List, Int32List, Int64, Int64List, Map
from peer.describe import ParseError, describe, parse, parse_many


class TestDescribe:
    def test_string_escapes_everything_but_printable_ascii(self):
        assert describe('a"b\\c\t\u00e9~ ') == r'str:"a\x22b\x5cc\x09\xc3\xa9~ "'

    def test_empty_containers(self):
        assert [describe(x) for x in ([], {}, Int32List([]), b"", Float32List([]))] == [
            "list:[]", "map:{}", "i32s:[]", "bytes:", "f32s:[]"]

    def test_map_entries_in_key_order_without_spaces(self):
        assert describe({"b": [1, None], 2: b"\x0a"}) == \
            'map:{i32:2=bytes:0a,str:"b"=list:[i32:1,null]}'


class TestParse:
    @pytest.mark.parametrize("text, expected", [
        ("5", "i32:5"), ("-5", "i32:-5"), ("4294967296", "i64:4294967296"),
        ("0x10", "i32:16"), ("i64:5", "i64:5"), ("i32:-2147483648", "i32:-2147483648"),
        ("1.5", "f64:3ff8000000000000"), ("f64:1.5", "f64:3ff8000000000000"),
        ("f64:3ff8000000000000", "f64:3ff8000000000000"), ("-inf", "f64:fff0000000000000"),
        ('"a\\nb"', 'str:"a\\x0ab"'), ('"\\u00e9"', 'str:"\\xc3\\xa9"'),
        ('"é"', 'str:"\\xc3\\xa9"'),
        ('str:"\\xff"', 'str:"\\xff"'), ("bytes:00FF", "bytes:00ff"), ("bytes:", "bytes:"),
        ("i32s:[1, -2]", "i32s:[1,-2]"), ("i64s:[]", "i64s:[]"),
        ("f64s:[1.5, 3ff0000000000000]", "f64s:[3ff8000000000000,3ff0000000000000]"),
        ("f32s:[0.5, 7fc00001]", "f32s:[3f000000,7fc00001]"),
        ('[1, "a", [null]]', 'list:[i32:1,str:"a",list:[null]]'),
        ('{"b": 1, "a" = true}', 'map:{str:"a"=true,str:"b"=i32:1}'),
        ("{i32:1: i64:2}", "map:{i32:1=i64:2}"),
        (" { } ", "map:{}"),
    ])
    def test_friendly_forms(self, text, expected):
        assert describe(parse(text)) == expected

    @pytest.mark.parametrize("text", [
        "", "nul", "i32:2147483648", "i64:9223372036854775808", "99999999999999999999",
        '"open', '"\\q"', '"\\x4"', "bytes:0", "bytes:zz", "[1,", "[1 2]", "{1}", "{1:}",
        "1 2", "f32s:[1e40]", '"\\ud800"', "i32s:[1.5]",
    ])
    def test_malformed_text_is_a_parse_error(self, text):
        with pytest.raises(ParseError):
            parse(text)

    def test_parse_many(self):
        assert parse_many('"code" null {"k": i64:1}') == ["code", None, {"k": Int64(1)}]
        assert parse_many("  ") == []

    def test_describe_then_parse_is_the_identity_on_random_values(self):
        rng = random.Random(7)

        def make(depth):
            choice = rng.randrange(13 if depth < 3 else 10)
            if choice == 0:
                return None
            if choice == 1:
                return rng.random() < 0.5
            if choice == 2:
                return rng.randrange(-2**31, 2**31)
            if choice == 3:
                return Int64(rng.randrange(-2**63, 2**63))
            if choice == 4:
                return Float64List.from_bytes(rng.randbytes(8))[0]
            if choice == 5:
                return codec.decode_value(b"\x07\x05" + rng.randbytes(5)).value
            if choice == 6:
                return rng.randbytes(rng.randrange(5))
            if choice == 7:
                return Int32List(rng.randrange(-2**31, 2**31) for _ in range(rng.randrange(4)))
            if choice == 8:
                return Float32List.from_bytes(rng.randbytes(4 * rng.randrange(4)))
            if choice == 9:
                return Int64List(rng.randrange(-2**63, 2**63) for _ in range(rng.randrange(4)))
            if choice == 10:
                return [make(depth + 1) for _ in range(rng.randrange(4))]
            if choice == 11:
                return Map((make(depth + 1), make(depth + 1)) for _ in range(rng.randrange(4)))
            return Float64List.from_bytes(rng.randbytes(8 * rng.randrange(3)))

        for _ in range(500):
            value = make(0)
            text = describe(value)
            assert describe(parse(text)) == text
            assert codec.encode_value(parse(text)) == codec.encode_value(value)
