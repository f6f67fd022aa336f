"""Reader of tests/golden/codec_vectors.txt (format described in its header)."""

import os
from dataclasses import dataclass
from typing import List

PATH = os.path.join(os.path.dirname(__file__), "..", "golden", "codec_vectors.txt")


def generated_bytes(count):
    return bytes(i & 0xFF for i in range(count))


def size_prefix(n):
    if n < 254:
        return bytes([n])
    if n <= 0xFFFF:
        return bytes([254]) + n.to_bytes(2, "little")
    return bytes([255]) + n.to_bytes(4, "little")


@dataclass
class Vector:
    name: str
    kind: str
    data: bytes
    description: str
    stderr: List[str]
    line: int

    def __str__(self):
        return self.name


def load():
    vectors = []
    with open(PATH, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            cols = line.split("\t")
            if len(cols) not in (4, 5):
                raise ValueError("line %d: %d columns" % (number, len(cols)))
            name, kind, hexs, description = cols[:4]
            stderr = cols[4].split("|") if len(cols) == 5 and cols[4] else []
            if hexs.startswith("gen-bytes:"):
                count = int(hexs[len("gen-bytes:"):])
                data = b"\x08" + size_prefix(count) + generated_bytes(count)
            else:
                data = b"" if hexs == "-" else bytes.fromhex(hexs)
            if description.startswith("gen-bytes:"):
                description = "bytes:" + generated_bytes(int(description[10:])).hex()
            vectors.append(Vector(name, kind, data, description, stderr, number))
    return vectors
