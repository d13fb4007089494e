#!/usr/bin/env python3
"""Makes assets/fondo3.jpg, the window's background picture.

An electronics bench seen from above, in horizontal bands that follow the
window's layout (the picture is scaled to cover the window and cropped at the
sides, so a band sits at the same fraction of the height at any proportion):

- top, under the clock bar, the colour buttons and the band strip: a dark
  blue-teal circuit board with soft out-of-focus lights, traces and a few
  resistors, so that white captions read on it;
- from 31 % to 35 % of the height: a bright green edge. It lies under the
  first result line of a 5:4 window but under the band strip of a 16:9 one:
  light enough for black text, and still dark once the band strip keeps only
  the channels' average as green (high green, low red and blue);
- from 35 % to 86 %, under the result lines: light engineering paper with a
  faint grid and a pale schematic, where black text reads at well over 7:1;
- bottom, under "Fine" and "Resetta": the dark board again.

Deterministic: the same picture comes out every time.

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

# The bands, as fractions of the height.
GREEN_FROM, GREEN_FULL = 0.278, 0.309  # dark board turns into the green edge
GREEN_LAST, PAPER_FULL = 0.354, 0.400  # green edge fades into the paper
PAPER_LAST, DARK_FULL = 0.864, 0.886  # paper gives way to the dark board

TOP_ZONE = (0, int(0.262 * H))  # rows where the board's details may go
PAPER_ZONE = (int(0.415 * H), int(0.845 * H))
BOTTOM_ZONE = (int(0.905 * H), H)

GREEN = (16, 204, 96)
PAPER = (228, 240, 235)


def smooth(a, b, v):
    t = min(1.0, max(0.0, (v - a) / (b - a)))
    return t * t * (3 - 2 * t)


def mix(c, d, t):
    return [c[k] * (1 - t) + d[k] * t for k in range(3)]


def board(x, y):
    """The dark board: diagonal gradient, two glows, darker towards the edges."""
    top_left, bottom_right = (10, 22, 44), (4, 30, 38)
    glows = [(0.30, 0.10, 0.45, (16, 42, 62)), (0.80, 0.95, 0.40, (6, 34, 40))]
    t = x * 0.6 + y * 0.4
    c = mix(top_left, bottom_right, t)
    for gx, gy, gr, gc in glows:
        d = math.hypot((x - gx) * 16 / 9, y - gy) / gr
        f = math.exp(-d * d * 2.2)
        c = [c[k] + gc[k] * f for k in range(3)]
    v = math.hypot((x - 0.5) * 1.25, 0.0)
    dark = max(0.6, 1.0 - 0.5 * v * v)
    return [ck * dark for ck in c]


def green_edge(x):
    """Brightest in the middle, a little deeper at the sides."""
    f = 0.92 + 0.08 * math.cos((x - 0.5) * math.pi)
    return [GREEN[0] * f, GREEN[1] * f, GREEN[2] * f]


def paper(x, y):
    """Cool white at the top, a touch warmer further down."""
    t = (y - PAPER_FULL) / (PAPER_LAST - PAPER_FULL)
    return mix(PAPER, (236, 238, 228), max(0.0, min(1.0, t)))


def base_field(path, w=480, h=270):
    rows = []
    for j in range(h):
        y = (j + 0.5) / h
        row = bytearray()
        for i in range(w):
            x = (i + 0.5) / w
            c = board(x, y)
            c = mix(c, green_edge(x), smooth(GREEN_FROM, GREEN_FULL, y))
            c = mix(c, paper(x, y), smooth(GREEN_LAST, PAPER_FULL, y))
            c = mix(c, board(x, y), smooth(PAPER_LAST, DARK_FULL, y))
            row += bytes(max(0, min(255, int(ck + 0.5))) for ck in c)
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
    """Soft lights over the dark board only."""
    palette = ["#5fd3e6", "#3a8fd9", "#7fe0c4", "#e6b35f", "#9bb8ff"]
    out = ["viewbox 0 0 %d %d" % (W, H), "stroke none"]
    for zone, count in ((TOP_ZONE, 30), (BOTTOM_ZONE, 10)):
        for _ in range(count):
            r = rng.choice([16, 22, 30, 44, 60])
            x = rng.uniform(-40, W + 40)
            y = rng.uniform(zone[0] + r * 0.3, zone[1] - r - 30) if zone is TOP_ZONE \
                else rng.uniform(zone[0] + r + 20, zone[1] + 20)
            a = rng.uniform(0.14, 0.30) * (1.3 if r < 35 else 1.0)
            out.append("fill " + rgba(rng.choice(palette), a))
            out.append("circle %.1f,%.1f %.1f,%.1f" % (x, y, x + r, y))
    return "\n".join(out)


DIRS = [(1, 0), (0, 1), (-1, 0), (0, -1)]


def inside(pts, zone, margin=12):
    return all(-40 < x < W + 40 and zone[0] + margin <= y <= zone[1] - margin for x, y in pts)


def trace_path(zone, chamfer=True):
    """A trace that runs straight and turns, through 45-degree chamfers on
    the board and square on the paper, kept inside its zone."""
    g = 24
    for _ in range(200):
        x = rng.randrange(1, W // g) * g
        y = rng.randrange(zone[0] // g + 1, zone[1] // g) * g
        d = rng.choice([0, 2]) if rng.random() < 0.7 else rng.randrange(4)
        pts = [(x, y)]
        for _ in range(rng.randint(2, 4)):
            run = rng.randint(3, 12) * g
            x, y = x + DIRS[d][0] * run, y + DIRS[d][1] * run
            pts.append((x, y))
            nd = (d + rng.choice([1, 3])) % 4
            if chamfer:
                c = rng.randint(1, 2) * g
                x, y = x + (DIRS[d][0] + DIRS[nd][0]) * c, y + (DIRS[d][1] + DIRS[nd][1]) * c
                pts.append((x, y))
            d = nd
        run = rng.randint(2, 8) * g
        pts.append((x + DIRS[d][0] * run, y + DIRS[d][1] * run))
        if inside(pts, zone):
            return pts
    return [(0, zone[0] + 24), (W, zone[0] + 24)]


def parallel(pts, k, spacing=12):
    """The k-th neighbour of a trace in a bus: shifted across its first run."""
    (x0, y0), (x1, y1) = pts[0], pts[1]
    horizontal = y0 == y1
    dx, dy = (0, spacing * k) if horizontal else (spacing * k, 0)
    return [(x + dx, y + dy) for x, y in pts]


def board_traces_mvg():
    """Faint circuit traces ending in pads on the dark board, some in small
    buses, and a row of lit traces along the green edge."""
    out = ["viewbox 0 0 %d %d" % (W, H), "fill none", "stroke-linecap round",
           "stroke-linejoin round"]
    lines = []
    for zone, count in ((TOP_ZONE, 18), (BOTTOM_ZONE, 6)):
        for _ in range(count):
            pts = trace_path(zone)
            lines.append(pts)
            if rng.random() < 0.35:
                for k in range(1, rng.randint(2, 4)):
                    bus = parallel(pts, k)
                    if inside(bus, zone, 4):
                        lines.append(bus)
    pads = []
    for pts in lines:
        out.append("stroke %s stroke-width %d" % (rgba("#4fb8c4", 0.34), rng.choice([2, 2, 3])))
        out.append("polyline " + " ".join("%d,%d" % p for p in pts))
        pads += [pts[0], pts[-1]]
    out.append("stroke %s stroke-width 2 fill %s" % (rgba("#4fb8c4", 0.45), rgba("#0b2630", 0.9)))
    for (x, y) in pads:
        r = rng.choice([4, 5, 6])
        out.append("circle %d,%d %d,%d" % (x, y, x + r, y))
    # The green edge: saturated lime traces, brighter to the eye than the
    # edge itself yet lower in channel average.
    for frac in (0.318, 0.330, 0.342):
        y = int(frac * H)
        x = rng.randint(-60, 40)
        out.append("stroke %s stroke-width 2" % rgba("#00f048", 0.85))
        segs = []
        while x < W + 40:
            run = rng.randint(6, 20) * 24
            segs.append((x, x + run))
            x += run + rng.randint(2, 5) * 24
        for a, b in segs:
            out.append("line %d,%d %d,%d" % (a, y, b, y))
        out.append("stroke none fill " + rgba("#00f048", 0.9))
        for a, b in segs:
            for px in (a, b):
                out.append("circle %d,%d %d,%d" % (px, y, px + 4, y))
    return "\n".join(out), lines


def resistors_mvg(lines):
    """A few resistors along horizontal stretches of the board's traces."""
    bands = ["#8a5a2b", "#000000", "#c23b22", "#e07b1a", "#e3c81e", "#2f8f3a",
             "#2a5bd7", "#7d3cc2", "#8c8c8c", "#f2f2f2", "#c9a227"]
    out = ["viewbox 0 0 %d %d" % (W, H)]
    placed = []
    for pts in lines:
        for (x1, y1), (x2, y2) in zip(pts, pts[1:]):
            if (y1 == y2 and abs(x2 - x1) >= 150 and 80 < min(x1, x2) and max(x1, x2) < W - 80
                    and len(placed) < 7 and rng.random() < 0.6):
                cx, cy = (x1 + x2) / 2, y1
                if any(abs(cx - px) < 160 and abs(cy - py) < 90 for px, py in placed):
                    continue
                bw, bh = 74, 22
                out.append("stroke none fill " + rgba("#cdb48a", 0.45))
                out.append("roundrectangle %.1f,%.1f %.1f,%.1f 9,9"
                           % (cx - bw / 2, cy - bh / 2, cx + bw / 2, cy + bh / 2))
                for k, bx in enumerate((-24, -12, 0, 20)):
                    colour = rng.choice(bands) if k < 3 else "#c9a227"
                    out.append("fill " + rgba(colour, 0.6))
                    out.append("rectangle %.1f,%.1f %.1f,%.1f"
                               % (cx + bx - 3, cy - bh / 2 + 1, cx + bx + 3, cy + bh / 2 - 1))
                placed.append((cx, cy))
    return "\n".join(out)


INK = "#8db2c1"  # schematic lines: relative luminance about 0.41


def grid_mvg():
    """Engineering paper: a faint square grid, every fifth line a little firmer."""
    out = ["viewbox 0 0 %d %d" % (W, H), "fill none", "stroke-width 1"]
    top, bottom = int(GREEN_LAST * H), int(DARK_FULL * H)
    for k, x in enumerate(range(0, W + 1, 24)):
        out.append("stroke " + rgba("#9cc3c4", 0.42 if k % 5 == 0 else 0.20))
        out.append("line %d,%d %d,%d" % (x, top, x, bottom))
    for k, y in enumerate(range(top - top % 24, bottom, 24)):
        out.append("stroke " + rgba("#9cc3c4", 0.42 if (y // 24) % 5 == 0 else 0.20))
        out.append("line 0,%d %d,%d" % (y, W, y))
    return "\n".join(out)


def zigzag(cx, cy, horizontal, half=30, amp=9, teeth=6):
    """The points of a resistor symbol centred on (cx, cy)."""
    pts = []
    for k in range(teeth + 1):
        along = -half + 2 * half * k / teeth
        across = 0 if k in (0, teeth) else (amp if k % 2 else -amp)
        pts.append((cx + along, cy + across) if horizontal else (cx + across, cy + along))
    return pts


def schematic_mvg():
    """A pale circuit drawing on the paper: wires at right angles, resistors,
    capacitors, junction dots and ground marks."""
    out = ["viewbox 0 0 %d %d" % (W, H), "fill none", "stroke-linecap round",
           "stroke-linejoin round", "stroke %s stroke-width 2" % rgba(INK, 0.9)]
    dots, grounds = [], []
    for _ in range(11):
        pts = trace_path(PAPER_ZONE, chamfer=False)
        pieces = [[pts[0]]]
        for (x1, y1), (x2, y2) in zip(pts, pts[1:]):
            length = abs(x2 - x1) + abs(y2 - y1)
            if length >= 144 and rng.random() < 0.7:
                horizontal = y1 == y2
                cx, cy = (x1 + x2) / 2, (y1 + y2) / 2
                sx, sy = (1, 0) if horizontal else (0, 1)
                sgn = 1 if (x2 - x1) + (y2 - y1) > 0 else -1
                a = (cx - sgn * sx * 30, cy - sgn * sy * 30)
                b = (cx + sgn * sx * 30, cy + sgn * sy * 30)
                pieces[-1].append(a)
                if rng.random() < 0.7:
                    out.append("polyline " + " ".join(
                        "%.1f,%.1f" % p for p in zigzag(cx, cy, horizontal)))
                else:  # a capacitor: two plates across the wire, a gap between
                    pieces[-1][-1] = (cx - sgn * sx * 5, cy - sgn * sy * 5)
                    b = (cx + sgn * sx * 5, cy + sgn * sy * 5)
                    for p in (pieces[-1][-1], b):
                        px, py = p
                        if horizontal:
                            out.append("line %.1f,%.1f %.1f,%.1f" % (px, py - 14, px, py + 14))
                        else:
                            out.append("line %.1f,%.1f %.1f,%.1f" % (px - 14, py, px + 14, py))
                pieces.append([b])
            pieces[-1].append((x2, y2))
        for piece in pieces:
            out.append("polyline " + " ".join("%.1f,%.1f" % p for p in piece))
        dots.append(pts[0])
        (grounds if rng.random() < 0.4 else dots).append(pts[-1])
    for x, y in grounds:
        for k, half in enumerate((14, 9, 4)):
            out.append("line %d,%d %d,%d" % (x - half, y + 6 * k, x + half, y + 6 * k))
    out.append("stroke none fill " + rgba(INK, 0.9))
    for x, y in dots:
        out.append("circle %d,%d %d,%d" % (x, y, x + 4, y))
    return "\n".join(out)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "assets", "fondo3.jpg")
    with tempfile.TemporaryDirectory() as tmp:
        base = os.path.join(tmp, "base.ppm")
        base_field(base)
        traces, lines = board_traces_mvg()
        draw = {"bokeh": bokeh_mvg(), "traces": traces, "resistors": resistors_mvg(lines),
                "grid": grid_mvg(), "schematic": schematic_mvg()}
        layer = ["-size", "%dx%d" % (W, H), "xc:none", "-draw"]
        cmd = ["convert", "-seed", "1983", base, "-filter", "Triangle", "-resize", "%dx%d!" % (W, H),
               # soft lights, well out of focus
               "(", *layer, draw["bokeh"], "-blur", "0x16", ")",
               "-compose", "screen", "-composite",
               # traces: a faint glow under a crisp line
               "(", *layer, draw["traces"], "(", "+clone", "-blur", "0x5", ")", "+swap",
               "-compose", "over", "-composite", ")",
               "-compose", "over", "-composite",
               "(", *layer, draw["resistors"], "-blur", "0x0.6", ")",
               "-compose", "over", "-composite",
               # the paper's grid and drawing, crisp but not hard
               "(", *layer, draw["grid"], ")", "-compose", "over", "-composite",
               "(", *layer, draw["schematic"], "-blur", "0x0.5", ")",
               "-compose", "over", "-composite",
               # a fine grain keeps the gradients from banding
               "-attenuate", "0.18", "+noise", "Gaussian",
               "-strip", "-sampling-factor", "4:2:0", "-quality", "90",
               "-interlace", "none", output]
        subprocess.run(cmd, check=True)
    print(output)


if __name__ == "__main__":
    main()
