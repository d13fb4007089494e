#!/usr/bin/env python3
"""Makes assets/fondo3.jpg, the window's background picture.

A dark blue-teal field with soft out-of-focus lights, faint circuit-board
traces and a few resistors lying on them; dark and calm enough that white
captions with black shadows read anywhere on it. Deterministic: the same
picture comes out every time.

usage: scripts/make-fondo3.py [output.jpg]   (needs ImageMagick's convert)
"""
import math
import os
import random
import subprocess
import sys
import tempfile

W, H = 1920, 1080
rng = random.Random(1983)


def base_field(path, w=480, h=270):
    """Low-resolution colour field: diagonal gradient, two glows, vignette."""
    top_left = (10, 22, 44)
    bottom_right = (4, 30, 38)
    glows = [  # centre x, centre y (0..1), radius, colour added
        (0.30, 0.42, 0.55, (16, 42, 62)),
        (0.78, 0.70, 0.40, (6, 34, 40)),
    ]
    rows = []
    for j in range(h):
        y = j / (h - 1)
        row = bytearray()
        for i in range(w):
            x = i / (w - 1)
            t = (x * 0.6 + y * 0.4)
            c = [top_left[k] * (1 - t) + bottom_right[k] * t for k in range(3)]
            for gx, gy, gr, gc in glows:
                d = math.hypot((x - gx) * 16 / 9, y - gy) / gr
                f = math.exp(-d * d * 2.2)
                c = [c[k] + gc[k] * f for k in range(3)]
            v = math.hypot((x - 0.5) * 1.25, (y - 0.5) * 1.4)
            dark = max(0.55, 1.0 - 0.55 * v * v)
            row += bytes(max(0, min(255, int(c[k] * dark + 0.5))) for k in range(3))
        rows.append(bytes(row))
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h))
        for r in rows:
            f.write(r)


def rgba(colour, alpha):
    """An MVG colour with its own opacity (fill-opacity does not carry over
    reliably between primitives)."""
    r, g, b = (int(colour[i:i + 2], 16) for i in (1, 3, 5))
    return "rgba(%d,%d,%d,%.3f)" % (r, g, b, alpha)


def bokeh_mvg():
    palette = ["#5fd3e6", "#3a8fd9", "#7fe0c4", "#e6b35f", "#9bb8ff"]
    out = ["viewbox 0 0 %d %d" % (W, H), "stroke none"]
    for _ in range(40):
        r = rng.choice([16, 22, 30, 44, 60, 84, 110])
        x, y = rng.uniform(-40, W + 40), rng.uniform(-40, H + 40)
        a = rng.uniform(0.16, 0.36) * (1.3 if r < 35 else 1.0) * (1.0 - 0.4 * max(0.0, y / H))
        out.append("fill " + rgba(rng.choice(palette), a))
        out.append("circle %.1f,%.1f %.1f,%.1f" % (x, y, x + r, y))
    return "\n".join(out)


DIRS = [(1, 0), (0, 1), (-1, 0), (0, -1)]


def trace_path():
    """A trace that runs straight and turns through 45-degree chamfers."""
    g = 24
    x, y = rng.randrange(2, W // g - 2) * g, rng.randrange(2, H // g - 2) * g
    d = rng.randrange(4)
    pts = [(x, y)]
    for _ in range(rng.randint(2, 4)):
        run = rng.randint(3, 12) * g
        x, y = x + DIRS[d][0] * run, y + DIRS[d][1] * run
        pts.append((x, y))
        turn = rng.choice([1, 3])
        nd = (d + turn) % 4
        c = rng.randint(1, 2) * g
        x, y = x + (DIRS[d][0] + DIRS[nd][0]) * c, y + (DIRS[d][1] + DIRS[nd][1]) * c
        pts.append((x, y))
        d = nd
    run = rng.randint(2, 8) * g
    pts.append((x + DIRS[d][0] * run, y + DIRS[d][1] * run))
    return pts


def parallel(pts, k, spacing=12):
    """The k-th neighbour of a trace in a bus: shifted across its first run."""
    (x0, y0), (x1, y1) = pts[0], pts[1]
    horizontal = y0 == y1
    dx, dy = (0, spacing * k) if horizontal else (spacing * k, 0)
    return [(x + dx, y + dy) for x, y in pts]


def traces_mvg():
    """Faint circuit traces ending in pads, some in small buses."""
    out = ["viewbox 0 0 %d %d" % (W, H), "fill none", "stroke-linecap round",
           "stroke-linejoin round"]
    lines = []
    for _ in range(24):
        pts = trace_path()
        lines.append(pts)
        if rng.random() < 0.35:
            for k in range(1, rng.randint(2, 4)):
                lines.append(parallel(pts, k))
    pads = []
    for pts in lines:
        out.append("stroke %s stroke-width %d" % (rgba("#4fb8c4", 0.34), rng.choice([2, 2, 3])))
        out.append("polyline " + " ".join("%d,%d" % p for p in pts))
        pads += [pts[0], pts[-1]]
    out.append("stroke %s stroke-width 2 fill %s" % (rgba("#4fb8c4", 0.45), rgba("#0b2630", 0.9)))
    for (x, y) in pads:
        r = rng.choice([4, 5, 6])
        out.append("circle %d,%d %d,%d" % (x, y, x + r, y))
    return "\n".join(out), lines


def resistors_mvg(lines):
    """A few resistors along horizontal stretches of the traces."""
    bands = ["#8a5a2b", "#000000", "#c23b22", "#e07b1a", "#e3c81e", "#2f8f3a",
             "#2a5bd7", "#7d3cc2", "#8c8c8c", "#f2f2f2", "#c9a227"]
    out = ["viewbox 0 0 %d %d" % (W, H)]
    placed = []
    for pts in lines:
        for (x1, y1), (x2, y2) in zip(pts, pts[1:]):
            if (y1 == y2 and abs(x2 - x1) >= 150 and 60 < y1 < H - 60 and 80 < min(x1, x2)
                    and max(x1, x2) < W - 80 and len(placed) < 6 and rng.random() < 0.5):
                cx, cy = (x1 + x2) / 2, y1
                if any(abs(cx - px) < 140 and abs(cy - py) < 90 for px, py in placed):
                    continue
                bw, bh = 74, 22
                out.append("stroke none fill " + rgba("#cdb48a", 0.40))
                out.append("roundrectangle %.1f,%.1f %.1f,%.1f 9,9"
                           % (cx - bw / 2, cy - bh / 2, cx + bw / 2, cy + bh / 2))
                for k, bx in enumerate((-24, -12, 0, 20)):
                    colour = rng.choice(bands) if k < 3 else "#c9a227"
                    out.append("fill " + rgba(colour, 0.55))
                    out.append("rectangle %.1f,%.1f %.1f,%.1f"
                               % (cx + bx - 3, cy - bh / 2 + 1, cx + bx + 3, cy + bh / 2 - 1))
                placed.append((cx, cy))
    return "\n".join(out)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "assets", "fondo3.jpg")
    with tempfile.TemporaryDirectory() as tmp:
        base = os.path.join(tmp, "base.ppm")
        base_field(base)
        traces, lines = traces_mvg()
        draw = {"bokeh": bokeh_mvg(), "traces": traces, "resistors": resistors_mvg(lines)}
        layer = ["-size", "%dx%d" % (W, H), "xc:none", "-draw"]
        cmd = ["convert", "-seed", "1983", base, "-filter", "Lanczos", "-resize", "%dx%d!" % (W, H),
               # soft lights, well out of focus
               "(", *layer, draw["bokeh"], "-blur", "0x16", ")",
               "-compose", "screen", "-composite",
               # traces: a faint glow under a crisp line
               "(", *layer, draw["traces"], "(", "+clone", "-blur", "0x5", ")", "+swap",
               "-compose", "over", "-composite", ")",
               "-compose", "over", "-composite",
               "(", *layer, draw["resistors"], "-blur", "0x0.6", ")",
               "-compose", "over", "-composite",
               # a fine grain keeps the gradients from banding
               "-attenuate", "0.18", "+noise", "Gaussian",
               "-strip", "-sampling-factor", "4:2:0", "-quality", "90",
               "-interlace", "none", output]
        subprocess.run(cmd, check=True)
    print(output)


if __name__ == "__main__":
    main()
