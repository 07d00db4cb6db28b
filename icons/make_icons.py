#!/usr/bin/env python3
"""Draws the icon library's images: simple white pictograms on rounded squares, blue for
devices and green for services, one group per identifier of the Vista+ column, state 0.

Each pictogram is a list of shapes in a 48-unit square. The script writes, for every group,
<id>.svg, <id>.png (32 pixels, the default icon size) and <id>-48.png, into the folder it sits
in. Only the standard library is used (zlib for PNG).

    python3 icons/make_icons.py
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
DEVICE = (0x2B, 0x5F, 0xA8)
SERVICE = (0x2E, 0x8B, 0x57)
WHITE = (0xFF, 0xFF, 0xFF)


# Shapes: ("rect", x, y, w, h, radius), ("circle", cx, cy, r), ("ring", cx, cy, r, width, half),
# ("line", x1, y1, x2, y2, width), ("poly", [(x, y), ...]). A shape ending in "cut" is painted in
# the background colour (a hole); others are white.
def rect(x, y, w, h, r=0, cut=False): return ("rect", x, y, w, h, r, cut)
def circle(cx, cy, r, cut=False): return ("circle", cx, cy, r, cut)
def ring(cx, cy, r, w, half=None, cut=False): return ("ring", cx, cy, r, w, half, cut)
def line(x1, y1, x2, y2, w, cut=False): return ("line", x1, y1, x2, y2, w, cut)
def poly(points, cut=False): return ("poly", points, cut)


def monitor():
    return [rect(8, 10, 32, 22, 2), rect(11, 13, 26, 16, 1, cut=True), rect(21, 32, 6, 5), rect(15, 37, 18, 3, 1)]

def headphones():
    return [ring(24, 26, 13, 3.5, "top"), rect(9, 25, 7, 12, 2), rect(32, 25, 7, 12, 2)]

def phone():
    return [rect(16, 7, 16, 34, 3), rect(19, 11, 10, 16, 1, cut=True), circle(24, 35, 2, cut=True)]

def printer():
    return [rect(15, 8, 18, 12, 1), rect(8, 18, 32, 14, 3), rect(15, 28, 18, 12, 1),
            rect(17, 30, 14, 8, cut=True), line(19, 33, 29, 33, 1.5),
            line(19, 36, 27, 36, 1.5)]

def keys(x0, y0, cols, rows, size, gap):
    return [rect(x0 + c * (size + gap), y0 + r * (size + gap), size, size, cut=True)
            for r in range(rows) for c in range(cols)]

ICONS = {
    # Devices (Vista+ column, state 0).
    20772: ("desktop computer", DEVICE, monitor()),
    20559: ("server", DEVICE, [rect(15, 7, 18, 34, 2)] + [rect(18, y, 12, 3, cut=True) for y in (11, 17, 23)]
            + [circle(24, 34, 2, cut=True)]),
    20775: ("laptop", DEVICE, [rect(11, 11, 26, 18, 2), rect(14, 14, 20, 12, 1, cut=True),
                               poly([(7, 33), (41, 33), (38, 38), (10, 38)])]),
    20556: ("handheld computer", DEVICE, [rect(14, 7, 20, 34, 4), rect(17, 11, 14, 18, 1, cut=True),
                                          circle(20, 35, 2, cut=True), circle(28, 35, 2, cut=True)]),
    20776: ("phone", DEVICE, phone() + [line(29, 7, 31, 3, 2)]),
    20777: ("modem or voice gateway", DEVICE, [rect(7, 19, 34, 13, 3), circle(14, 25.5, 1.8, cut=True),
                                               circle(20, 25.5, 1.8, cut=True), circle(26, 25.5, 1.8, cut=True),
                                               line(33, 19, 36, 10, 2)]),
    20779: ("network access point", DEVICE, [rect(12, 28, 24, 10, 2), line(24, 28, 24, 17, 2.5),
                                             ring(24, 17, 6, 2.5, "top"), ring(24, 17, 11, 2.5, "top"),
                                             circle(30, 33, 1.8, cut=True)]),
    20773: ("audio or video device", DEVICE, headphones()),
    20774: ("keyboard", DEVICE, [rect(6, 15, 36, 19, 3)] + keys(9, 18, 6, 2, 4, 1.6) + [rect(13, 28, 22, 3, cut=True)]),
    20778: ("mouse", DEVICE, [rect(15, 9, 18, 30, 9), line(24, 9, 24, 20, 1.5, cut=True),
                              line(15, 20, 33, 20, 1.5, cut=True)]),
    20631: ("peripheral", DEVICE, [rect(10, 30, 28, 8, 3), line(24, 30, 24, 15, 3), circle(24, 13, 5)]),
    20771: ("camera", DEVICE, [rect(7, 15, 34, 22, 3), rect(15, 11, 10, 6, 1), ring(24, 26, 7, 2.5, cut=True),
                               circle(35, 20, 1.6, cut=True)]),
    20780: ("printer", DEVICE, printer()),
    20781: ("device", DEVICE, [rect(11, 11, 26, 26, 4), rect(15, 15, 18, 18, 2, cut=True), circle(24, 24, 4)]),
    # Services (Vista+ column, state 0).
    20815: ("serial port", SERVICE, [poly([(7, 16), (41, 16), (36, 32), (12, 32)])]
            + [circle(13 + 5.5 * i, 21, 1.6, cut=True) for i in range(5)]
            + [circle(15.75 + 5.5 * i, 27, 1.6, cut=True) for i in range(4)]),
    20811: ("network access", SERVICE, [line(24, 14, 12, 34, 2.5), line(24, 14, 36, 34, 2.5), line(12, 34, 36, 34, 2.5),
                                        circle(24, 13, 5), circle(12, 34, 5), circle(36, 34, 5)]),
    20807: ("dial-up networking", SERVICE, [ring(24, 24, 15, 2.5), line(9, 24, 39, 24, 2), line(24, 9, 24, 39, 2),
                                            ring(24, 24, 7, 2), ring(24, 36, 15, 2, "top")]),
    20812: ("synchronisation", SERVICE, [ring(24, 24, 12, 3, "top"), ring(24, 24, 12, 3, "bottom", cut=False),
                                         rect(33, 22, 8, 4, cut=True), rect(7, 22, 8, 4, cut=True),
                                         poly([(31, 23), (41, 23), (36, 30)]), poly([(7, 25), (17, 25), (12, 18)])]),
    20813: ("object push", SERVICE, [rect(7, 13, 24, 22, 2), line(11, 19, 26, 19, 2, cut=True),
                                     line(11, 24, 26, 24, 2, cut=True), line(11, 29, 21, 29, 2, cut=True),
                                     line(28, 24, 37, 24, 3.5), poly([(35, 17), (43, 24), (35, 31)])]),
    20810: ("file transfer", SERVICE, [poly([(7, 13), (19, 13), (22, 17), (41, 17), (41, 37), (7, 37)]),
                                       line(14, 27, 34, 27, 2.5, cut=True),
                                       poly([(30, 22), (36, 27), (30, 32)], cut=True)]),
    20836: ("headset and audio", SERVICE, headphones() + [line(12, 37, 20, 41, 2), circle(21, 41, 2)]),
    20808: ("fax", SERVICE, [rect(14, 7, 14, 12, 1), rect(8, 17, 32, 20, 3)] + keys(28, 21, 2, 3, 3, 1.5)
            + [rect(12, 21, 13, 12, 1, cut=True)]),
    20839: ("audio gateway", SERVICE, [rect(12, 7, 14, 34, 3), rect(15, 11, 8, 16, 1, cut=True),
                                       ring(27, 22, 6, 2, "right"), ring(27, 22, 11, 2, "right")]),
    20809: ("imaging", SERVICE, [rect(8, 11, 32, 26, 2), rect(11, 14, 26, 20, cut=True),
                                 poly([(12, 33), (21, 20), (28, 29), (31, 25), (36, 33)]), circle(31, 19, 3)]),
    20830: ("human interface device", SERVICE, [rect(5, 20, 26, 14, 2)] + keys(8, 23, 4, 2, 3.5, 1.8)
            + [rect(34, 18, 10, 18, 5)]),
    20834: ("hardcopy printing", SERVICE, printer()[:3] + [rect(17, 30, 14, 8, cut=True), line(40, 25, 45, 25, 2)]),
    20842: ("service", SERVICE, [ring(24, 24, 9, 4)] + [
        rect(24 + 12 * math.cos(a) - 3, 24 + 12 * math.sin(a) - 3, 6, 6, 1)
        for a in [i * math.pi / 4 for i in range(8)]]),
}


def covers(shape, x, y):
    kind = shape[0]
    if kind == "rect":
        _, rx, ry, w, h, r, _ = shape
        if not (rx <= x <= rx + w and ry <= y <= ry + h):
            return False
        if r <= 0:
            return True
        cx = min(max(x, rx + r), rx + w - r)
        cy = min(max(y, ry + r), ry + h - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    if kind == "circle":
        _, cx, cy, r, _ = shape
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    if kind == "ring":
        _, cx, cy, r, w, half, _ = shape
        d = math.hypot(x - cx, y - cy)
        if abs(d - r) > w / 2:
            return False
        return (half is None or (half == "top" and y <= cy) or (half == "bottom" and y >= cy)
                or (half == "right" and x >= cx))
    if kind == "line":
        _, x1, y1, x2, y2, w, _ = shape
        dx, dy = x2 - x1, y2 - y1
        t = 0 if dx == dy == 0 else max(0, min(1, ((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - (x1 + t * dx), y - (y1 + t * dy)) <= w / 2
    if kind == "poly":
        points = shape[1]
        inside = False
        j = len(points) - 1
        for i in range(len(points)):
            (xi, yi), (xj, yj) = points[i], points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                inside = not inside
            j = i
        return inside
    raise ValueError(kind)


def render(colour, shapes, size, samples=4):
    """RGBA rows: the background rounded square, then the shapes in order."""
    back = rect(1, 1, 46, 46, 8)
    scale = 48.0 / size
    rows = []
    for py in range(size):
        row = bytearray([0])  # PNG filter type 0
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale
                    if not covers(back, x, y):
                        continue
                    c = colour
                    for s in shapes:
                        if covers(s, x, y):
                            c = colour if s[-1] else WHITE
                    acc[0] += c[0]; acc[1] += c[1]; acc[2] += c[2]; acc[3] += 255
            n = samples * samples
            alpha = acc[3] // n
            if alpha:
                row += bytes([acc[0] * 255 // acc[3], acc[1] * 255 // acc[3], acc[2] * 255 // acc[3], alpha])
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


def png(rows, size):
    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(b"".join(rows), 9))
            + chunk(b"IEND", b""))


def hexcolour(c):
    return "#%02x%02x%02x" % c


def svg(title, colour, shapes):
    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48" viewBox="0 0 48 48">',
           "<title>%s</title>" % title,
           '<rect x="1" y="1" width="46" height="46" rx="8" fill="%s"/>' % hexcolour(colour)]
    for s in shapes:
        fill = hexcolour(colour if s[-1] else WHITE)
        kind = s[0]
        if kind == "rect":
            _, x, y, w, h, r, _ = s
            out.append('<rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="%s"/>' % (x, y, w, h, r, fill))
        elif kind == "circle":
            _, cx, cy, r, _ = s
            out.append('<circle cx="%g" cy="%g" r="%g" fill="%s"/>' % (cx, cy, r, fill))
        elif kind == "ring":
            _, cx, cy, r, w, half, _ = s
            if half is None:
                out.append('<circle cx="%g" cy="%g" r="%g" fill="none" stroke="%s" stroke-width="%g"/>'
                           % (cx, cy, r, fill, w))
            else:
                start, end, sweep = {"top": ((cx - r, cy), (cx + r, cy), 1), "bottom": ((cx + r, cy), (cx - r, cy), 1),
                                     "right": ((cx, cy - r), (cx, cy + r), 1)}[half]
                out.append('<path d="M%g %g A%g %g 0 0 %d %g %g" fill="none" stroke="%s" stroke-width="%g"/>'
                           % (start[0], start[1], r, r, sweep, end[0], end[1], fill, w))
        elif kind == "line":
            _, x1, y1, x2, y2, w, _ = s
            out.append('<line x1="%g" y1="%g" x2="%g" y2="%g" stroke="%s" stroke-width="%g" stroke-linecap="round"/>'
                       % (x1, y1, x2, y2, fill, w))
        elif kind == "poly":
            out.append('<polygon points="%s" fill="%s"/>' % (" ".join("%g,%g" % p for p in s[1]), fill))
    out.append("</svg>")
    return "\n".join(out) + "\n"


def main():
    for ident, (title, colour, shapes) in sorted(ICONS.items()):
        with open(os.path.join(HERE, "%d.svg" % ident), "w") as f:
            f.write(svg(title, colour, shapes))
        for size, name in ((32, "%d.png" % ident), (48, "%d-48.png" % ident)):
            with open(os.path.join(HERE, name), "wb") as f:
                f.write(png(render(colour, shapes, size), size))


if __name__ == "__main__":
    main()
