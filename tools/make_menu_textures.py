"""The menu's pictures: the backdrop picture (a dusk over hills and a town's
roofs), the cursor, the check boxes, the slider parts, the load list's
arrows and knob, the black layer and the smoke puff. make_textures.py calls
menu_textures(root); the files go to "textures\\menu".

Everything is drawn here from shapes and is deterministic: the same bytes on
every run.
"""
import math
import os

from make_hud_textures import Canvas, box, soft, triangle, union

WHITE = (255, 255, 255, 255)


def hash01(x, y, seed):
    n = (x * 374761393 + y * 668265263 + seed * 2147483647) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((n ^ (n >> 16)) & 0xFFFF) / 65535.0


def smooth_noise(u, seed, cells):
    """1D value noise in 0..1 over u in 0..1."""
    x = u * cells
    i = int(math.floor(x))
    f = x - i
    f = f * f * (3 - 2 * f)
    a, b = hash01(i, 0, seed), hash01(i + 1, 0, seed)
    return a + (b - a) * f


def backdrop(width=512, height=256):
    """A dusk sky over two hill ridges and a row of roofs; wide enough for
    16:9, its middle three quarters make a 4:3 screen."""
    rows = []
    for y in range(height):
        v = (y + 0.5) / height
        row = []
        for x in range(width):
            u = (x + 0.5) / width
            # Sky: deep blue at the top to a warm band at the horizon.
            t = min(1.0, v / 0.62)
            r = 28 + (196 - 28) * t ** 2.2
            g = 32 + (120 - 32) * t ** 2.0
            b = 58 + (84 - 58) * t
            # The low sun, right of the middle.
            d = math.hypot((u - 0.64) * 2.0, (v - 0.6) * 1.0)
            glow = max(0.0, 1.0 - d / 0.35) ** 2
            r, g, b = r + 60 * glow, g + 40 * glow, b + 10 * glow
            far = 0.56 + 0.06 * smooth_noise(u, 3, 7) + 0.02 * smooth_noise(u, 5, 23)
            near = 0.68 + 0.07 * smooth_noise(u, 11, 5) + 0.02 * smooth_noise(u, 13, 31)
            if v > far:
                r, g, b = 70 + 20 * glow, 58 + 10 * glow, 66
            if v > near:
                r, g, b = 34, 30, 36
            # Roofs and a church tower on the near ridge, left of the middle.
            roof = near - 0.05 - 0.04 * (int(u * 40) % 3 == 0)
            if 0.12 < u < 0.42 and v > roof and (int(u * 80) % 4) != 0:
                r, g, b = 26, 22, 28
            if 0.27 < u < 0.29 and v > near - 0.2:
                r, g, b = 24, 20, 26
            # A little grain so the picture is not banded.
            n = (hash01(x, y, 7) - 0.5) * 6
            row.append((int(max(0, min(255, r + n))), int(max(0, min(255, g + n))),
                        int(max(0, min(255, b + n))), 255))
        rows.append(row)
    c = Canvas(width, height)
    c.pixels = [p for row in rows for p in row]
    return c


def loading_picture(number):
    """The loading screen's picture of a level: the backdrop's dusk tinted
    per level (01 a cold night, 02 a warm haze), so two levels are told
    apart at a glance."""
    tints = {1: (0.55, 0.75, 1.15), 2: (1.2, 0.95, 0.6)}
    tr, tg, tb = tints[number]
    c = backdrop()
    c.pixels = [(min(255, int(r * tr)), min(255, int(g * tg)), min(255, int(b * tb)), a)
                for (r, g, b, a) in c.pixels]
    return c


def cursor():
    c = Canvas(32)
    c.paint(triangle([(0.05, 0.05), (0.75, 0.5), (0.05, 0.85)], 0.03), (20, 20, 20, 255))
    c.paint(triangle([(0.1, 0.12), (0.62, 0.48), (0.1, 0.75)], 0.03), (240, 232, 200, 255))
    return c


def square(checked):
    c = Canvas(32)
    c.paint(union(box(0.1, 0.1, 0.9, 0.18), box(0.1, 0.82, 0.9, 0.9),
                  box(0.1, 0.1, 0.18, 0.9), box(0.82, 0.1, 0.9, 0.9)), WHITE)
    if checked:
        c.paint(box(0.3, 0.3, 0.7, 0.7, 0.03), WHITE)
    return c


def slider_bar():
    c = Canvas(64, 16)
    c.paint(box(0.0, 0.0, 1.0, 1.0, 0.05), (70, 70, 60, 255))
    c.paint(box(0.03, 0.15, 0.97, 0.85, 0.05), (20, 20, 18, 255))
    return c


def slider_fill():
    c = Canvas(64, 16)
    c.paint(lambda u, v: soft(abs(v - 0.5) - 0.3, 0.1), (150, 140, 96, 255))
    return c


def load_knob():
    c = Canvas(32)
    c.paint(box(0.15, 0.1, 0.85, 0.9, 0.04), (150, 140, 110, 255))
    c.paint(box(0.3, 0.45, 0.7, 0.55, 0.03), (60, 56, 44, 255))
    return c


def list_arrow(up, pressed):
    c = Canvas(32)
    c.paint(box(0.05, 0.05, 0.95, 0.95, 0.04), (90, 88, 74, 255) if pressed else (50, 50, 44, 255))
    points = [(0.5, 0.25), (0.8, 0.7), (0.2, 0.7)] if up else [(0.5, 0.75), (0.2, 0.3), (0.8, 0.3)]
    c.paint(triangle(points, 0.04), (250, 236, 150, 255) if pressed else (204, 199, 167, 255))
    return c


def puff():
    """A soft, faint grey cloud: drawn additively, so its colour is its strength."""
    c = Canvas(64)
    def coverage(u, v):
        d = math.hypot(u - 0.5, v - 0.5) / 0.5
        lumps = 0.15 * math.sin(7 * u + 3 * v) * math.sin(5 * v - 2 * u)
        return max(0.0, 1.0 - d + lumps) ** 2
    for i in range(64 * 64):
        x, y = i % 64, i // 64
        a = coverage((x + 0.5) / 64, (y + 0.5) / 64)
        g = int(round(34 * min(1.0, a)))
        c.pixels[i] = (g, g, g, int(round(255 * min(1.0, a))))
    return c


def menu_textures(root):
    folder = os.path.join(root, "textures", "menu")
    os.makedirs(folder, exist_ok=True)

    def write(name, canvas):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(canvas.tga())

    write("menu_tlo.tga", backdrop())
    # The worlds of the bundled tree use the pictures 01 and 02.
    for number in (1, 2):
        write("loading%02d.tga" % number, loading_picture(number))
    black = Canvas(8)
    black.paint(lambda u, v: 1.0, (0, 0, 0, 255))
    write("czarne.tga", black)
    write("hud_kursor.tga", cursor())
    write("hud_menu_square.tga", square(False))
    write("hud_menu_square_check.tga", square(True))
    write("menu_slider_bar.tga", slider_bar())
    write("menu_slider.tga", slider_fill())
    write("menu_load_slider.tga", load_knob())
    write("menu_arrow_up_normal.tga", list_arrow(True, False))
    write("menu_arrow_up_pressed.tga", list_arrow(True, True))
    write("menu_arrow_down_normal.tga", list_arrow(False, False))
    write("menu_arrow_down_pressed.tga", list_arrow(False, True))
    write("spr_dymek_jasny_01.tga", puff())
