#!/usr/bin/env python3
"""Writes the seed inputs of fuzz_database into corpus/database: small databases made by
picdex-cli, sound and damaged, in the target's input layout (an options byte, the length of
the main-file part, the main file as length-prefixed blocks without their trailing zeros,
the index header's fixed bytes, the used skip slots and the entries).

usage: make_database_seeds.py PICDEX_CLI TESTDATA_DIR OUTPUT_DIR
"""
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

BLOCK = 2048
INDEX_FIXED = 24
SKIP_SLOTS = 8192
INDEX_HEADER = INDEX_FIXED + 4 * SKIP_SLOTS
ENTRY = 52

OPT_MAIN_READ_ONLY, OPT_INDEX_READ_ONLY, OPT_OWN_OPEN, OPT_APPEND = 1, 2, 4, 8


def encode_main(main: bytes) -> bytes:
    out = bytearray()
    for at in range(0, len(main), BLOCK):
        block = main[at:at + BLOCK]
        if len(block) < BLOCK:  # a torn last block: declared whole, bytes run out
            out += struct.pack("<H", BLOCK) + block
            break
        used = block.rstrip(b"\0")
        out += struct.pack("<H", len(used)) + used
    return bytes(out)


def encode_index(index: bytes) -> bytes:
    if len(index) < INDEX_HEADER:
        return index
    slots = [index[INDEX_FIXED + 4 * k:INDEX_FIXED + 4 * k + 4] for k in range(SKIP_SLOTS)]
    used = SKIP_SLOTS
    while used > 0 and slots[used - 1] == b"\xff\xff\xff\xff":
        used -= 1
    return (index[:INDEX_FIXED] + struct.pack("<H", used) + b"".join(slots[:used]) +
            index[INDEX_HEADER:])


def encode(options: int, main: bytes, index: bytes) -> bytes:
    part = encode_main(main)
    return bytes([options]) + struct.pack("<I", len(part)) + part + encode_index(index)


def put32(data: bytes, offset: int, value: int) -> bytes:
    return data[:offset] + struct.pack("<i", value) + data[offset + 4:]


def main() -> int:
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    cli, testdata, output = sys.argv[1], Path(sys.argv[2]), Path(sys.argv[3])
    output.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory() as folder:
        def run(*args):
            subprocess.run([cli, *args], check=True, stdout=subprocess.DEVNULL)

        def files(base):
            return (Path(folder, base + ".PXM").read_bytes(),
                    Path(folder, base + ".PXI").read_bytes())

        empty = str(Path(folder, "empty"))
        run("create", empty)
        full = str(Path(folder, "full"))
        run("create", full)
        run("--yes", "add", full, str(testdata / "gif/sample_1.gif"),
            str(testdata / "jpeg/jpg-size-1x1.jpg"), "--keyword", "cat", "--keyword", "Dog")
        run("store", full, str(testdata / "gif/sample_2_animation.gif"), "--keyword", "bird")
        run("password", full, "--set", "secret12")
        run("--password", "secret12", "delete", full, "3")

        empty_main, empty_index = files("empty")
        main_bytes, index_bytes = files("full")
        seeds = {
            "empty": encode(0, empty_main, empty_index),
            "records": encode(0, main_bytes, index_bytes),
            "records-own-open-append": encode(OPT_OWN_OPEN | OPT_APPEND, main_bytes, index_bytes),
            "records-read-only": encode(OPT_MAIN_READ_ONLY | OPT_INDEX_READ_ONLY, main_bytes,
                                        index_bytes),
            "no-index": encode(OPT_OWN_OPEN, main_bytes, b""),
            "torn-main": encode(OPT_APPEND, main_bytes[:BLOCK * 2 + 700], index_bytes),
            # The second entry's next link points at itself.
            "index-loop": encode(0, main_bytes, put32(index_bytes, INDEX_HEADER + ENTRY + 4, 1)),
            # A skip slot names an entry past the end.
            "skip-out-of-range": encode(OPT_INDEX_READ_ONLY, main_bytes,
                                        put32(index_bytes, INDEX_FIXED, 4000)),
            # The first picture chain's block links to itself.
            "chain-loop": encode(0, put32(main_bytes, 2 * BLOCK + 4, 2), index_bytes),
        }
        for name, data in seeds.items():
            (output / name).write_bytes(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
