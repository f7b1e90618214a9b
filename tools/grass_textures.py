"""The grass's textures, written by make_textures.py.

"spr_trawa00.tga" holds the terrain-grass blades in bands of v: the short
tuft from 0.14 to 0.25, the lush one from 0.25 to 0.5 and the tall one from
0.5 to 0.75 (each with its tips at the smaller v); blades are cut out by the
alpha channel. "det_skora_normal.tga" is a faint normal map of fibres,
"tc_clouds.tga" the soft cloud shadows the sun-lit effects read, and
"demo_bush.tga" the plant groups' picture: two crossed cards, the upper half
of v for the first, the lower for the second.
"""
import math
import os

import make_textures as mt


def lcg(state):
    return (state * 1103515245 + 12345) & 0x7FFFFFFF


def blades(picture, top, bottom, count, seed, dark, light):
    """Tapered blades standing on row `bottom`, their tips between row `top` and a little below."""
    state = seed
    width = picture.width
    for _ in range(count):
        state = lcg(state)
        root = (state >> 8) % width
        state = lcg(state)
        tip = top + (state >> 8) % max(1, (bottom - top) // 3)
        state = lcg(state)
        lean = ((state >> 8) % 21 - 10) / 10.0 * width / 12.0
        state = lcg(state)
        tone = ((state >> 8) % 100) / 100.0
        base_half = 1.5 + ((state >> 4) % 3) * 0.5
        for y in range(tip, bottom + 1):
            along = (bottom - y) / max(1, bottom - tip)  # 0 at the root, 1 at the tip
            centre = root + lean * along * along
            half = base_half * (1.0 - along) + 0.3
            colour = mt.mix(dark, light, 0.3 + 0.7 * along * (0.5 + 0.5 * tone))
            for x in range(int(math.floor(centre - half)), int(math.ceil(centre + half)) + 1):
                if abs(x + 0.5 - centre) <= half:
                    picture.put(x % width, y, colour[:3] + (255,))


def blade_atlas(width, height):
    p = mt.Picture(width, height, (60, 90, 40, 0))
    dark, light = (40, 75, 25, 255), (120, 170, 70, 255)
    bands = ((0.14, 0.25, 18, 3), (0.25, 0.5, 26, 5), (0.5, 0.75, 22, 7))
    for top, bottom, count, seed in bands:
        blades(p, int(top * height), int(bottom * height) - 1, count, seed, dark, light)
    return p


def fibres(edge, seed):
    """A faint normal map: fine strands along v."""
    noise = mt.Noise(seed, 32)
    p = mt.Picture(edge, edge)
    for y in range(edge):
        for x in range(edge):
            t = noise.at(x / edge, y / edge * 0.125) - 0.5
            p.put(x, y, (128 + 60 * t, 128, 235, 255))
    return p


def clouds(edge, seed):
    return mt.noisy(edge, seed, (150, 150, 150, 255), (255, 255, 255, 255), cells=4, detail=0.3)


def bush(edge, seed):
    """Two rows of leafy cards: a rounded shrub in each half of v."""
    p = mt.Picture(edge, edge, (50, 80, 30, 0))
    noise = mt.Noise(seed, 16)
    half = edge // 2
    for row in range(2):
        for y in range(half):
            for x in range(edge):
                u = (x + 0.5) / edge * 2.0 - 1.0
                h = 1.0 - (y + 0.5) / half  # 0 at the foot, 1 at the top
                outline = math.sqrt(max(0.0, 1.0 - u * u)) * 0.95
                n = noise.at(x / edge, (y + row * half) / edge)
                if h < outline * (0.75 + 0.35 * n):
                    green = mt.mix((35, 70, 25, 255), (95, 150, 60, 255), n * 0.6 + h * 0.4)
                    p.put(x, row * half + y, green)
    return p


def grass_textures(root):
    misc = os.path.join(root, "textures", "misc")
    os.makedirs(misc, exist_ok=True)
    for name, picture in (("spr_trawa00.tga", blade_atlas(64, 256)),
                          ("det_skora_normal.tga", fibres(64, 41)),
                          ("tc_clouds.tga", clouds(64, 43)),
                          ("demo_bush.tga", bush(64, 47))):
        with open(os.path.join(misc, name), "wb") as f:
            f.write(mt.tga_bytes(picture))
