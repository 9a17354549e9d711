#!/usr/bin/env python3
"""Draws the finder's bitmaps and icons (Python standard library only) into resources/.

  scripts/draw_resources.py                 write every resource
  scripts/draw_resources.py --check         exit 1 when a committed resource differs from what
                                            this script draws (the build runs this as a test)
  scripts/draw_resources.py --preview DIR   also write enlarged PNG previews on the list's
                                            backgrounds into DIR, for looking at them

Bitmaps (XPM, 24 bits per pixel, no alpha; magenta 255,0,255 is the key colour that the list and
the buttons leave out when they draw an icon):
  1000, 1001, 1002      button backgrounds 100 x 25: disabled, off, on
  1101, 1102            OK icon off, on (16 x 16)
  1103, 1104            Cancel icon off, on (16 x 16)
  30001 ... 30012       product-kind icons, 30001 + kind value (16 x 16; 30012 is 16 x 13)
Program icon: icons/zunitfinder.svg and PNGs of 32 and 48 pixels drawn from the same shapes, and
icons/zunitfinder.ico (16, 24, 32, 48 and 64 pixels) for the Windows program's icon resource.
The Qt resource file resources.qrc lists them all but the SVG and the ICO.
"""

import argparse
import math
import os
import struct
import sys
import tempfile
import zlib

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
RESOURCES = os.path.join(ROOT, "resources")

MAGENTA = (255, 0, 255)

# --------------------------------------------------------------------------------------------
# Images: rows of (r, g, b) or (r, g, b, a) tuples.


class Image:
    def __init__(self, width, height, fill):
        self.width = width
        self.height = height
        self.pixels = [[fill] * width for _ in range(height)]

    def get(self, x, y):
        return self.pixels[y][x]

    def set(self, x, y, color):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = color


def xpm_text(name, image):
    """An XPM of an opaque image; colours in order of first appearance, so output is stable."""
    colors = []
    index = {}
    for row in image.pixels:
        for pixel in row:
            if pixel not in index:
                index[pixel] = len(colors)
                colors.append(pixel)
    chars = ".#abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+@$%&*=-;:>,<"
    per_pixel = 1 if len(colors) <= len(chars) else 2

    def code(i):
        if per_pixel == 1:
            return chars[i]
        return chars[i // len(chars)] + chars[i % len(chars)]

    lines = ["/* XPM */", "static const char *const %s[] = {" % name]
    lines.append('"%d %d %d %d",' % (image.width, image.height, len(colors), per_pixel))
    for i, (r, g, b) in enumerate(colors):
        lines.append('"%s c #%02X%02X%02X",' % (code(i), r, g, b))
    for y, row in enumerate(image.pixels):
        text = "".join(code(index[p]) for p in row)
        end = "," if y + 1 < image.height else ""
        lines.append('"%s"%s' % (text, end))
    lines.append("};")
    return "\n".join(lines) + "\n"


def png_bytes(image, alpha):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = bytearray()
    for row in image.pixels:
        raw.append(0)  # no filter
        for pixel in row:
            raw.extend(pixel if alpha else pixel[:3])
    color_type = 6 if alpha else 2
    header = struct.pack(">IIBBBBB", image.width, image.height, 8, color_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def ico_bytes(pngs):
    """A Windows icon file whose images are PNGs (as Windows has read them since Vista)."""
    header = struct.pack("<HHH", 0, 1, len(pngs))
    offset = 6 + 16 * len(pngs)
    entries = b""
    for size, data in pngs:
        # width and height 0 stand for 256; 32 bits per pixel
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return header + entries + b"".join(data for _, data in pngs)


# --------------------------------------------------------------------------------------------
# Button backgrounds, 100 x 25. The button stretches them to its own size, so they carry no
# picture of their own: a dark body, a one-pixel frame and a light or dark edge.


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def button_background(top, bottom, frame, upper_edge, lower_edge):
    image = Image(100, 25, (0, 0, 0))
    for y in range(25):
        row = lerp(top, bottom, y / 24.0)
        for x in range(100):
            image.set(x, y, row)
    for x in range(1, 99):
        if upper_edge:
            image.set(x, 1, upper_edge)
        if lower_edge:
            image.set(x, 23, lower_edge)
    for x in range(100):
        image.set(x, 0, frame)
        image.set(x, 24, frame)
    for y in range(25):
        image.set(0, y, frame)
        image.set(99, y, frame)
    return image


def button_backgrounds():
    return {
        1000: button_background((44, 44, 44), (40, 40, 40), (28, 28, 28), None, None),
        1001: button_background((72, 72, 72), (44, 44, 44), (16, 16, 16), (100, 100, 100),
                                (38, 38, 38)),
        # Pressed: the light falls the other way and the frame takes the selection's orange.
        1002: button_background((38, 38, 38), (62, 62, 62), (160, 98, 10), (28, 28, 28),
                                None),
    }


# --------------------------------------------------------------------------------------------
# 16-pixel icons: shapes filled by pixel centres, small glyphs as text grids, then a dark
# outline around everything so an icon still reads on the orange of a selected row.

OUTLINE = (18, 18, 18)


def icon(width=16, height=16):
    return Image(width, height, MAGENTA)


def disc(image, cx, cy, radius, color, inner=0.0):
    for y in range(image.height):
        for x in range(image.width):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if inner <= d <= radius:
                image.set(x, y, color)


def rect(image, x0, y0, x1, y1, color, corner=0):
    """Fills x0..x1, y0..y1 (inclusive); corner cuts that many pixels off each corner."""
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            dx = min(x - x0, x1 - x)
            dy = min(y - y0, y1 - y)
            if dx + dy >= corner:
                image.set(x, y, color)


def glyph(image, x0, y0, rows, colors):
    for dy, row in enumerate(rows):
        for dx, ch in enumerate(row):
            if ch in colors:
                image.set(x0 + dx, y0 + dy, colors[ch])


def outline(image):
    """Dark pixels on the key colour next to a drawn pixel (8 neighbours)."""

    def drawn(x, y):
        if not (0 <= x < image.width and 0 <= y < image.height):
            return False
        return image.get(x, y) not in (MAGENTA, OUTLINE)

    marks = [(x, y) for y in range(image.height) for x in range(image.width)
             if image.get(x, y) == MAGENTA and
             any(drawn(x + dx, y + dy) for dy in (-1, 0, 1) for dx in (-1, 0, 1))]
    for x, y in marks:
        image.set(x, y, OUTLINE)
    return image


WHITE = (240, 240, 240)

DIGITS = {
    "2": ["###", "..#", "###", "#..", "###"],
    "5": ["###", "#..", "###", "..#", "###"],
    "6": ["###", "#..", "###", "#.#", "###"],
    "7": ["###", "..#", "..#", ".#.", ".#."],
}


def badge(image, digit):
    """The product generation: a white digit on a dark plate in the bottom right corner."""
    x0 = image.width - 5
    y0 = image.height - 7
    rect(image, x0, y0, image.width - 1, image.height - 1, OUTLINE)
    glyph(image, x0 + 1, y0 + 1, DIGITS[digit], {"#": WHITE})


def tile(image, color, dark, height=16):
    """A rounded square plate with a darker lower edge."""
    rect(image, 1, 1, 14, height - 2, dark, corner=2)
    rect(image, 1, 1, 14, height - 3, color, corner=2)


# Colours of the product families.
CUEDECK = ((64, 150, 235), (34, 92, 170))
CONDUCTOR = ((84, 190, 104), (44, 120, 62))
RUNTIME = ((44, 192, 188), (22, 118, 116))
VIDEO = ((170, 112, 232), (104, 60, 160))
AUDIO = ((236, 92, 112), (160, 50, 66))
CLOCK = ((244, 202, 64), (176, 134, 24))
GREY = ((150, 150, 150), (96, 96, 96))
LIGHT = (200, 200, 200)


def unknown_icon():
    image = icon()
    disc(image, 8, 8, 7, GREY[1])
    disc(image, 8, 7.6, 6.4, GREY[0])
    glyph(image, 5, 3, [
        ".####.",
        "##..##",
        "....##",
        "...##.",
        "..##..",
        "......",
        "..##..",
        "..##..",
    ], {"#": WHITE})
    return outline(image)


def cuedeck_icon(digit=None, height=16):
    """Show controller: a play sign on a blue plate."""
    image = icon(16, height)
    tile(image, *CUEDECK, height=height)
    middle = (height - 2) // 2
    rows = [1, 2, 3, 4, 5, 4, 3, 2, 1] if height >= 16 else [1, 2, 3, 4, 3, 2, 1]
    top = middle - len(rows) // 2
    for i, width in enumerate(rows):
        for dx in range(width):
            image.set(5 + dx, top + i, WHITE)
    if digit:
        badge(image, digit)
    return outline(image)


def conductor_icon(digit):
    """Control system: three faders on a green plate."""
    image = icon()
    tile(image, *CONDUCTOR)
    for x, knob in ((3, 8), (6, 3), (9, 6)):
        for y in range(3, 13):
            image.set(x, y, CONDUCTOR[1])
        rect(image, x - 1, knob, x + 1, knob + 1, WHITE)
    badge(image, digit)
    return outline(image)


def runtime_icon(digit=None):
    """Control runtime: a cog."""
    image = icon()
    for y in range(16):
        for x in range(16):
            dx, dy = x + 0.5 - 8, y + 0.5 - 8
            d = math.hypot(dx, dy)
            angle = (math.degrees(math.atan2(dy, dx)) + 360 + 22.5) % 45
            tooth = angle < 20
            if 2.2 <= d <= (7.2 if tooth else 5.2):
                image.set(x, y, RUNTIME[0] if d < 4.6 or not tooth else RUNTIME[1])
    if digit:
        badge(image, digit)
    return outline(image)


def video_icon():
    """Video unit: a screen on a stand."""
    image = icon()
    rect(image, 1, 2, 14, 11, LIGHT)
    rect(image, 2, 3, 13, 10, VIDEO[1])
    rect(image, 2, 3, 13, 6, VIDEO[0])
    for i, width in enumerate([1, 2, 3, 2, 1]):
        for dx in range(width):
            image.set(7 + dx, 4 + i, WHITE)
    rect(image, 7, 12, 8, 12, LIGHT)
    rect(image, 4, 13, 11, 13, LIGHT)
    return outline(image)


def audio_icon():
    """Audio server: a loudspeaker with two waves."""
    image = icon()
    glyph(image, 1, 2, [
        ".....#.........",
        "....##.....#...",
        "...###..#...#..",
        "######...#...#.",
        "######...#...#.",
        "######...#...#.",
        "######...#...#.",
        "######...#...#.",
        "...###..#...#..",
        "....##.....#...",
        ".....#.........",
    ], {"#": AUDIO[0]})
    rect(image, 1, 5, 3, 9, AUDIO[1])
    return outline(image)


def handset_icon():
    """Mobile remote: a handheld with a screen and a button."""
    image = icon()
    rect(image, 4, 1, 11, 14, LIGHT, corner=1)
    rect(image, 5, 3, 10, 11, (40, 62, 96))
    rect(image, 5, 3, 10, 4, (78, 118, 176))
    rect(image, 7, 13, 8, 13, (110, 110, 110))
    return outline(image)


def clock_icon():
    """Scheduling server: a clock at three o'clock."""
    image = icon()
    disc(image, 8, 8, 7.2, CLOCK[1])
    disc(image, 8, 8, 6.4, CLOCK[0])
    disc(image, 8, 8, 5.0, (250, 244, 226))
    for x, y in ((7, 3), (8, 3), (12, 7), (12, 8), (7, 12), (8, 12), (3, 7), (3, 8)):
        image.set(x, y, (120, 100, 60))
    for y in range(4, 9):
        image.set(7, y, OUTLINE)
    for x in range(7, 11):
        image.set(x, 8, OUTLINE)
    image.set(7, 8, (200, 40, 40))
    return outline(image)


def kind_icons():
    # Index = product kind value: unknown, conductor 5, conductor runtime, cuedeck, VXP 2,
    # tonehost 2, handset, timekeeper, conductor 6, conductor runtime 2, cuedeck 2, cuedeck 7.
    icons = [
        unknown_icon(),
        conductor_icon("5"),
        runtime_icon(),
        cuedeck_icon(),
        video_icon(),
        audio_icon(),
        handset_icon(),
        clock_icon(),
        conductor_icon("6"),
        runtime_icon("2"),
        cuedeck_icon("2"),
        cuedeck_icon("7", height=13),
    ]
    return {30001 + kind: image for kind, image in enumerate(icons)}


# OK and Cancel: a tick and a cross, grey when off, coloured when on.
TICK = [
    "................",
    "................",
    "................",
    "............##..",
    "...........###..",
    "..........###...",
    "..##.....###....",
    "..###...###.....",
    "...###.###......",
    "....#####.......",
    ".....###........",
    "......#.........",
    "................",
    "................",
    "................",
    "................",
]


def cross():
    rows = []
    for y in range(16):
        row = ""
        for x in range(16):
            on = 3 <= y <= 12 and (abs(x - y) <= 0.5 or abs(x - (15 - y)) <= 0.5 or
                                    x - y == 1 or (15 - y) - x == 1)
            row += "#" if on else "."
        rows.append(row)
    return rows


def button_icons():
    off = (196, 196, 196)
    result = {}
    for ids, rows, on in (((1101, 1102), TICK, (110, 214, 110)),
                          ((1103, 1104), cross(), (240, 96, 84))):
        for ident, color in zip(ids, (off, on)):
            image = icon()
            glyph(image, 0, 0, rows, {"#": color})
            result[ident] = outline(image)
    return result


# --------------------------------------------------------------------------------------------
# Program icon: a dark list with a magnifier, as scalable shapes in a 48-unit square. The SVG
# states them directly; the PNGs sample the same shapes (8 x 8 samples a pixel).

ORANGE = (237, 146, 6)

APP_SHAPES = [
    # (kind, parameters, fill rgba)
    ("rrect", (2, 2, 46, 46, 9), (74, 74, 74, 255)),
    ("rrect", (4, 4, 44, 44, 7), (34, 34, 34, 255)),
    ("rrect", (9, 11, 27, 15, 1.5), (96, 96, 96, 255)),
    ("rrect", (9, 19, 23, 23, 1.5), (96, 96, 96, 255)),
    ("rrect", (9, 27, 19, 31, 1.5), (96, 96, 96, 255)),
    ("circle", (28, 22, 8.5), (237, 146, 6, 56)),
    ("ring", (28, 22, 8.5, 3.5), ORANGE + (255,)),
    ("capsule", (34.2, 28.2, 40.5, 34.5, 2.8), ORANGE + (255,)),
]


def bounds(kind, p):
    """x0, y0, x1, y1 of a shape, to skip the samples far from it."""
    if kind == "rrect":
        return p[0], p[1], p[2], p[3]
    if kind == "circle":
        return p[0] - p[2], p[1] - p[2], p[0] + p[2], p[1] + p[2]
    if kind == "ring":
        r = p[2] + p[3] / 2
        return p[0] - r, p[1] - r, p[0] + r, p[1] + r
    r = p[4]
    return min(p[0], p[2]) - r, min(p[1], p[3]) - r, max(p[0], p[2]) + r, max(p[1], p[3]) + r


def inside(kind, p, x, y):
    if kind == "rrect":
        x0, y0, x1, y1, r = p
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return x0 <= x <= x1 and y0 <= y <= y1 and math.hypot(x - cx, y - cy) <= r
    if kind == "circle":
        cx, cy, r = p
        return math.hypot(x - cx, y - cy) <= r
    if kind == "ring":
        cx, cy, r, w = p
        return abs(math.hypot(x - cx, y - cy) - r) <= w / 2
    if kind == "capsule":
        x0, y0, x1, y1, r = p
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= r
    raise ValueError(kind)


def app_icon_png(size):
    image = Image(size, size, (0, 0, 0, 0))
    samples = 8
    scale = 48.0 / size
    boxes = [bounds(kind, params) for kind, params, _ in APP_SHAPES]
    for py in range(size):
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale
                    color = [0.0, 0.0, 0.0, 0.0]
                    for (kind, params, (r, g, b, a)), box in zip(APP_SHAPES, boxes):
                        if not (box[0] <= x <= box[2] and box[1] <= y <= box[3]):
                            continue
                        if inside(kind, params, x, y):
                            alpha = a / 255.0
                            for i, c in enumerate((r, g, b)):
                                color[i] = c * alpha + color[i] * (1 - alpha)
                            color[3] = alpha + color[3] * (1 - alpha)
                    for i in range(4):
                        acc[i] += color[i]
            n = samples * samples
            alpha = acc[3] / n
            if alpha <= 0:
                image.set(px, py, (0, 0, 0, 0))
            else:
                image.set(px, py, tuple(int(round(acc[i] / n / alpha)) for i in range(3)) +
                          (int(round(alpha * 255)),))
    return image


def app_icon_svg():
    def hexa(rgba):
        return "#%02X%02X%02X" % rgba[:3]

    def opacity(rgba):
        return "" if rgba[3] == 255 else ' fill-opacity="%.2f"' % (rgba[3] / 255.0)

    parts = []
    for kind, p, rgba in APP_SHAPES:
        if kind == "rrect":
            x0, y0, x1, y1, r = p
            parts.append('  <rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="%s"%s/>' %
                         (x0, y0, x1 - x0, y1 - y0, r, hexa(rgba), opacity(rgba)))
        elif kind == "circle":
            cx, cy, r = p
            parts.append('  <circle cx="%g" cy="%g" r="%g" fill="%s"%s/>' %
                         (cx, cy, r, hexa(rgba), opacity(rgba)))
        elif kind == "ring":
            cx, cy, r, w = p
            parts.append('  <circle cx="%g" cy="%g" r="%g" fill="none" stroke="%s" '
                         'stroke-width="%g"/>' % (cx, cy, r, hexa(rgba), w))
        elif kind == "capsule":
            x0, y0, x1, y1, r = p
            parts.append('  <line x1="%g" y1="%g" x2="%g" y2="%g" stroke="%s" stroke-width="%g" '
                         'stroke-linecap="round"/>' % (x0, y0, x1, y1, hexa(rgba), 2 * r))
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48" '
            'viewBox="0 0 48 48">\n  <title>Zelvane Unit Finder</title>\n' +
            "\n".join(parts) + "\n</svg>\n")


# --------------------------------------------------------------------------------------------


def all_resources():
    """Relative path -> bytes of every resource file."""
    files = {}
    bitmaps = {}
    bitmaps.update(button_backgrounds())
    bitmaps.update(button_icons())
    bitmaps.update(kind_icons())
    for ident, image in sorted(bitmaps.items()):
        files["bitmaps/%d.xpm" % ident] = xpm_text("bitmap_%d" % ident, image).encode()
    icon_pngs = {size: png_bytes(app_icon_png(size), alpha=True) for size in (16, 24, 32, 48, 64)}
    for size in (32, 48):
        files["icons/zunitfinder-%d.png" % size] = icon_pngs[size]
    files["icons/zunitfinder.svg"] = app_icon_svg().encode()
    files["icons/zunitfinder.ico"] = ico_bytes(sorted(icon_pngs.items()))
    # The Qt resource file names every bitmap by its id (":/bitmaps/1000.xpm") and the program
    # icon by its size (":/icons/zunitfinder-32.png"); the SVG is for the desktop only, the ICO
    # for the Windows program's resources.
    listed = sorted((r for r in files if not r.endswith((".svg", ".ico"))),
                    key=lambda r: (r.split("/")[0], len(r), r))
    qrc = ['<!DOCTYPE RCC>', '<!-- Written by scripts/draw_resources.py. -->', '<RCC version="1.0">',
           '  <qresource prefix="/">']
    qrc += ["    <file>%s</file>" % r for r in listed]
    qrc += ["  </qresource>", "</RCC>"]
    files["resources.qrc"] = ("\n".join(qrc) + "\n").encode()
    return files, bitmaps


def scaled(image, factor, background=None):
    out = Image(image.width * factor, image.height * factor, (0, 0, 0))
    for y in range(image.height):
        for x in range(image.width):
            pixel = image.get(x, y)
            if background is not None and pixel == MAGENTA:
                pixel = background
            for dy in range(factor):
                for dx in range(factor):
                    out.set(x * factor + dx, y * factor + dy, pixel[:3])
    return out


def write_previews(directory, bitmaps):
    """Kind and button icons on the list's even, odd and selected row colours, enlarged."""
    os.makedirs(directory, exist_ok=True)
    rows = [(50, 50, 50), (32, 32, 32), (237, 146, 6)]
    icons = [bitmaps[i] for i in range(30001, 30013)] + [bitmaps[i] for i in range(1101, 1105)]
    factor = 4
    cell = 18 * factor
    sheet = Image(cell * len(icons), cell * len(rows), (0, 0, 0))
    for r, background in enumerate(rows):
        for i, image in enumerate(icons):
            big = scaled(image, factor, background)
            for y in range(cell):
                for x in range(cell):
                    sheet.set(i * cell + x, r * cell + y, background)
            for y in range(big.height):
                for x in range(big.width):
                    sheet.set(i * cell + factor + x, r * cell + factor + y, big.get(x, y))
    with open(os.path.join(directory, "icons.png"), "wb") as f:
        f.write(png_bytes(sheet, alpha=False))
    # The same at their real size, as a row of the list shows them.
    real = Image(20 * len(icons), 18 * len(rows), (0, 0, 0))
    for r, background in enumerate(rows):
        for i, image in enumerate(icons):
            for y in range(18):
                for x in range(20):
                    real.set(i * 20 + x, r * 18 + y, background)
            for y in range(image.height):
                for x in range(image.width):
                    p = image.get(x, y)
                    real.set(i * 20 + 1 + x, r * 18 + 1 + y, background if p == MAGENTA else p)
    with open(os.path.join(directory, "icons_real.png"), "wb") as f:
        f.write(png_bytes(scaled(real, 2), alpha=False))
    buttons = Image(100, 25 * 3 + 4, (20, 20, 20))
    for n, ident in enumerate((1000, 1001, 1002)):
        for y in range(25):
            for x in range(100):
                buttons.set(x, n * 27 + y, bitmaps[ident].get(x, y))
    with open(os.path.join(directory, "buttons.png"), "wb") as f:
        f.write(png_bytes(scaled(buttons, 3), alpha=False))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--preview", metavar="DIR")
    args = parser.parse_args()

    files, bitmaps = all_resources()
    if args.check:
        stale = []
        for relative, data in sorted(files.items()):
            path = os.path.join(RESOURCES, relative)
            try:
                with open(path, "rb") as f:
                    if f.read() != data:
                        stale.append(relative)
            except OSError:
                stale.append(relative)
        for relative in stale:
            print("differs from scripts/draw_resources.py: resources/%s" % relative)
        return 1 if stale else 0

    for relative, data in sorted(files.items()):
        path = os.path.join(RESOURCES, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with tempfile.NamedTemporaryFile(dir=os.path.dirname(path), delete=False) as f:
            f.write(data)
        os.chmod(f.name, 0o644)
        os.replace(f.name, path)
    if args.preview:
        write_previews(args.preview, bitmaps)
    return 0


if __name__ == "__main__":
    sys.exit(main())
