#!/usr/bin/env python3
"""Writes the stand-in firmware image (firmware.bin beside this script).

The real version 3.58 image is not in this repository. The stand-in has its
size and shape: the ATmega128 interrupt vector table (35 JMP instructions) and
then a deterministic pseudo-random body, so that byte-order and offset mistakes
show up in verification. Replacing it with the real image is a file swap.
"""
import pathlib
import struct

LENGTH = 81756
VECTORS = 35
JMP = 0x940C                       # first word of a 32-bit JMP, low byte first on the wire
RESET_TARGET = VECTORS * 2         # word address just past the table
BAD_INTERRUPT = RESET_TARGET + 2


def vector_table():
    table = bytearray()
    for vector in range(VECTORS):
        target = RESET_TARGET if vector == 0 else BAD_INTERRUPT
        table += struct.pack("<HH", JMP, target)
    return table


def body(count, seed=0x56454C54):   # "VELT"
    out = bytearray()
    state = seed
    while len(out) < count:
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        out += struct.pack("<I", state)
    return out[:count]


def main():
    image = vector_table()
    image += body(LENGTH - len(image))
    assert len(image) == LENGTH and image[:2] == b"\x0c\x94"
    path = pathlib.Path(__file__).with_name("firmware.bin")
    path.write_bytes(image)
    print(f"wrote {path.name}: {len(image)} bytes")


if __name__ == "__main__":
    main()
