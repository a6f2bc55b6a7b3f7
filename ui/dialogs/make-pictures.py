#!/usr/bin/python3
"""Draws the dialogs' pictures: the error box's stop sign and the name dialog's form-and-head.

Each picture is drawn large and scaled down, once to its size on a normal screen and once to
twice that ("@2x") for a high-density one. Run it from anywhere; it writes beside itself:
  StopSign.png, StopSign@2x.png   64 x 64, transparent outside the sign
  UserName.jpg, UserName@2x.jpg   44 x 49, on the white of the dialog's heading band
"""

import math
import os

from PIL import Image, ImageChops, ImageDraw, ImageFilter

HERE = os.path.dirname(os.path.abspath(__file__))
SCALE = 16  # drawing units per pixel of the normal-size picture


def octagon(cx, cy, r):
    """A regular octagon with flat top and sides, r being the distance to a corner."""
    return [(cx + r * math.cos(math.radians(22.5 + 45 * k)),
             cy + r * math.sin(math.radians(22.5 + 45 * k))) for k in range(8)]


def vertical_gradient(size, top, bottom):
    """An RGB image running from colour top to colour bottom."""
    w, h = size
    mask = Image.linear_gradient("L").resize((w, h))
    return Image.composite(Image.new("RGB", size, bottom), Image.new("RGB", size, top), mask)


def stop_sign():
    n = 64 * SCALE
    c = n / 2
    # Corner radius of an octagon whose flat sides touch the square's edges, less a margin.
    edge = c / math.cos(math.radians(22.5))
    img = Image.new("RGBA", (n, n), (0, 0, 0, 0))

    # Soft shadow below and right, then dark rim, white band and red face.
    shadow = Image.new("L", (n, n), 0)
    ImageDraw.Draw(shadow).polygon(octagon(c + 1.0 * SCALE, c + 1.3 * SCALE, edge - 1.6 * SCALE),
                                   fill=90)
    img.paste((0, 0, 0, 255), (0, 0), shadow)

    rim = Image.new("L", (n, n), 0)
    ImageDraw.Draw(rim).polygon(octagon(c, c, edge - 2.0 * SCALE), fill=255)
    img.paste((120, 10, 10, 255), (0, 0), rim)

    band = Image.new("L", (n, n), 0)
    ImageDraw.Draw(band).polygon(octagon(c, c, edge - 3.2 * SCALE), fill=255)
    img.paste((255, 255, 255, 255), (0, 0), band)

    face = Image.new("L", (n, n), 0)
    ImageDraw.Draw(face).polygon(octagon(c, c, edge - 6.2 * SCALE), fill=255)
    img.paste(vertical_gradient((n, n), (236, 56, 48), (176, 14, 14)), (0, 0), face)

    # A faint highlight across the upper half of the face.
    gloss = Image.new("L", (n, n), 0)
    gd = ImageDraw.Draw(gloss)
    gd.ellipse([c - 22 * SCALE, c - 40 * SCALE, c + 22 * SCALE, c - 2 * SCALE], fill=46)
    gloss = ImageChops.multiply(gloss.filter(ImageFilter.GaussianBlur(3 * SCALE)), face)
    img.paste((255, 255, 255, 255), (0, 0), gloss)

    # The exclamation mark: a bar narrowing downwards with round ends, and a round dot.
    d = ImageDraw.Draw(img)
    white = (255, 255, 255, 255)
    top, bottom = c - 19 * SCALE, c + 6 * SCALE
    wt, wb = 4.6 * SCALE, 3.0 * SCALE
    d.polygon([(c - wt, top), (c + wt, top), (c + wb, bottom), (c - wb, bottom)], fill=white)
    d.ellipse([c - wt, top - wt, c + wt, top + wt], fill=white)
    d.ellipse([c - wb, bottom - wb, c + wb, bottom + wb], fill=white)
    dot = 4.4 * SCALE
    dy = c + 15.5 * SCALE
    d.ellipse([c - dot, dy - dot, c + dot, dy + dot], fill=white)
    return img


def user_form():
    w, h = 44 * SCALE, 49 * SCALE
    s = SCALE
    img = Image.new("RGB", (w, h), (255, 255, 255))
    d = ImageDraw.Draw(img)

    # The sheet, with its top right corner folded down.
    x0, y0, x1, y1, fold = 3 * s, 2 * s, 31 * s, 44 * s, 7 * s
    sheet = [(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)]
    d.polygon([(x + s * 0.8, y + s * 0.8) for x, y in sheet], fill=(200, 200, 200))
    d.polygon(sheet, fill=(250, 250, 246), outline=(110, 110, 110), width=int(s * 0.9))
    d.polygon([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)], fill=(222, 222, 214),
              outline=(110, 110, 110), width=int(s * 0.9))

    # Three rows: a box with a red tick and two grey lines of writing.
    for row, y in enumerate((10 * s, 20 * s, 30 * s)):
        bx, by, bs = 6 * s, y, 6 * s
        d.rectangle([bx, by, bx + bs, by + bs], fill=(255, 255, 255), outline=(90, 90, 90),
                    width=int(s * 0.8))
        tick = [(bx + 1.0 * s, by + 3.0 * s), (bx + 2.8 * s, by + 5.2 * s),
                (bx + 7.5 * s, by - 1.8 * s)]
        d.line(tick, fill=(214, 20, 20), width=int(2.0 * s), joint="curve")
        for k, length in enumerate((14, 10 if row != 1 else 12)):
            ly = y + (1.5 + 3 * k) * s
            d.line([(15 * s, ly), ((15 + length) * s, ly)], fill=(150, 150, 150), width=int(s))

    # The person: shoulders in a blue jacket, a head with dark hair, at the bottom right.
    d.ellipse([23 * s, 38 * s, 45 * s, 60 * s], fill=(46, 86, 160), outline=(28, 52, 110),
              width=int(s * 0.8))
    d.polygon([(31 * s, 38.6 * s), (34 * s, 43 * s), (37 * s, 38.6 * s)], fill=(255, 255, 255))
    d.ellipse([28 * s, 24 * s, 40 * s, 38 * s], fill=(242, 200, 160), outline=(150, 100, 70),
              width=int(s * 0.7))
    d.chord([27.6 * s, 23.2 * s, 40.4 * s, 34 * s], 180, 360, fill=(90, 56, 30))
    return img


def save(img, size, name, **options):
    img.resize(size, Image.LANCZOS).save(os.path.join(HERE, name), **options)


def main():
    sign = stop_sign()
    save(sign, (64, 64), "StopSign.png", optimize=True)
    save(sign, (128, 128), "StopSign@2x.png", optimize=True)
    form = user_form()
    save(form, (44, 49), "UserName.jpg", quality=95, subsampling=0)
    save(form, (88, 98), "UserName@2x.jpg", quality=95, subsampling=0)


if __name__ == "__main__":
    main()
