#!/usr/bin/env python3
"""Writes the music fuzz target's seeds: small valid modules of our own in the three formats the
player meets (FastTracker 2 XM, ProTracker MOD, Scream Tracker 3 S3M), each a few hundred bytes
with notes, a looped sample, sync commands (effect W in XM), speed and tempo changes, a pattern
loop and a jump, so that mutations start from every part of each format.

    fuzz/make_music_seeds.py fuzz/corpus/music_module
"""
import struct
import sys
from pathlib import Path


def square(length, amplitude=90):
    """Signed 8-bit samples of a square wave."""
    return bytes((amplitude if i < length // 2 else -amplitude) & 0xFF for i in range(length))


# FastTracker 2 XM ------------------------------------------------------------------------------


def xm_pattern(rows, channels, cells):
    """cells: {(row, channel): (note, instrument, volume, effect, param)}; packed with the XM
    compression bits, empty cells as a lone 0x80."""
    data = bytearray()
    for r in range(rows):
        for c in range(channels):
            cell = cells.get((r, c))
            if cell is None:
                data.append(0x80)
                continue
            note, instrument, volume, effect, param = cell
            flags = 0x80
            body = bytearray()
            for bit, value in ((1, note), (2, instrument), (4, volume), (8, effect), (16, param)):
                if value:
                    flags |= bit
                    body.append(value)
            data.append(flags)
            data += body
    return struct.pack("<IBHH", 9, 0, rows, len(data)) + data


def xm_instrument(name, sample):
    header = struct.pack("<I22sBH", 263, name.encode(), 0, 1)
    header += struct.pack("<I", 40) + bytes(96) + bytes(48) + bytes(48)
    header += bytes([0, 0]) + bytes(6) + bytes([0, 0]) + bytes(4) + struct.pack("<H", 0)
    header += bytes(22)
    assert len(header) == 263
    # Delta-encoded 8-bit sample data, forward loop over the whole sample.
    deltas = bytearray()
    previous = 0
    for b in sample:
        value = b - 256 if b > 127 else b
        deltas.append((value - previous) & 0xFF)
        previous = value
    sample_header = struct.pack("<IIIBbBBbB22s", len(sample), 0, len(sample), 48, 0, 1, 128, 0, 0,
                                b"square")
    return header + sample_header + bytes(deltas)


def make_xm():
    channels, rows = 4, 16
    # XM stores effects as numbers: 0-9, then A = 10 ... Z = 35; W (the show's sync) is 32.
    F, E, B, W = 0x0F, 0x0E, 0x0B, 32
    p0 = {(0, 0): (49, 1, 0, F, 6), (0, 1): (0, 0, 0, F, 125), (2, 1): (0, 0, 0, W, 0x11),
          (4, 0): (53, 1, 0x30, 0, 0), (8, 2): (56, 1, 0, E, 0x60), (11, 2): (0, 0, 0, E, 0x62),
          (15, 3): (0, 0, 0, W, 1)}
    p1 = {(0, 0): (61, 1, 0, F, 3), (3, 1): (0, 0, 0, W, 2), (7, 0): (97, 0, 0, 0, 0),
          (15, 0): (0, 0, 0, B, 0)}
    patterns = [xm_pattern(rows, channels, p0), xm_pattern(rows, channels, p1)]
    orders = [0, 1, 0]
    header = b"Extended Module: " + b"seed xm".ljust(20, b"\0") + b"\x1a"
    header += b"v4npelva seeds".ljust(20, b"\0") + struct.pack("<H", 0x0104)
    header += struct.pack("<IHHHHHHHH", 276, len(orders), 1, channels, len(patterns), 1, 1, 6,
                          125)
    header += bytes(orders).ljust(256, b"\0")
    return header + b"".join(patterns) + xm_instrument("square", square(32))


# ProTracker MOD ------------------------------------------------------------------------------

AMIGA_PERIODS = [856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453]


def mod_cell(period=0, sample=0, effect=0, param=0):
    return bytes([(sample & 0xF0) | (period >> 8), period & 0xFF, (sample & 0x0F) << 4 | effect,
                  param])


def make_mod():
    title = b"seed mod".ljust(20, b"\0")
    sample = square(64)
    samples = struct.pack(">22sHBBHH", b"square", len(sample) // 2, 0, 48, 0, len(sample) // 2)
    samples += bytes(30) * 30
    orders = [0, 1, 0]
    header = title + samples + bytes([len(orders), 127]) + bytes(orders).ljust(128, b"\0")
    header += b"M.K."
    patterns = bytearray()
    for p in range(2):
        for r in range(64):
            for c in range(4):
                if r % 8 == 0 and c == 0:
                    patterns += mod_cell(AMIGA_PERIODS[(r // 8 + p) % 12], 1)
                elif r == 0 and c == 1:
                    patterns += mod_cell(effect=0xF, param=4 if p else 6)  # speed
                elif r == 16 and c == 2:
                    patterns += mod_cell(effect=0xE, param=0x60)  # pattern loop start
                elif r == 20 and c == 2:
                    patterns += mod_cell(effect=0xE, param=0x61)  # loop once
                elif p == 1 and r == 32 and c == 3:
                    patterns += mod_cell(effect=0xD, param=0)  # break to the next order
                else:
                    patterns += mod_cell()
    return header + bytes(patterns) + sample


# Scream Tracker 3 S3M ------------------------------------------------------------------------


def make_s3m():
    orders = [0, 1, 0, 255]  # an even count, the end marker last
    instruments, pattern_count = 1, 2
    header = b"seed s3m".ljust(28, b"\0") + bytes([0x1A, 16, 0, 0])
    header += struct.pack("<HHHHHH", len(orders), instruments, pattern_count, 0, 0x1320, 2)
    header += b"SCRM" + bytes([64, 6, 125, 0xB0, 0, 0]) + bytes(8) + struct.pack("<H", 0)
    header += bytes([0, 8, 1, 9] + [255] * 28)
    assert len(header) == 0x60
    header += bytes(orders)
    # Parapointers (offset / 16) follow: instruments, then patterns; everything is laid out on
    # 16-byte boundaries after them.
    table_end = len(header) + 2 * (instruments + pattern_count)
    layout_start = (table_end + 15) // 16 * 16
    sample = bytes((b + 128) & 0xFF for b in square(64))  # S3M samples are unsigned here
    instrument_at = layout_start
    patterns = []
    for p in range(pattern_count):
        rows = bytearray()
        for r in range(64):
            if r % 8 == 0:
                rows += bytes([0x20 | 0, (4 + p) << 4 | (r // 8) % 12, 1])  # note, instrument
            if r == 0:
                rows += bytes([0x80 | 1, 1, 6 - p])  # A: speed
                rows += bytes([0x40 | 2, 40])  # volume
            if r == 12 and p == 1:
                rows += bytes([0x80 | 3, 2, 0])  # B: jump to order 0
            if r == 20:
                rows += bytes([0x80 | 2, 19, 0xB1])  # S: SB1, loop once
            rows.append(0)
        patterns.append(struct.pack("<H", len(rows) + 2) + rows)
    pattern_at = []
    at = instrument_at + 80
    at = (at + 15) // 16 * 16
    for body in patterns:
        pattern_at.append(at)
        at = (at + len(body) + 15) // 16 * 16
    sample_at = at
    instrument = bytes([1]) + b"square.raw".ljust(12, b"\0")
    instrument += bytes([sample_at >> 20 & 0xFF]) + struct.pack("<H", sample_at >> 4 & 0xFFFF)
    instrument += struct.pack("<IIIBBBBI", len(sample), 0, len(sample), 48, 0, 0, 1, 8363)
    instrument += bytes(12) + b"square".ljust(28, b"\0") + b"SCRS"
    assert len(instrument) == 80
    out = bytearray(header)
    out += struct.pack("<H", instrument_at >> 4)
    for p in pattern_at:
        out += struct.pack("<H", p >> 4)
    out = out.ljust(instrument_at, b"\0") + instrument
    for p, body in zip(pattern_at, patterns):
        out = out.ljust(p, b"\0") + body
    out = out.ljust(sample_at, b"\0") + sample
    return bytes(out)


def main():
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else "fuzz/corpus/music_module")
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in (("seed.xm", make_xm()), ("seed.mod", make_mod()), ("seed.s3m", make_s3m())):
        (folder / name).write_bytes(data)
        print(f"{folder / name}: {len(data)} bytes")


if __name__ == "__main__":
    main()
