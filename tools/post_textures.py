"""The post-process chain's textures, written by make_textures.py.

"ao_noise.tga" is a 64 x 64 field of random directions that turns the
ambient-occlusion kernel per pixel. "hud_ekran_krwi_16.tga" is the blood
overlay: dark red splashes creeping in from the screen's edges, transparent
in the middle.
"""
import math
import os

import make_textures as mt


def ao_noise(edge, seed):
    p = mt.Picture(edge, edge)
    state = seed
    for y in range(edge):
        for x in range(edge):
            channels = []
            for _ in range(3):
                state = (state * 1103515245 + 12345) & 0x7FFFFFFF
                channels.append((state >> 16) % 256)
            p.put(x, y, (channels[0], channels[1], channels[2], 255))
    return p


def blood_overlay(edge, seed):
    p = mt.Picture(edge, edge, (0, 0, 0, 0))
    noise = mt.Noise(seed, 8)
    fine = mt.Noise(seed + 1, 32)
    for y in range(edge):
        for x in range(edge):
            u, v = (x + 0.5) / edge, (y + 0.5) / edge
            # 0 in the middle, 1 at the edges.
            border = max(abs(u - 0.5), abs(v - 0.5)) * 2.0
            splash = border ** 3 + 0.45 * noise.at(u, v) + 0.15 * fine.at(u, v) - 0.55
            if splash <= 0.0:
                continue
            a = min(1.0, splash * 3.0)
            dark = 0.55 + 0.45 * fine.at(u * 2.0, v * 2.0)
            p.put(x, y, (150 * dark, 8 * dark, 10 * dark, 255 * a))
    return p


def post_textures(root):
    misc = os.path.join(root, "textures", "misc")
    hud = os.path.join(root, "textures", "hud")
    os.makedirs(misc, exist_ok=True)
    os.makedirs(hud, exist_ok=True)
    with open(os.path.join(misc, "ao_noise.tga"), "wb") as f:
        f.write(mt.tga_bytes(ao_noise(64, 77)))
    with open(os.path.join(hud, "hud_ekran_krwi_16.tga"), "wb") as f:
        f.write(mt.tga_bytes(blood_overlay(256, 91)))
