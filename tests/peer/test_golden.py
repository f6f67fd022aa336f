"""The Python codec against the shared golden vectors."""

import pytest

import golden
from peer import codec
from peer.describe import describe, parse

VECTORS = golden.load()


def by_kind(*kinds):
    return [pytest.param(v, id=v.name) for v in VECTORS if v.kind in kinds]


def test_file_is_well_formed():
    names = [v.name for v in VECTORS]
    assert len(names) == len(set(names)), "vector names repeat"
    kinds = {"value", "value-decode", "call", "call-decode", "call-invalid", "success",
             "success-decode", "error", "error-decode", "envelope-invalid"}
    assert {v.kind for v in VECTORS} <= kinds
    assert len(VECTORS) > 80


@pytest.mark.parametrize("vec", by_kind("value", "value-decode"))
def test_value_vectors(vec):
    decoded = codec.decode_value(vec.data)
    assert describe(decoded.value) == vec.description
    assert decoded.diagnostics == vec.stderr
    if vec.kind == "value":
        assert codec.encode_value(decoded.value) == vec.data
        # The description alone (not the decoder) must also give the bytes.
        assert codec.encode_value(parse(vec.description)) == vec.data


@pytest.mark.parametrize("vec", by_kind("call", "call-decode", "call-invalid"))
def test_call_vectors(vec):
    decoded = codec.decode_method_call(vec.data)
    assert decoded.diagnostics == vec.stderr
    if vec.kind == "call-invalid":
        assert decoded.call is None
        assert vec.description == "-"
        return
    assert describe([decoded.call.method, decoded.call.arguments]) == vec.description
    if vec.kind == "call":
        name, arguments = parse(vec.description)
        assert codec.encode_method_call(name, arguments) == vec.data
        assert codec.encode_method_call(decoded.call.method, decoded.call.arguments) == vec.data


@pytest.mark.parametrize("vec", by_kind("success", "success-decode"))
def test_success_vectors(vec):
    envelope = codec.decode_envelope(vec.data)
    assert envelope.kind == "success"
    assert describe(envelope.value) == vec.description
    assert envelope.diagnostics == vec.stderr
    if vec.kind == "success":
        assert codec.encode_success(parse(vec.description)) == vec.data


@pytest.mark.parametrize("vec", by_kind("error", "error-decode"))
def test_error_vectors(vec):
    envelope = codec.decode_envelope(vec.data)
    assert envelope.kind == "error"
    # The host's result sees an empty message either way, so both describe as null.
    message = envelope.message or None
    assert describe([envelope.code, message, envelope.details]) == vec.description
    assert envelope.diagnostics == vec.stderr
    if vec.kind == "error":
        code, message, details = parse(vec.description)
        assert codec.encode_error(code, message, details) == vec.data


@pytest.mark.parametrize("vec", by_kind("envelope-invalid"))
def test_invalid_envelope_vectors(vec):
    envelope = codec.decode_envelope(vec.data)
    assert envelope.kind == "invalid"
    assert envelope.diagnostics == vec.stderr
