#!/usr/bin/env python3
"""Writes the seed corpus of mszip_fuzz (fuzz/corpus/mszip): runs of MSZIP blocks made with zlib
(each 32 KiB block a raw deflate stream with the previous block as dictionary, after "CK") at
several levels and strategies, and the small hand-made blocks of the unit tests (stored, fixed,
damaged headers). Record format: see mszip_fuzz.cpp."""
import os
import random
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "mszip")
BLOCK = 32768


def record(block, wanted=BLOCK):
    return struct.pack("<HH", len(block), wanted - 1) + block


def mszip_blocks(data, level, strategy):
    blocks = []
    for offset in range(0, len(data), BLOCK):
        z = zlib.compressobj(level, zlib.DEFLATED, -15, 8, strategy,
                             zdict=data[offset - BLOCK:offset] if offset else b"")
        block = b"CK" + z.compress(data[offset:offset + BLOCK]) + z.flush()
        blocks.append(block)
    return blocks


def sample_data(seed, size):
    rng = random.Random(seed)
    words = [b"setup ", b"install ", b"game ", b"folder ", b"\r\n", b"the "]
    out = bytearray()
    while len(out) < size:
        kind = rng.randrange(3)
        if kind == 0:
            out += b"".join(rng.choice(words) for _ in range(rng.randrange(1, 200)))
        elif kind == 1:
            out += bytes(rng.randrange(256) for _ in range(rng.randrange(1, 300)))
        else:
            out += bytes([rng.randrange(256)]) * rng.randrange(3, 400)
    return bytes(out[:size])


class BitWriter:
    """Bits least-significant first; Huffman codes most-significant bit first."""

    def __init__(self):
        self.bits = []

    def put(self, value, count):
        self.bits += [(value >> i) & 1 for i in range(count)]
        return self

    def code(self, code, length):
        self.bits += [(code >> (length - 1 - i)) & 1 for i in range(length)]
        return self

    def fixed_litlen(self, symbol):
        if symbol < 144:
            return self.code(0x30 + symbol, 8)
        if symbol < 256:
            return self.code(0x190 + symbol - 144, 9)
        if symbol < 280:
            return self.code(symbol - 256, 7)
        return self.code(0xC0 + symbol - 280, 8)

    def finish(self):
        bits = self.bits + [0] * (-len(self.bits) % 8)
        return b"CK" + bytes(sum(bits[i + k] << k for k in range(8)) for i in range(0, len(bits), 8))


def fixed_match():
    # "ab", length 7 (symbol 261) at distance 2 (symbol 1), end of block
    w = BitWriter().put(1, 1).put(1, 2).fixed_litlen(ord("a")).fixed_litlen(ord("b"))
    return w.fixed_litlen(261).code(1, 5).fixed_litlen(256).finish()


def far_match():
    # length 3 at distance 32,768 (symbol 29 with 13 extra bits), reaching into the previous block
    return BitWriter().put(1, 1).put(1, 2).fixed_litlen(257).code(29, 5).put(8191, 13).fixed_litlen(256).finish()


HAND_MADE = {
    "stored": b"CK\x01\x05\x00\xfa\xffhello",
    "stored_bad_nlen": b"CK\x01\x05\x00\xfb\xffhello",
    "fixed_match": fixed_match(),
    "far_match": far_match(),
    "reserved_type": BitWriter().put(1, 1).put(3, 2).finish(),
    "dynamic_hlit_30": BitWriter().put(1, 1).put(2, 2).put(30, 5).put(0, 5).put(15, 4).put(0, 30).finish(),
    "tag_only": b"CK",
    "no_tag": b"KC\x03\x00",
}


def write(name, content):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(content)


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, block in HAND_MADE.items():
        write(name, b"\x00" + record(block))
        write(name + "_wanted3", b"\x00" + record(block, 3))
    data = sample_data(1, 3 * BLOCK)
    for level, strategy, name in [(1, zlib.Z_DEFAULT_STRATEGY, "l1"), (6, zlib.Z_DEFAULT_STRATEGY, "l6"),
                                  (9, zlib.Z_FILTERED, "l9_filtered"), (6, zlib.Z_HUFFMAN_ONLY, "huffman"),
                                  (6, zlib.Z_RLE, "rle"), (6, zlib.Z_FIXED, "fixed")]:
        blocks = mszip_blocks(data, level, strategy)
        write("zlib_" + name, b"\x00" + b"".join(record(b) for b in blocks))
    # a small window (maximum output 4 x 128 = 512) with short blocks
    small = sample_data(2, 1024)
    blocks = [b"CK" + zlib.compress(small[:512], 6, wbits=-15)]
    write("small_window", b"\x04" + b"".join(record(b, 512) for b in blocks))
    # a full stored block, then a block matching into it
    write("far_match_run", b"\x00" + record(mszip_blocks(data, 0, zlib.Z_DEFAULT_STRATEGY)[0]) + record(far_match()))


if __name__ == "__main__":
    main()
