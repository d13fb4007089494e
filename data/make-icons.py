#!/usr/bin/env python3
"""Draws the desktop icons under data/icons/: a scalable SVG and PNGs of the
usual hicolor sizes, all the resistor of assets/logo.png (4.7 kOhm 5% on a
dark rounded tile). The PNGs come from the same drawing as the logo, so the
icon and the window's logo agree. Python standard library only."""
import importlib.util
import os

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


def main():
    out = os.path.join(HERE, "icons")
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, NAME + ".svg"), "w") as f:
        f.write(svg())
    for size in SIZES:
        with open(os.path.join(out, "%s-%d.png" % (NAME, size)), "wb") as f:
            # Finer sampling for the smaller sizes: about 256 samples across.
            f.write(logo.png(size, max(2, 256 // size)))


if __name__ == "__main__":
    main()
