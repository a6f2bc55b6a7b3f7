#!/usr/bin/python3
"""Draws the eight check-box and radio-button glyphs (and their @2x versions) as JPEG files.

Run from anywhere: `ui/glyphs/make-glyphs.py` rewrites the pictures beside it. Needs Pillow
(Debian: python3-pil). Each picture is drawn 16 times larger than its pixel size and reduced by
area averaging, so edges are smooth at both resolutions; the @2x files are drawn, not upscaled.
"""

import os

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
SUPER = 16  # supersampling factor

WHITE = (255, 255, 255)
# Cool look: blue-grey rim, light grey fading to white.
RIM = (62, 94, 132)
FILL_FROM = (204, 208, 214)
FILL_TO = (255, 255, 255)
# Hot look: orange rim, warm yellow fill with a brighter inner ring.
RIM_HOT = (206, 120, 20)
FILL_HOT_FROM = (255, 226, 150)
FILL_HOT_TO = (255, 250, 232)
RING_HOT = (252, 196, 92)
# The mark: a green tick or dot with a darker edge.
MARK = (34, 150, 40)
MARK_DARK = (18, 104, 26)


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def diagonal_gradient(size, top_left, bottom_right):
    """An image fading from the top-left corner to the bottom-right one."""
    img = Image.new("RGB", (size, size))
    span = 2 * (size - 1) or 1
    img.putdata([lerp(top_left, bottom_right, (x + y) / span)
                 for y in range(size) for x in range(size)])
    return img


def paint(canvas, colour, mask):
    canvas.paste(Image.new("RGB", canvas.size, colour), (0, 0), mask)


def new_mask(size):
    mask = Image.new("L", (size, size), 0)
    return mask, ImageDraw.Draw(mask)


def check_box(checked, hot, scale):
    n = 14
    u = scale * SUPER  # one logical pixel at the drawing resolution
    size = n * u
    img = Image.new("RGB", (size, size), WHITE)
    rim, fill_from, fill_to = (RIM_HOT, FILL_HOT_FROM, FILL_HOT_TO) if hot else (
        RIM, FILL_FROM, FILL_TO)

    mask, draw = new_mask(size)
    draw.rectangle([u, u, size - u - 1, size - u - 1], fill=255)
    img.paste(diagonal_gradient(size, fill_from, fill_to), (0, 0), mask)

    if hot:
        mask, draw = new_mask(size)
        draw.rectangle([u, u, size - u - 1, size - u - 1], outline=255, width=round(1.5 * u))
        paint(img, RING_HOT, mask)

    mask, draw = new_mask(size)
    draw.rectangle([0, 0, size - 1, size - 1], outline=255, width=u)
    paint(img, rim, mask)

    if checked:
        points = [(3.4 * u, 7.0 * u), (5.9 * u, 9.6 * u), (10.6 * u, 4.2 * u)]
        mask, draw = new_mask(size)
        draw.line(points, fill=255, width=round(2.6 * u), joint="curve")
        for x, y in (points[0], points[-1]):
            r = 1.3 * u
            draw.ellipse([x - r, y - r, x + r, y + r], fill=255)
        paint(img, MARK, mask)

    return img.resize((n * scale, n * scale), Image.Resampling.BOX)


def radio(checked, hot, scale):
    n = 13
    u = scale * SUPER
    size = n * u
    img = Image.new("RGB", (size, size), WHITE)
    rim, fill_from, fill_to = (RIM_HOT, FILL_HOT_FROM, FILL_HOT_TO) if hot else (
        RIM, FILL_FROM, FILL_TO)
    outer = [0, 0, size - 1, size - 1]
    inner = [u, u, size - u - 1, size - u - 1]

    mask, draw = new_mask(size)
    draw.ellipse(inner, fill=255)
    img.paste(diagonal_gradient(size, fill_from, fill_to), (0, 0), mask)

    if hot:
        mask, draw = new_mask(size)
        draw.ellipse(inner, outline=255, width=round(1.5 * u))
        paint(img, RING_HOT, mask)

    mask, draw = new_mask(size)
    draw.ellipse(outer, outline=255, width=u)
    paint(img, rim, mask)

    if checked:
        c = size / 2
        for radius, colour in ((3.0, MARK_DARK), (2.4, MARK)):
            r = radius * u
            mask, draw = new_mask(size)
            draw.ellipse([c - r, c - r, c + r, c + r], fill=255)
            paint(img, colour, mask)
        # A small highlight makes the dot read as a bead rather than a hole.
        r = 0.9 * u
        x, y = c - 0.9 * u, c - 0.9 * u
        mask, draw = new_mask(size)
        draw.ellipse([x - r, y - r, x + r, y + r], fill=150)
        paint(img, (170, 230, 170), mask)

    return img.resize((n * scale, n * scale), Image.Resampling.BOX)


def main():
    for kind, draw_glyph in (("check", check_box), ("radio", radio)):
        for checked in (False, True):
            for hot in (False, True):
                name = kind + ("-checked" if checked else "") + ("-hot" if hot else "")
                for scale, suffix in ((1, ""), (2, "@2x")):
                    path = os.path.join(HERE, name + suffix + ".jpg")
                    draw_glyph(checked, hot, scale).save(
                        path, "JPEG", quality=95, subsampling=0, optimize=True)


if __name__ == "__main__":
    main()
