"""Seeds a fuzz corpus folder from the golden codec vectors (one file per vector, the hex as
bytes), then runs the command after '--'. Usage: seed_corpus.py VECTORS DIR -- COMMAND..."""

import os
import subprocess
import sys


def expand(hex_text):
    if not hex_text.startswith("gen-bytes:"):
        return bytes.fromhex("" if hex_text == "-" else hex_text)
    n = int(hex_text[len("gen-bytes:"):])
    size = (bytes([n]) if n < 254 else b"\xfe" + n.to_bytes(2, "little") if n <= 0xFFFF
            else b"\xff" + n.to_bytes(4, "little"))
    return b"\x08" + size + bytes(i & 0xFF for i in range(n))


def main(argv):
    split = argv.index("--")
    vectors, folder = argv[1:split]
    os.makedirs(folder, exist_ok=True)
    for line in open(vectors, encoding="utf-8"):
        if line.strip() and not line.startswith("#"):
            fields = line.rstrip("\n").split("\t")
            with open(os.path.join(folder, "golden-" + fields[0]), "wb") as out:
                out.write(expand(fields[2]))
    return subprocess.call(argv[split + 1:])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
