"""The friendlier parser of the one-line value form (the canonical printing, and that each golden
vector's description parses back to its bytes, are the codec test's matter)."""

import pytest

from peer.describe import ParseError, describe, parse


@pytest.mark.parametrize("text, expected", [
    ("5", "i32:5"), ("4294967296", "i64:4294967296"), ("0x10", "i32:16"),
    ("1.5", "f64:3ff8000000000000"), ("-inf", "f64:fff0000000000000"),
    ('"a\\nb"', 'str:"a\\x0ab"'), ('"\\u00e9"', 'str:"\\xc3\\xa9"'),
    ("bytes:00FF", "bytes:00ff"), ("i32s:[1, -2]", "i32s:[1,-2]"),
    ("f64s:[1.5, 3ff0000000000000]", "f64s:[3ff8000000000000,3ff0000000000000]"),
    ("f32s:[0.5, 7fc00001]", "f32s:[3f000000,7fc00001]"),
    ('[1, "a", [null]]', 'list:[i32:1,str:"a",list:[null]]'),
    ('{"b": 1, "a" = true}', 'map:{str:"a"=true,str:"b"=i32:1}'),
    ("{i32:1: i64:2}", "map:{i32:1=i64:2}"), (" { } ", "map:{}"),
])
def test_friendly_forms(text, expected):
    assert describe(parse(text)) == expected


@pytest.mark.parametrize("text", [
    "", "nul", "i32:2147483648", "i64:9223372036854775808", "99999999999999999999",
    '"open', '"\\q"', '"\\x4"', "bytes:0", "bytes:zz", "[1,", "[1 2]", "{1}", "{1:}",
    "1 2", "f32s:[1e40]", '"\\ud800"', "i32s:[1.5]",
])
def test_malformed_text_is_a_parse_error(text):
    with pytest.raises(ParseError):
        parse(text)
