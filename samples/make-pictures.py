#!/usr/bin/python3
"""Draws the pictures of the demo test: a PNG graph and an EMF diagram written record by record."""
import math
import struct
from pathlib import Path

from PIL import Image, ImageDraw, ImageFont

HERE = Path(__file__).resolve().parent


def velocity_graph(path):
    w, h = 480, 300
    img = Image.new("RGB", (w, h), "white")
    d = ImageDraw.Draw(img)
    font = ImageFont.truetype("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 14)
    ox, oy = 50, 260
    d.line([(ox, oy), (w - 20, oy)], fill="black", width=2)
    d.line([(ox, oy), (ox, 20)], fill="black", width=2)
    for i in range(1, 9):
        x = ox + i * 50
        d.line([(x, oy - 4), (x, oy + 4)], fill="black")
        d.text((x - 4, oy + 8), str(i), fill="black", font=font)
    for j in range(1, 5):
        y = oy - j * 50
        d.line([(ox - 4, y), (ox + 4, y)], fill="black")
        d.text((ox - 28, y - 8), str(j * 5), fill="black", font=font)
    d.text((w - 45, oy - 24), "t, с", fill="black", font=font)
    d.text((ox + 10, 12), "v, м/с", fill="black", font=font)
    # v = 5 + 2.5 t for 0..4 s, then constant 15 m/s
    pts = [(ox, oy - 50), (ox + 200, oy - 150), (ox + 400, oy - 150)]
    d.line(pts, fill=(200, 0, 0), width=3)
    img.save(path)


class Emf:
    def __init__(self):
        self.records = []
        self.handles = 1

    def rec(self, kind, payload=b""):
        body = struct.pack("<II", kind, 8 + len(payload)) + payload
        assert len(body) % 4 == 0
        self.records.append(body)

    def bytes(self, width_px, height_px, dpi=96):
        mm100 = lambda px: round(px * 2540 / dpi)
        self.rec(14, struct.pack("<III", 0, 0, 20))  # EOF
        desc = "exam demo\0\0\0".encode("utf-16-le")
        header_size = 108
        size = header_size + len(desc) + sum(len(r) for r in self.records)
        header = struct.pack(
            "<II4i4iIIIIHHIII2i2iIII2i",
            1, header_size + len(desc),
            0, 0, width_px - 1, height_px - 1,
            0, 0, mm100(width_px), mm100(height_px),
            0x464D4520, 0x10000, size, len(self.records) + 1, self.handles, 0,
            len(desc) // 2, header_size, 0,
            1024, 768, 271, 203,
            0, 0, 0, 271000, 203000)
        assert len(header) == header_size
        return header + desc + b"".join(self.records)


def lever_diagram(path):
    """A lever on a support with two forces: lines, polygons, an ellipse and text."""
    e = Emf()
    e.handles = 4
    # pen 1: black 3 px; brush 2: grey; font 3: Arial 18 px
    e.rec(95, struct.pack("<IIIIIIII", 1, 52, 0, 0, 0, 0x00010000, 3, 0) + struct.pack("<III", 0, 0, 0))
    e.rec(39, struct.pack("<IIII", 2, 0, 0x00C0C0C0, 0))
    face = "Arial".encode("utf-16-le").ljust(64, b"\0")
    logfont = struct.pack("<iiiiiBBBBBBBB", -18, 0, 0, 0, 400, 0, 0, 0, 204, 0, 0, 4, 0) + face
    e.rec(82, struct.pack("<I", 3) + logfont + b"\0" * (320 - 92))
    e.rec(37, struct.pack("<I", 1))
    e.rec(37, struct.pack("<I", 2))
    e.rec(37, struct.pack("<I", 3))
    e.rec(18, struct.pack("<I", 1))  # transparent text background
    # the bar
    e.rec(43, struct.pack("<4i", 40, 150, 600, 162))
    # the support: a triangle
    pts = [(300, 162), (270, 230), (330, 230)]
    e.rec(3, struct.pack("<4iI", 270, 162, 330, 230, 3) + b"".join(struct.pack("<ii", *p) for p in pts))
    # the ground
    e.rec(27, struct.pack("<ii", 200, 232))
    e.rec(54, struct.pack("<ii", 400, 232))
    # two loads as circles
    e.rec(42, struct.pack("<4i", 70, 90, 130, 150))
    e.rec(42, struct.pack("<4i", 500, 110, 540, 150))

    def arrow(x, y0, y1):
        e.rec(27, struct.pack("<ii", x, y0))
        e.rec(54, struct.pack("<ii", x, y1))
        head = [(x - 8, y1 - 14), (x, y1), (x + 8, y1 - 14)]
        e.rec(4, struct.pack("<4iI", x - 8, y1 - 14, x + 8, y1, 3) + b"".join(struct.pack("<ii", *p) for p in head))

    arrow(100, 20, 86)
    arrow(520, 40, 106)

    # Advances of Arial's metric twin at the font's 18 px, as a Windows program would store them.
    metrics = ImageFont.truetype("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf", 18)

    def text(x, y, s):
        chars = s.encode("utf-16-le")
        n = len(s)
        off_string = 76
        off_dx = off_string + ((len(chars) + 3) & ~3)
        emrtext = struct.pack("<iiIII4iI", x, y, n, off_string, 0, 0, 0, -1, -1, off_dx)
        payload = struct.pack("<4iIff", 0, 0, -1, -1, 1, 1.0, 1.0) + emrtext
        payload += chars.ljust((len(chars) + 3) & ~3, b"\0")
        payload += b"".join(struct.pack("<i", round(metrics.getlength(c))) for c in s)
        e.rec(84, payload)

    e.rec(22, struct.pack("<I", 24))  # TA_BASELINE
    text(112, 40, "F1 = 30 Н")
    text(532, 60, "F2 = ?")
    text(150, 200, "l1 = 0,2 м")
    text(400, 200, "l2 = 0,6 м")
    text(40, 275, "Рычаг находится в равновесии. Чему равна сила F2?")
    path.write_bytes(e.bytes(640, 290))


if __name__ == "__main__":
    velocity_graph(HERE / "images" / "velocity.png")
    lever_diagram(HERE / "pages" / "lever.emf")
