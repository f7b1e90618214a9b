"""The ground litter's atlas and the power-line cables' texture, written by
make_textures.py.

"liscie_smieci.tga" is an 8 x 8 atlas with alpha: size class k owns rows 2k
and 2k + 1, whose 16 cells are one leaf (or scrap) turning over, frame 0 to
15. "SlupMgr.tga" is the cables' dark, slightly glossy strand. "demo_water.tga"
(with its normal map) is the river of the second demo world.
"""
import math
import os

import make_textures as mt

CELL = 32
# Per size class: the leaf's colour, its length and width in the cell, and
# how jagged its edge is.
LITTER = [((150, 96, 40), 0.80, 0.42, 0.10),   # brown leaf
          ((196, 132, 44), 0.72, 0.50, 0.18),  # dry orange leaf
          ((170, 160, 80), 0.60, 0.36, 0.05),  # yellowed leaf
          ((208, 204, 190), 0.90, 0.60, 0.00)]  # a scrap of paper


def leaf_cell(p, left, top, colour, length, width, jag, frame):
    """One frame of a leaf turning about its length: its width shrinks with the
    cosine of the turn and its back shows darker."""
    turn = 2.0 * math.pi * frame / 16.0
    face = math.cos(turn)
    half_w = max(abs(face), 0.12) * width * 0.5
    shade = 1.0 if face >= 0.0 else 0.7
    tilt = 0.6 * math.sin(turn * 0.5)
    c, s = math.cos(tilt), math.sin(tilt)
    for y in range(CELL):
        for x in range(CELL):
            u = (x + 0.5) / CELL - 0.5
            v = (y + 0.5) / CELL - 0.5
            a = (u * c + v * s) / (length * 0.5)   # along the leaf
            b = (-u * s + v * c)                   # across it
            if abs(a) >= 1.0:
                continue
            edge = half_w * math.sqrt(1.0 - a * a) * (1.0 + jag * math.sin(a * 19.0))
            if abs(b) >= edge:
                continue
            vein = 0.82 if abs(b) < 0.03 else 1.0
            soft = min(1.0, (edge - abs(b)) / 0.04)
            r, g, bl = (min(255, int(ch * shade * vein)) for ch in colour)
            p.put(left + x, top + y, (r, g, bl, int(255 * soft)))


def litter_atlas():
    p = mt.Picture(8 * CELL, 8 * CELL, (0, 0, 0, 0))
    for k, (colour, length, width, jag) in enumerate(LITTER):
        for frame in range(16):
            row = 2 * k + frame // 8
            leaf_cell(p, (frame % 8) * CELL, row * CELL, colour, length, width, jag, frame)
    return p


def cable(edge):
    """Dark strands along u (the cable's length), a faint highlight in the middle."""
    p = mt.Picture(edge, edge)
    for y in range(edge):
        for x in range(edge):
            across = abs((x + 0.5) / edge * 2.0 - 1.0)
            strand = 0.85 + 0.15 * math.sin((x + y) * 1.7)
            v = (28 + 40 * (1.0 - across) ** 2) * strand
            p.put(x, y, (v, v, v * 1.05, 255))
    return p


def ambient_textures(root):
    misc = os.path.join(root, "textures", "misc")
    demo = os.path.join(root, "textures", "demo")
    os.makedirs(misc, exist_ok=True)
    os.makedirs(demo, exist_ok=True)
    water = mt.noisy(64, 41, (38, 66, 84, 255), (70, 104, 124, 255), cells=4, detail=0.5)
    for folder, name, picture in ((misc, "liscie_smieci.tga", litter_atlas()),
                                  (misc, "SlupMgr.tga", cable(16)),
                                  (demo, "demo_water.tga", water),
                                  (demo, "demo_water_normal.tga", mt.height_normals(water, 1.0 / 16.0))):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(mt.tga_bytes(picture))
