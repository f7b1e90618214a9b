"""The rain's textures, written by make_textures.py.

Both are drawn additively, so black adds nothing: a single drop's streak, and
a sheet of thin falling streaks that tiles from top to bottom (the rain
scrolls it down).
"""
import math
import os

import make_textures as mt


def drop_streak(width, height):
    """A soft vertical streak, brightest along its middle and towards its lower end."""
    p = mt.Picture(width, height)
    for y in range(height):
        along = y / (height - 1)
        ends = math.sin(math.pi * along) ** 0.5 * (0.4 + 0.6 * along)
        for x in range(width):
            across = 1.0 - abs((x + 0.5) / width * 2.0 - 1.0)
            v = 255 * ends * across ** 1.5
            p.put(x, y, (v * 0.85, v * 0.9, v, v))
    return p


def rain_sheet(edge, streaks, seed):
    """Thin streaks at scattered columns and heights, wrapping top to bottom."""
    p = mt.Picture(edge, edge)
    state = seed
    for _ in range(streaks):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        x = (state >> 8) % edge
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        top = (state >> 8) % edge
        length = edge // 8 + (state >> 20) % (edge // 4)
        strength = 0.35 + ((state >> 4) % 64) / 100.0
        for k in range(length):
            y = (top + k) % edge
            v = 255 * strength * math.sin(math.pi * k / length)
            old = p.get(x, y)
            p.put(x, y, tuple(max(a, b) for a, b in zip(old, (v * 0.85, v * 0.9, v, v))))
    return p


def weather_textures(root):
    misc = os.path.join(root, "textures", "misc")
    os.makedirs(misc, exist_ok=True)
    for name, picture in (("tankowiec_deszcz_kropla.tga", drop_streak(8, 32)),
                          ("tankowiec_deszcz.tga", rain_sheet(128, 90, 31))):
        with open(os.path.join(misc, name), "wb") as f:
            f.write(mt.tga_bytes(picture))
