"""How the console shows values: short human text, JSON, and byte lists saved as files."""

import json
import math
import os
import struct

from . import describe, values


def human(value, limit=16):
    """A short readable form: bytes and long lists abbreviated, doubles as numbers."""
    index = values.alternative(value)
    if index == values.NULL:
        return "null"
    if index == values.BOOL:
        return "true" if value else "false"
    if index == values.INT32:
        return str(int(value))
    if index == values.INT64:
        return "i64:%d" % int(value)
    if index == values.FLOAT64:
        x = float(value)
        return repr(x) if math.isfinite(x) else "f64:%s" % x
    if index == values.STRING:
        try:
            value.encode("utf-8")
        except UnicodeEncodeError:  # raw bytes that are not UTF-8: show them exactly
            return describe.describe(value)
        return json.dumps(value, ensure_ascii=False)
    if index == values.BYTES:
        data = bytes(value)
        if len(data) <= limit:
            return "bytes:" + data.hex()
        return "bytes[%d]:%s..." % (len(data), data[:limit].hex())
    if index in (values.INT32_LIST, values.INT64_LIST, values.FLOAT64_LIST,
                 values.FLOAT32_LIST):
        prefix = {values.INT32_LIST: "i32s", values.INT64_LIST: "i64s",
                  values.FLOAT64_LIST: "f64s", values.FLOAT32_LIST: "f32s"}[index]
        items = [repr(x) for x in value.values[:limit]]
        more = ",...(%d)" % len(value) if len(value) > limit else ""
        return "%s:[%s%s]" % (prefix, ",".join(items), more)
    if index == values.LIST:
        return "[" + ", ".join(human(x, limit) for x in value) + "]"
    if index == values.MAP:
        entries = value if isinstance(value, values.Map) else values.Map(value)
        return "{" + ", ".join("%s: %s" % (human(k, limit), human(x, limit))
                               for k, x in entries.items()) + "}"
    return "<custom>"


def to_json(value, saved=None, path=()):
    """A JSON form of a value; "description" fields elsewhere carry the exact form."""
    index = values.alternative(value)
    if index in (values.NULL, values.BOOL, values.INT32, values.STRING):
        return value if index != values.INT32 else int(value)
    if index == values.INT64:
        return {"i64": int(value)}
    if index == values.FLOAT64:
        x = float(value)
        return x if math.isfinite(x) else {"f64": "%016x" % struct.unpack(
            "<Q", struct.pack("<d", x))[0]}
    if index == values.BYTES:
        data = bytes(value)
        result = {"bytes": len(data), "head": data[:32].hex()}
        if saved and path in saved:
            result["file"] = saved[path]
        return result
    if index in (values.INT32_LIST, values.INT64_LIST, values.FLOAT64_LIST,
                 values.FLOAT32_LIST):
        return value.tolist()
    if index == values.LIST:
        return [to_json(x, saved, path + (i,)) for i, x in enumerate(value)]
    if index == values.MAP:
        entries = value if isinstance(value, values.Map) else values.Map(value)
        if all(isinstance(k, str) for k in entries.keys()):
            return {k: to_json(x, saved, path + (k,)) for k, x in entries.items()}
        return [[to_json(k), to_json(x, saved, path + (i,))]
                for i, (k, x) in enumerate(entries.items())]
    return None


def save_byte_lists(value, directory, stem):
    """Writes every non-empty byte list inside value to a file; returns {path: filename}."""
    saved = {}

    def walk(item, path):
        index = values.alternative(item)
        if index == values.BYTES and len(item):
            data = bytes(item)
            suffix = ".jpg" if data[:3] == b"\xff\xd8\xff" else ".bin"
            name = "-".join([stem] + [str(p) for p in path]) + suffix
            filename = os.path.join(directory, name.replace(os.sep, "_"))
            with open(filename, "wb") as f:
                f.write(data)
            saved[path] = filename
        elif index == values.LIST:
            for i, x in enumerate(item):
                walk(x, path + (i,))
        elif index == values.MAP:
            entries = item if isinstance(item, values.Map) else values.Map(item)
            for i, (k, x) in enumerate(entries.items()):
                walk(x, path + (k if isinstance(k, str) else i,))

    os.makedirs(directory, exist_ok=True)
    walk(value, ())
    return saved
