#!/usr/bin/env python3
"""Draws assets/logo.png: a resistor with the bands of 4.7 kOhm 5% (yellow,
violet, red, gold) on a dark rounded tile, 64 by 64, anti-aliased by
supersampling. Python standard library only."""
import os
import struct
import zlib

SIZE = 64
SS = 4  # samples per pixel along each axis

TILE = (22, 44, 58)
LEAD = (196, 200, 204)
BODY = (222, 196, 150)
BODY_EDGE = (150, 120, 80)
BANDS = [(19, (235, 200, 20)), (27, (128, 0, 128)), (35, (215, 30, 30)), (42, (184, 140, 30))]


def inside_round_rect(x, y, x0, y0, x1, y1, r):
    """True when (x, y) lies in the rectangle with corners rounded by r."""
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def sample(x, y):
    """Colour (r, g, b, a) of the picture at the point (x, y)."""
    colour = None
    if inside_round_rect(x, y, 1, 1, 63, 63, 12):
        colour = TILE
    if colour and 30 <= y <= 34 and 4 <= x <= 60:
        colour = LEAD
    if inside_round_rect(x, y, 12, 21, 52, 43, 8):
        edge = not inside_round_rect(x, y, 13.2, 22.2, 50.8, 41.8, 7)
        colour = BODY_EDGE if edge else BODY
        if not edge:
            for left, band in BANDS:
                if left <= x <= left + 5:
                    colour = band
            # A soft highlight along the top of the body.
            if 24 <= y <= 26.5:
                colour = tuple(min(255, c + 40) for c in colour)
    return (0, 0, 0, 0) if colour is None else colour + (255,)


def render(size=SIZE, ss=SS):
    """The picture's rows at `size` pixels square (each led by PNG filter 0),
    ss x ss samples per pixel."""
    scale = SIZE / size
    rows = []
    for py in range(size):
        row = bytearray([0])  # filter type: none
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(ss):
                for sx in range(ss):
                    r, g, b, a = sample((px + (sx + 0.5) / ss) * scale,
                                        (py + (sy + 0.5) / ss) * scale)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3] / (ss * ss)
            if alpha == 0:
                row += bytes(4)
            else:
                row += bytes([round(acc[0] / acc[3]), round(acc[1] / acc[3]),
                              round(acc[2] / acc[3]), round(alpha)])
        rows.append(bytes(row))
    return b"".join(rows)


def png(size=SIZE, ss=SS):
    """The picture as a PNG file's bytes."""
    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(render(size, ss), 9))
    data += chunk(b"IEND", b"")
    return data


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "..", "assets", "logo.png"), "wb") as f:
        f.write(png())


if __name__ == "__main__":
    main()
