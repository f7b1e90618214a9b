#!/usr/bin/env python3
"""make_textures.py [DATA_DIR]: writes the bundled textures and their script.

Every picture is drawn here from plain colours and patterns (checkers, bricks,
planks, value noise, gradients), so the data tree holds nothing made
elsewhere. Output is deterministic: the same files on every run.

TGA files are 32-bit, uncompressed, rows top-down. DDS files are written with
their whole mip chain (box filtered); "floor.dds" is DXT1-compressed and
"skybox.dds" is a cube map.
"""
import math
import os
import struct
import sys

from make_hud_textures import hud_textures

# ---- Pixels ------------------------------------------------------------------


class Picture:
    def __init__(self, width, height, colour=(0, 0, 0, 255)):
        self.width = width
        self.height = height
        self.pixels = [colour] * (width * height)

    def get(self, x, y):
        return self.pixels[(y % self.height) * self.width + (x % self.width)]

    def put(self, x, y, colour):
        self.pixels[y * self.width + x] = tuple(max(0, min(255, int(round(c)))) for c in colour)


class Noise:
    """Smooth value noise from a fixed linear congruential sequence."""

    def __init__(self, seed, cells):
        self.cells = cells
        state = seed
        self.values = []
        for _ in range(cells * cells):
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            self.values.append((state >> 16) / 32768.0)

    def at(self, u, v):
        x, y = u * self.cells, v * self.cells
        x0, y0 = int(math.floor(x)), int(math.floor(y))
        fx, fy = x - x0, y - y0
        fx, fy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)

        def value(i, j):
            return self.values[(j % self.cells) * self.cells + (i % self.cells)]

        top = value(x0, y0) * (1 - fx) + value(x0 + 1, y0) * fx
        bottom = value(x0, y0 + 1) * (1 - fx) + value(x0 + 1, y0 + 1) * fx
        return top * (1 - fy) + bottom * fy


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def shade(colour, factor):
    return tuple(colour[i] * factor for i in range(3)) + tuple(colour[3:])


# ---- Patterns ------------------------------------------------------------------


def solid(edge, colour):
    return Picture(edge, edge, colour)


def checker(edge, cell, a, b):
    p = Picture(edge, edge)
    for y in range(edge):
        for x in range(edge):
            p.put(x, y, a if (x // cell + y // cell) % 2 == 0 else b)
    return p


def noisy(edge, seed, dark, light, cells=8, detail=0.35):
    coarse, fine = Noise(seed, cells), Noise(seed + 1, cells * 4)
    p = Picture(edge, edge)
    for y in range(edge):
        for x in range(edge):
            u, v = x / edge, y / edge
            t = coarse.at(u, v) * (1 - detail) + fine.at(u, v) * detail
            p.put(x, y, mix(dark, light, t))
    return p


def bricks(edge, rows, columns, brick, mortar, seed):
    noise = Noise(seed, 16)
    p = Picture(edge, edge)
    brick_h = edge // rows
    brick_w = edge // columns
    joint = max(1, edge // 64)
    for y in range(edge):
        row = y // brick_h
        offset = (brick_w // 2) if row % 2 else 0
        for x in range(edge):
            bx = (x + offset) % brick_w
            by = y % brick_h
            if bx < joint or by < joint:
                p.put(x, y, mortar)
            else:
                index = (row * columns + (x + offset) // brick_w) % 7
                tint = 0.85 + 0.05 * index + 0.15 * noise.at(x / edge, y / edge)
                p.put(x, y, shade(brick, tint))
    return p


def brick_normals(edge, rows, columns):
    """A normal map: flat faces tilted inward at the mortar joints."""
    p = Picture(edge, edge, (128, 128, 255, 255))
    brick_h = edge // rows
    brick_w = edge // columns
    joint = max(1, edge // 64)
    for y in range(edge):
        row = y // brick_h
        offset = (brick_w // 2) if row % 2 else 0
        for x in range(edge):
            bx = (x + offset) % brick_w
            by = y % brick_h
            nx = -0.6 if bx == joint else (0.6 if bx == brick_w - 1 else 0.0)
            ny = -0.6 if by == joint else (0.6 if by == brick_h - 1 else 0.0)
            nz = math.sqrt(max(0.0, 1.0 - nx * nx - ny * ny))
            p.put(x, y, ((nx * 0.5 + 0.5) * 255, (ny * 0.5 + 0.5) * 255, (nz * 0.5 + 0.5) * 255, 255))
    return p


def height_normals(p, relief):
    """A normal map that reads a picture's brightness as height; it wraps as the texture tiles."""
    n = Picture(p.width, p.height)

    def height(x, y):
        r, g, b = p.get(x, y)[:3]
        return (r + g + b) / 3.0

    for y in range(p.height):
        for x in range(p.width):
            nx = -(height(x + 1, y) - height(x - 1, y)) * 0.5 * relief
            ny = -(height(x, y + 1) - height(x, y - 1)) * 0.5 * relief
            length = math.sqrt(nx * nx + ny * ny + 1.0)
            n.put(x, y, ((nx / length * 0.5 + 0.5) * 255, (ny / length * 0.5 + 0.5) * 255,
                         (0.5 / length + 0.5) * 255, 255))
    return n


def crate(edge):
    wood_dark, wood_light = (110, 72, 34, 255), (176, 124, 66, 255)
    grain = Noise(7, 32)
    p = Picture(edge, edge)
    plank = edge // 4
    frame = edge // 10
    for y in range(edge):
        for x in range(edge):
            g = grain.at(x / edge * 0.25, y / edge)
            colour = mix(wood_dark, wood_light, 0.35 + 0.5 * g)
            if y % plank == 0:
                colour = shade(wood_dark, 0.6)
            on_frame = x < frame or y < frame or x >= edge - frame or y >= edge - frame
            on_brace = abs(x - y) < frame // 2 or abs(x + y - edge) < frame // 2
            if on_frame or on_brace:
                colour = shade(mix(wood_dark, wood_light, 0.5 + 0.4 * g), 0.8)
            if on_frame and (x in (0, edge - 1) or y in (0, edge - 1)):
                colour = shade(wood_dark, 0.5)
            p.put(x, y, colour)
    return p


def sky(edge):
    zenith, horizon = (48, 92, 170, 255), (176, 206, 236, 255)
    clouds = Noise(11, 6)
    p = Picture(edge, edge)
    for y in range(edge):
        for x in range(edge):
            t = y / (edge - 1)
            colour = mix(zenith, horizon, t * t)
            c = max(0.0, clouds.at(x / edge, y / edge) - 0.55) * 2.0
            p.put(x, y, mix(colour, (250, 250, 250, 255), min(1.0, c)))
    return p


def cube_faces(edge):
    """Six faces of a sky box: +X, -X, +Y (up), -Y (down), +Z, -Z."""
    zenith, horizon, ground = (48, 92, 170, 255), (176, 206, 236, 255), (90, 84, 70, 255)
    faces = []
    for face in range(6):
        p = Picture(edge, edge)
        for y in range(edge):
            for x in range(edge):
                if face == 2:
                    colour = zenith
                elif face == 3:
                    colour = ground
                else:
                    t = y / (edge - 1)
                    colour = mix(zenith, horizon, t) if t < 0.5 else mix(horizon, ground, (t - 0.5) * 2)
                p.put(x, y, colour)
        faces.append(p)
    return faces


# ---- Mip chains and files ------------------------------------------------------


def half(p):
    w, h = max(1, p.width // 2), max(1, p.height // 2)
    out = Picture(w, h)
    for y in range(h):
        for x in range(w):
            x0, y0 = min(2 * x, p.width - 1), min(2 * y, p.height - 1)
            x1, y1 = min(2 * x + 1, p.width - 1), min(2 * y + 1, p.height - 1)
            quad = [p.get(x0, y0), p.get(x1, y0), p.get(x0, y1), p.get(x1, y1)]
            out.pixels[y * w + x] = tuple((sum(c[i] for c in quad) + 2) // 4 for i in range(4))
    return out


def chain(p):
    levels = [p]
    while levels[-1].width > 1 or levels[-1].height > 1:
        levels.append(half(levels[-1]))
    return levels


def tga_bytes(p):
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, p.width, p.height, 32, 0x28)
    body = bytearray()
    for r, g, b, a in p.pixels:
        body += bytes((b, g, r, a))
    return header + bytes(body)


def argb_level(p):
    body = bytearray()
    for r, g, b, a in p.pixels:
        body += bytes((b, g, r, a))
    return bytes(body)


def to565(c):
    return ((c[0] >> 3) << 11) | ((c[1] >> 2) << 5) | (c[2] >> 3)


def from565(v):
    r, g, b = (v >> 11) & 31, (v >> 5) & 63, v & 31
    return ((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2))


def dxt1_level(p):
    """Each 4 x 4 block between its darkest and brightest texel, four colours."""
    out = bytearray()
    for by in range(0, max(p.height, 4), 4):
        for bx in range(0, max(p.width, 4), 4):
            block = [p.get(min(bx + i % 4, p.width - 1), min(by + i // 4, p.height - 1)) for i in range(16)]
            lum = [c[0] * 3 + c[1] * 6 + c[2] for c in block]
            c0, c1 = to565(block[lum.index(max(lum))]), to565(block[lum.index(min(lum))])
            if c0 < c1:
                c0, c1 = c1, c0
            if c0 == c1:
                out += struct.pack("<HHI", c0, c1, 0)
                continue
            e0, e1 = from565(c0), from565(c1)
            palette = [e0, e1, tuple((2 * e0[i] + e1[i]) // 3 for i in range(3)),
                       tuple((e0[i] + 2 * e1[i]) // 3 for i in range(3))]
            indices = 0
            for i, c in enumerate(block):
                best = min(range(4), key=lambda k: sum((c[j] - palette[k][j]) ** 2 for j in range(3)))
                indices |= best << (2 * i)
            out += struct.pack("<HHI", c0, c1, indices)
    return bytes(out)


def dds_bytes(faces_levels, dxt1=False):
    """faces_levels: a list (one per face) of mip chains."""
    top = faces_levels[0][0]
    cube = len(faces_levels) == 6
    levels = len(faces_levels[0])
    flags = 0x1 | 0x2 | 0x4 | 0x1000 | 0x20000
    if dxt1:
        pixel_format = struct.pack("<IIIIIIII", 32, 0x4, 0x31545844, 0, 0, 0, 0, 0)
    else:
        pixel_format = struct.pack("<IIIIIIII", 32, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000)
    caps = 0x1000 | (0x400008 if levels > 1 else 0) | (0x8 if cube else 0)
    caps2 = (0x200 | 0xFC00) if cube else 0
    header = (b"DDS " + struct.pack("<IIIIIII", 124, flags, top.height, top.width, 0, 0, levels) +
              b"\0" * 44 + pixel_format + struct.pack("<IIIII", caps, caps2, 0, 0, 0))
    body = b"".join(dxt1_level(l) if dxt1 else argb_level(l) for face in faces_levels for l in face)
    return header + body


# ---- Particle effects ----------------------------------------------------------
# Sprites of the effects: alpha carries the shape; additive ones are drawn on
# black so their colour alone adds light.


def radial(edge, inner, outer, power, seed=0, grain=0.0, additive=False):
    """A round puff from `inner` at the centre to `outer` at the rim, its alpha
    falling with distance to the power given; value noise adds grain."""
    p = Picture(edge, edge)
    n = Noise(seed, 6) if grain else None
    for y in range(edge):
        for x in range(edge):
            dx, dy = (x + 0.5) / edge * 2 - 1, (y + 0.5) / edge * 2 - 1
            r = min(1.0, math.sqrt(dx * dx + dy * dy))
            fall = (1.0 - r) ** power
            if n:
                fall *= 1.0 - grain + grain * n.at(x / edge, y / edge) * 1.4
            fall = max(0.0, min(1.0, fall))
            c = mix(outer, inner, fall)
            if additive:
                p.put(x, y, (c[0] * fall, c[1] * fall, c[2] * fall, 255 * fall))
            else:
                p.put(x, y, (c[0], c[1], c[2], 255 * fall))
    return p


def star(edge, rays, colour):
    """A muzzle flash: a hot core with pointed rays, on black."""
    p = Picture(edge, edge)
    for y in range(edge):
        for x in range(edge):
            dx, dy = (x + 0.5) / edge * 2 - 1, (y + 0.5) / edge * 2 - 1
            r = math.sqrt(dx * dx + dy * dy)
            angle = math.atan2(dy, dx)
            spike = abs(math.cos(angle * rays / 2.0)) ** 8
            fall = max(0.0, 1.0 - r / (0.25 + 0.75 * spike))
            core = max(0.0, 1.0 - r * 4.0)
            v = min(1.0, fall * fall + core)
            p.put(x, y, (colour[0] * v, colour[1] * v + 60 * core, colour[2] * v + 120 * core, 255 * v))
    return p


def atlas(cell, frame_colour):
    """An 8 x 8 sheet of 64 frames, row by row; frame_colour(frame, dx, dy, noise)
    gives each texel of a frame as seen on screen, dx running from -1 at the
    left to 1 at the right and dy from -1 at the top to 1 at the bottom.

    An effect's quad lays its texture mirrored across the diagonal from top
    right to bottom left (a texel row runs up the quad), so each frame is drawn
    mirrored the same way to stand upright on screen."""
    p = Picture(cell * 8, cell * 8)
    n = Noise(77, 8)
    for frame in range(64):
        ox, oy = (frame % 8) * cell, (frame // 8) * cell
        for y in range(cell):
            for x in range(cell):
                tx, ty = (x + 0.5) / cell * 2 - 1, (y + 0.5) / cell * 2 - 1
                p.put(ox + x, oy + y, frame_colour(frame, -ty, -tx, n))
    return p


def flame(frame, dx, dy, n):
    """A flame licking upwards; the noise scrolls up by the frame."""
    t = frame / 64.0
    up = (1.0 - dy) / 2.0  # 0 at the bottom, 1 at the top
    width = 0.95 * (1.0 - up) ** 0.6 + 0.1
    flicker = n.at(dx * 0.5 + 0.5, (dy * 0.5 + 0.5 + t * 4.0) % 1.0)
    edge = abs(dx + (flicker - 0.5) * 0.5 * up) / width
    v = max(0.0, 1.0 - edge) * min(1.0, (1.0 - up) * 3.0) * (0.6 + 0.6 * flicker)
    v = min(1.0, v)
    return (255 * v, 190 * v * v + 30 * v, 60 * v ** 3, 255 * v)


def fireball(frame, dx, dy, n):
    """An explosion over 64 frames: a white-hot flash, an orange ball that
    swells, then dark smoke that fades."""
    t = frame / 63.0
    r = math.sqrt(dx * dx + dy * dy)
    size = 0.5 + 0.45 * math.sqrt(t)
    grain = n.at(dx * 0.5 + 0.5 + t, dy * 0.5 + 0.5)
    body = max(0.0, 1.0 - r / (size * (0.8 + 0.4 * grain)))
    heat = max(0.0, 1.0 - t * 1.4)
    v = min(1.0, body * 2.5) * (1.0 - t) ** 0.6
    hot = (255, 255, 220)
    warm = (255, 140, 30)
    smoke = (60, 50, 45)
    c = mix(smoke, mix(warm, hot, heat * body), min(1.0, heat * 1.5))
    return (c[0] * v, c[1] * v, c[2] * v, 255 * v)


def bullet_hole(edge):
    """A bullet mark: a dark, ragged hole with a scorched rim in the middle of
    a clear square; the mark's sprite is large, the hole small within it."""
    p = Picture(edge, edge, (0, 0, 0, 0))
    c = (edge - 1) / 2.0
    hole, rim = edge * 0.018, edge * 0.05
    for y in range(edge):
        for x in range(edge):
            d = math.hypot(x - c, y - c)
            if d <= hole:
                p.put(x, y, (12, 10, 8, 255))
            elif d <= rim:
                t = (d - hole) / (rim - hole)
                p.put(x, y, (40, 34, 28, int(200 * (1.0 - t) ** 1.5)))
    return p


def beam_strip(width, height):
    """A laser beam's strip: white and brightest along the middle of u, fading
    to black at both edges; v runs along the beam."""
    p = Picture(width, height)
    for y in range(height):
        for x in range(width):
            d = abs((x + 0.5) / width * 2 - 1)
            v = max(0.0, 1.0 - d) ** 2.5
            p.put(x, y, (255 * v, 255 * v, 255 * v, 255 * v))
    return p


def effect_textures(root):
    fx = os.path.join(root, "textures", "fx")
    os.makedirs(fx, exist_ok=True)

    def write(name, picture):
        with open(os.path.join(fx, name), "wb") as f:
            f.write(tga_bytes(picture))

    write("fx_smoke.tga", radial(64, (150, 150, 150), (90, 90, 90), 1.5, seed=11, grain=0.5))
    write("fx_dust.tga", radial(64, (170, 150, 110), (120, 100, 70), 1.8, seed=12, grain=0.6))
    write("fx_flash.tga", star(64, 5, (255, 200, 90)))
    write("fx_spark.tga", radial(16, (255, 240, 200), (255, 140, 40), 2.0, additive=True))
    write("fx_glow.tga", radial(64, (255, 230, 180), (255, 120, 30), 2.5, additive=True))
    write("fx_blood.tga", radial(16, (150, 10, 10), (90, 0, 0), 0.6))
    write("fx_blood_stain.tga", radial(64, (110, 5, 5), (70, 0, 0), 0.4, seed=13, grain=0.8))
    write("fx_fire_atlas.tga", atlas(32, flame))
    write("fx_explosion_atlas.tga", atlas(32, fireball))
    write("spr_slad_kuli.tga", bullet_hole(128))
    # Laser sights: the beams' strip and dust (tinted by the beam colour) and the hero's red dot.
    write("spr_laser_bialy.tga", beam_strip(32, 8))
    write("spr_pylek_lasera_bialy.tga", radial(16, (255, 255, 255), (200, 200, 200), 2.0, additive=True))
    write("spr_pylek_lasera.tga", radial(16, (255, 90, 80), (200, 20, 20), 2.0, additive=True))
    write("spr_laser_czerwony.tga", radial(32, (255, 60, 50), (230, 0, 0), 0.8))


# ---- The data tree ---------------------------------------------------------------


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), "..", "data"))
    textures = os.path.join(root, "textures")
    terrain = os.path.join(textures, "terrain")
    misc = os.path.join(textures, "misc")
    os.makedirs(terrain, exist_ok=True)
    os.makedirs(misc, exist_ok=True)

    def write(folder, name, data):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)

    white = (255, 255, 255, 255)
    write(misc, "bialy.tga", tga_bytes(solid(8, white)))
    write(misc, "czarne.tga", tga_bytes(solid(8, (0, 0, 0, 255))))
    write(misc, "sys_ambient.tga", tga_bytes(solid(8, (96, 104, 120, 255))))
    write(textures, "checker.tga", tga_bytes(checker(64, 8, (200, 200, 200, 255), (60, 60, 60, 255))))
    write(textures, "ground.tga", tga_bytes(noisy(256, 3, (58, 78, 34, 255), (118, 132, 64, 255))))
    write(textures, "wall.tga", tga_bytes(bricks(256, 8, 4, (150, 68, 46, 255), (172, 166, 150, 255), 5)))
    write(textures, "wall_normal.tga", tga_bytes(brick_normals(256, 8, 4)))
    write(textures, "crate.tga", tga_bytes(crate(128)))
    write(textures, "sky.tga", tga_bytes(sky(256)))
    write(textures, "floor.dds",
          dds_bytes([chain(checker(128, 32, (150, 150, 140, 255), (110, 110, 100, 255)))], dxt1=True))
    write(textures, "skybox.dds", dds_bytes([chain(face) for face in cube_faces(32)]))

    layers = [("ter_sand_grass001", (150, 140, 90), (90, 120, 50)),
              ("ter_sand_grass002", (160, 150, 100), (80, 110, 45)),
              ("ter_sand001", (170, 155, 110), (200, 185, 140)),
              ("ter_sand002", (150, 135, 95), (185, 170, 125)),
              ("ter_sand003", (190, 175, 130), (215, 200, 160)),
              ("ter_rock001", (90, 88, 84), (140, 136, 130)),
              ("ter_stone001", (110, 108, 100), (160, 156, 146))]
    for seed, (name, dark, light) in enumerate(layers):
        layer = noisy(128, 20 + seed, dark + (255,), light + (255,))
        write(terrain, name + ".tga", tga_bytes(layer))
        write(terrain, name + "_normal.tga", tga_bytes(height_normals(layer, 1.0 / 8.0)))
    effect_textures(root)
    hud_textures(root)
    from make_menu_textures import menu_textures
    menu_textures(root)
    # Imported here: the weather module builds on this one's helpers.
    from weather_textures import weather_textures
    weather_textures(root)
    from ambient_textures import ambient_textures
    ambient_textures(root)
    from sunlit_textures import sunlit_textures
    sunlit_textures(root)
    from grass_textures import grass_textures
    grass_textures(root)
    from post_textures import post_textures
    post_textures(root)


if __name__ == "__main__":
    main()
