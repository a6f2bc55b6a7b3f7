#!/usr/bin/env python3
"""Draws the programs' icons as SVG and as 48 and 256 px PNGs: exam's test sheet with ticked boxes,
and examdesk's, the same sheet with a pencil across it."""
# One table of shapes feeds both writers, so the scalable icon and the bitmaps cannot drift apart.
# Run it after changing a shape and commit the three files: the build does not need Pillow.
import pathlib
import sys

from PIL import Image, ImageDraw

SIZE = 256  # the coordinate space of the shapes below
INK = "#4a5a6a"
SHEET = "#ffffff"
FOLD = "#d5dce3"
HEADER = "#3b6ea5"
LINE = "#a3afbb"
TICK = "#2e9e44"
PENCIL = "#f2b632"
WOOD = "#f3d9a4"
ERASER = "#d9605a"

# Rows of answer options: the top of the box and whether it is ticked.
ROWS = [(84, True), (132, False), (180, True)]

SHEET_OUTLINE = [(44, 16), (172, 16), (212, 56), (212, 240), (44, 240)]
FOLD_TRIANGLE = [(172, 16), (172, 56), (212, 56)]



def pencil_shapes():
    """The pencil, lying from the sheet's lower left up to its right edge: eraser, body, wood, lead."""
    def at(along, across):
        # The pencil's own axes: along points from the tip to the eraser, across to its right.
        tip_x, tip_y, r = 112, 238, 0.7071
        return (round(tip_x + (along + across) * r, 1), round(tip_y + (across - along) * r, 1))

    half = 15
    yield "polygon", [at(118, -half), at(140, -half), at(140, half), at(118, half)], ERASER, INK, 6
    yield "polygon", [at(30, -half), at(118, -half), at(118, half), at(30, half)], PENCIL, INK, 6
    yield "polygon", [at(0, 0), at(30, -half), at(30, half)], WOOD, INK, 6
    yield "polygon", [at(0, 0), at(10, -5), at(10, 5)], INK, INK, 4


def shapes(pencil=False):
    """Yields (kind, points, fill, stroke, width) in painting order."""
    yield "polygon", SHEET_OUTLINE, SHEET, INK, 8
    yield "polygon", FOLD_TRIANGLE, FOLD, INK, 6
    yield "rect", [(68, 38), (150, 54)], HEADER, None, 0
    for top, ticked in ROWS:
        yield "rect", [(68, top), (104, top + 36)], SHEET, INK, 6
        yield "rect", [(120, top + 12), (188, top + 24)], LINE, None, 0
        if ticked:
            yield "tick", [(74, top + 16), (86, top + 30), (110, top - 4)], None, TICK, 12
    if pencil:
        yield from pencil_shapes()


def write_svg(path, pencil):
    parts = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{SIZE}" height="{SIZE}" '
        f'viewBox="0 0 {SIZE} {SIZE}">',
    ]
    for kind, pts, fill, stroke, width in shapes(pencil):
        paint = f'fill="{fill or "none"}"'
        if stroke:
            paint += f' stroke="{stroke}" stroke-width="{width}" stroke-linejoin="round"'
        if kind == "rect":
            (x0, y0), (x1, y1) = pts
            parts.append(f'  <rect x="{x0}" y="{y0}" width="{x1 - x0}" height="{y1 - y0}" {paint}/>')
        else:
            coords = " ".join(f"{x},{y}" for x, y in pts)
            tag = "polygon" if kind == "polygon" else "polyline"
            cap = ' stroke-linecap="round"' if kind == "tick" else ""
            parts.append(f'  <{tag} points="{coords}" {paint}{cap}/>')
    parts.append("</svg>")
    path.write_text("\n".join(parts) + "\n", encoding="utf-8")


def render_png(path, size, pencil):
    # Draw four times larger and scale down: PIL draws without anti-aliasing.
    scale = size * 4 / SIZE
    image = Image.new("RGBA", (size * 4, size * 4), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)

    def px(pts):
        return [(x * scale, y * scale) for x, y in pts]

    def round_dot(point, width):
        r = width / 2
        draw.ellipse([point[0] - r, point[1] - r, point[0] + r, point[1] + r], fill=TICK)

    for kind, pts, fill, stroke, width in shapes(pencil):
        w = max(1, round(width * scale))
        if kind == "rect":
            draw.rectangle(px(pts), fill=fill)
            if stroke:
                # A centred stroke as in SVG: half of it lies outside the rectangle.
                (x0, y0), (x1, y1) = px(pts)
                h = w / 2
                draw.rectangle([x0 - h, y0 - h, x1 + h, y1 + h], outline=stroke, width=w)
                draw.rectangle([x0 + h, y0 + h, x1 - h, y1 - h], fill=fill)
        elif kind == "polygon":
            draw.polygon(px(pts), fill=fill)
            ring = px(pts) + px(pts)[:1]
            draw.line(ring, fill=stroke, width=w, joint="curve")
            for p in px(pts):
                draw.ellipse([p[0] - w / 2, p[1] - w / 2, p[0] + w / 2, p[1] + w / 2], fill=stroke)
        else:
            draw.line(px(pts), fill=stroke, width=w, joint="curve")
            for p in px(pts):
                round_dot(p, w)
    image.resize((size, size), Image.LANCZOS).save(path)


def main():
    out = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent / "icons")
    out.mkdir(parents=True, exist_ok=True)
    for name, pencil in (("exam", False), ("examdesk", True)):
        write_svg(out / f"{name}.svg", pencil)
        for size in (48, 256):
            render_png(out / f"{name}-{size}.png", size, pencil)


if __name__ == "__main__":
    main()
