#!/usr/bin/env python3
"""Writes a deterministic stand-in for a gripper firmware image.

The real images come from the firmware team. This one only has to look like an
STM32F4 image to the ROM bootloader and to the simulated gripper:

  offset 0x000  initial stack pointer (little-endian, in SRAM)
  offset 0x004  reset vector (Thumb bit set, inside the image)
  offset 0x008  the remaining vectors of a 98-entry table, pointing at a handler
  offset 0x200  version record, 16 bytes:
                  "KVFW"  type code (3 bytes, zero padded)  major minor patch
                  (signed bytes)  6 zero bytes
  the rest      pseudo-random bytes from a fixed seed, so the image is
                reproducible and a flipped byte is noticed on read-back

Usage: make-standin-firmware.py OUT TYPE MAJOR.MINOR.PATCH [--size N]
       [--address 0x08080000]
"""
import argparse
import struct

VERSION_RECORD_OFFSET = 0x200
VECTOR_COUNT = 98
STACK_TOP = 0x20020000


def build(type_code: str, version, size: int, address: int) -> bytes:
    if size < VERSION_RECORD_OFFSET + 16:
        raise SystemExit("image too small for its version record")
    code = type_code.encode("ascii")
    if len(code) > 3:
        raise SystemExit("type code has at most three characters")
    reset = address + 0x400 | 1
    handler = address + 0x410 | 1
    image = bytearray(size)
    struct.pack_into("<II", image, 0, STACK_TOP, reset)
    for i in range(2, VECTOR_COUNT):
        struct.pack_into("<I", image, 4 * i, handler)
    record = b"KVFW" + code.ljust(3, b"\0") + struct.pack("bbb", *version) + bytes(6)
    image[VERSION_RECORD_OFFSET:VERSION_RECORD_OFFSET + 16] = record
    # xorshift32 from a seed derived from the name: deterministic, no library.
    state = 0x2545F491 ^ sum(code) ^ (version[0] << 16 | version[1] << 8 | version[2] & 0xFF)
    for pos in range(0x400, size):
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        image[pos] = state & 0xFF
    return bytes(image)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("type_code")
    parser.add_argument("version")
    parser.add_argument("--size", type=int, default=123992)
    parser.add_argument("--address", type=lambda s: int(s, 0), default=0x08080000)
    args = parser.parse_args()
    version = tuple(int(part) for part in args.version.split("."))
    if len(version) != 3 or any(not -128 <= v <= 127 for v in version):
        raise SystemExit("version is MAJOR.MINOR.PATCH, each -128..127")
    with open(args.out, "wb") as out:
        out.write(build(args.type_code, version, args.size, args.address))


if __name__ == "__main__":
    main()
