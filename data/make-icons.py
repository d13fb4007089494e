#!/usr/bin/env python3
"""Draws the desktop icons under data/icons/: a scalable SVG and PNGs of the
usual hicolor sizes, all the resistor of assets/logo.png (4.7 kOhm 5% on a
dark rounded tile). The PNGs come from the same drawing as the logo, so the
icon and the window's logo agree. Python standard library only."""
import importlib.util
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
NAME = "org.resistenze.Resistenze"
SIZES = [16, 24, 32, 48, 64, 128, 256]

spec = importlib.util.spec_from_file_location(
    "logo", os.path.join(HERE, "..", "scripts", "make-logo.py"))
logo = importlib.util.module_from_spec(spec)
spec.loader.exec_module(logo)


def hex_colour(rgb):
    return "#%02x%02x%02x" % rgb


def svg():
    """The logo's shapes in its own 64-unit coordinates."""
    parts = [
        '<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">',
        '<rect x="1" y="1" width="62" height="62" rx="12" fill="%s"/>' % hex_colour(logo.TILE),
        '<rect x="4" y="30" width="56" height="4" fill="%s"/>' % hex_colour(logo.LEAD),
        '<rect x="12" y="21" width="40" height="22" rx="8" fill="%s"/>'
        % hex_colour(logo.BODY_EDGE),
        '<rect x="13.2" y="22.2" width="37.6" height="19.6" rx="7" fill="%s"/>'
        % hex_colour(logo.BODY),
    ]
    for left, band in logo.BANDS:
        parts.append('<rect x="%g" y="22.2" width="6" height="19.6" fill="%s"/>'
                     % (left, hex_colour(band)))
    parts.append('<rect x="13.2" y="24" width="37.6" height="2.5" fill="#ffffff" '
                 'fill-opacity="0.16"/>')
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


def png(size):
    ss = max(2, 256 // size)  # samples per pixel along each axis
    scale = logo.SIZE / size
    rows = []
    for py in range(size):
        row = bytearray([0])
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(ss):
                for sx in range(ss):
                    r, g, b, a = logo.sample((px + (sx + 0.5) / ss) * scale,
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
    data = b"\x89PNG\r\n\x1a\n"
    data += logo.chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    data += logo.chunk(b"IDAT", zlib.compress(b"".join(rows), 9))
    data += logo.chunk(b"IEND", b"")
    return data


def main():
    out = os.path.join(HERE, "icons")
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, NAME + ".svg"), "w") as f:
        f.write(svg())
    for size in SIZES:
        with open(os.path.join(out, "%s-%d.png" % (NAME, size)), "wb") as f:
            f.write(png(size))


if __name__ == "__main__":
    main()
