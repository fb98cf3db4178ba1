#!/usr/bin/env python3
"""Writes a stand-in GS firmware image as Motorola S-records.

The Freescale bootloader of the GS family takes its image as text. This one
carries no real code: an S0 header naming the firmware ("GS-1.6.9"), program
words from a fixed seed in S1 records, and the S9 end record.

Usage: make-srecords.py OUT HEADER [--size BYTES] [--address 0x1000]
"""
import argparse

RECORD_DATA = 32


def record(kind: str, address: int, data: bytes) -> str:
    body = bytes([len(data) + 3]) + address.to_bytes(2, "big") + data
    checksum = 0xFF - (sum(body) & 0xFF)
    return "S" + kind + (body + bytes([checksum])).hex().upper() + "\r\n"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("header")
    parser.add_argument("--size", type=int, default=10240)
    parser.add_argument("--address", type=lambda s: int(s, 0), default=0x1000)
    args = parser.parse_args()
    if args.address + args.size > 0x10000:
        raise SystemExit("S1 records address 64 KiB")
    lines = [record("0", 0, args.header.encode("ascii"))]
    state = 0x1F2E3D4C
    data = bytearray()
    for _ in range(args.size):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        data.append(state >> 16 & 0xFF)
    for offset in range(0, len(data), RECORD_DATA):
        lines.append(record("1", args.address + offset, bytes(data[offset:offset + RECORD_DATA])))
    lines.append(record("9", args.address, b""))
    with open(args.out, "w", newline="") as out:
        out.write("".join(lines))


if __name__ == "__main__":
    main()
