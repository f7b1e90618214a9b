"""The showcase's textures and their texture script, written by make_textures.py.

Cut-out surfaces keep their shape in the alpha channel (a picket fence,
leaves, grass blades); glass is partly transparent; the lamp's glow, the light
shaft and the lens flares are drawn additively, so black adds nothing. The
pond has its colour, a normal map of ripples and the environment picture it
reflects; the lava a hot crust and the flow map that stirs it. The texture
script "scripts/textures/sunlit.txt" gives each its kind.
"""
import math
import os

import make_textures as mt

SCRIPT = """texture sun_fence.tga
transparent
2sided
wood
normal sun_flat_normal.tga

texture sun_glass.tga
translucent
glass
normal sun_flat_normal.tga

texture sun_glass_env.tga
translucent
environmental skybox.dds
glass
normal sun_flat_normal.tga

texture sun_leaves.tga
transparent
2sided
normal sun_flat_normal.tga

texture sun_grass.tga
transparent
grass_texture
2sided
normal sun_flat_normal.tga

texture sun_flat_normal.tga
do_not_render

texture sun_glow.tga
additive

texture sun_shaft.tga
additive
ray_of_light
appear_distance 6
2sided

texture sun_water.tga
water
water_height 0.3
water_color 0.2 0.35 0.4
water_fog_far 30
water_fog_near 2
water_transparent 0.75
normal sun_water_normal.tga

texture sun_water_normal.tga
do_not_render

texture sun_lava.tga
lava sun_lava_flow.tga
lava_speed_up 1.5
lava_speed_down 0.6
lava_map_coef 2
water_fog_far 60
water_fog_near 10
no_light

texture sun_lava_flow.tga
do_not_render
"""


def fence(edge):
    """Vertical pickets with pointed tops and two rails; gaps fully transparent."""
    p = mt.Picture(edge, edge, (0, 0, 0, 0))
    pickets = 6
    for y in range(edge):
        v = y / edge
        for x in range(edge):
            u = (x + 0.5) / edge * pickets
            across = u - math.floor(u)
            centre = abs(across - 0.5)
            top = 0.12 + centre * 0.35
            picket = centre < 0.3 and v > top
            rail = 0.3 < v < 0.38 or 0.72 < v < 0.8
            if picket or rail:
                grain = 0.85 + 0.15 * math.sin(v * 40 + math.floor(u) * 2.0)
                p.put(x, y, (205 * grain, 190 * grain, 160 * grain, 255))
    return p


def glass(edge, tint, alpha):
    p = mt.Picture(edge, edge)
    for y in range(edge):
        for x in range(edge):
            frame = x < 3 or y < 3 or x >= edge - 3 or y >= edge - 3 or abs(x - edge // 2) < 2
            streak = 0.1 * math.sin((x + y) * 0.15)
            if frame:
                p.put(x, y, (70, 60, 50, 255))
            else:
                p.put(x, y, (tint[0] * (1 + streak), tint[1] * (1 + streak), tint[2] * (1 + streak), alpha))
    return p


def leaves(edge, seed):
    """Leaf blobs scattered over a round crown; the rest transparent."""
    p = mt.Picture(edge, edge, (0, 0, 0, 0))
    n = mt.Noise(seed, 16)
    for y in range(edge):
        for x in range(edge):
            dx, dy = (x + 0.5) / edge * 2 - 1, (y + 0.5) / edge * 2 - 1
            r = math.sqrt(dx * dx + dy * dy)
            v = n.at(x / edge, y / edge)
            if r < 0.95 and v > 0.35 + r * 0.3:
                shade = 0.6 + 0.6 * v
                p.put(x, y, (50 * shade, 110 * shade, 35 * shade, 255))
    return p


def grass(edge, seed):
    """Blades rising from the bottom edge, thinning to points."""
    p = mt.Picture(edge, edge, (0, 0, 0, 0))
    state = seed
    for _ in range(28):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        base = (state >> 8) % edge
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        height = edge * (0.45 + ((state >> 8) % 50) / 100.0)
        lean = ((state >> 4) % 21 - 10) / 40.0
        for y in range(int(height)):
            t = y / height
            width = 2.5 * (1.0 - t) + 0.5
            cx = base + lean * y
            for x in range(int(cx - width), int(cx + width) + 1):
                if 0 <= x < edge:
                    g = 100 + 90 * t
                    p.put(x, edge - 1 - y, (60 + 40 * t, g, 30, 255))
    return p


def shaft(width, height):
    """A soft column of light, brightest at the top, fading to the sides and down."""
    p = mt.Picture(width, height)
    for y in range(height):
        down = y / (height - 1)
        for x in range(width):
            across = 1.0 - abs((x + 0.5) / width * 2.0 - 1.0)
            v = 150 * (across ** 1.5) * (1.0 - 0.8 * down)
            p.put(x, y, (v, v * 0.9, v * 0.65, 255))
    return p


def water(edge):
    n = mt.Noise(31, 8)
    p = mt.Picture(edge, edge)
    for y in range(edge):
        for x in range(edge):
            v = n.at(x / edge, y / edge)
            p.put(x, y, (40 + 30 * v, 80 + 40 * v, 95 + 40 * v, 255))
    return p


def ripples(edge):
    """A normal map of crossing ripples (x in red, up in blue, z in green)."""
    p = mt.Picture(edge, edge)
    for y in range(edge):
        for x in range(edge):
            u, v = x / edge * 2 * math.pi, y / edge * 2 * math.pi
            nx = 0.25 * math.sin(u * 3) + 0.15 * math.sin((u + v) * 5)
            nz = 0.25 * math.cos(v * 4) + 0.15 * math.cos((u - v) * 3)
            length = math.sqrt(nx * nx + nz * nz + 1.0)
            p.put(x, y, ((nx / length) * 127 + 128, (nz / length) * 127 + 128, (1.0 / length) * 127 + 128, 255))
    return p


def environment(edge):
    """What the pond reflects: sky above, a dark town band at the horizon."""
    p = mt.Picture(edge, edge)
    for y in range(edge):
        v = y / (edge - 1)
        for x in range(edge):
            if v < 0.55:
                c = mt.mix((110, 160, 225), (200, 220, 240), v / 0.55)
            elif v < 0.7:
                c = (90, 80, 70) if (x // 6) % 3 else (120, 105, 90)
            else:
                c = (70, 90, 60)
            p.put(x, y, (c[0], c[1], c[2], 255))
    return p


def lava(edge):
    n = mt.Noise(41, 10)
    p = mt.Picture(edge, edge)
    for y in range(edge):
        for x in range(edge):
            v = n.at(x / edge, y / edge)
            crack = max(0.0, 1.0 - abs(v - 0.5) * 6.0)
            p.put(x, y, (120 + 135 * crack, 30 + 150 * crack * crack, 10 + 40 * crack ** 3, 255))
    return p


def flow(edge):
    n1, n2 = mt.Noise(51, 6), mt.Noise(52, 6)
    p = mt.Picture(edge, edge)
    for y in range(edge):
        for x in range(edge):
            p.put(x, y, (255 * n1.at(x / edge, y / edge), 255 * n2.at(x / edge, y / edge), 128, 255))
    return p


def ring(edge, colour):
    p = mt.Picture(edge, edge)
    for y in range(edge):
        for x in range(edge):
            dx, dy = (x + 0.5) / edge * 2 - 1, (y + 0.5) / edge * 2 - 1
            r = math.sqrt(dx * dx + dy * dy)
            v = max(0.0, 1.0 - abs(r - 0.75) * 8.0)
            p.put(x, y, (colour[0] * v, colour[1] * v, colour[2] * v, 255 * v))
    return p


def sunlit_textures(root):
    demo = os.path.join(root, "textures", "demo")
    flares = os.path.join(root, "textures", "flares")
    scripts = os.path.join(root, "scripts", "textures")
    for folder in (demo, flares, scripts):
        os.makedirs(folder, exist_ok=True)

    def write(folder, name, picture):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(mt.tga_bytes(picture))

    write(demo, "sun_fence.tga", fence(64))
    write(demo, "sun_glass.tga", glass(32, (150, 190, 210), 110))
    write(demo, "sun_glass_env.tga", glass(32, (170, 210, 180), 140))
    write(demo, "sun_leaves.tga", leaves(64, 61))
    write(demo, "sun_grass.tga", grass(64, 71))
    write(demo, "sun_glow.tga", mt.radial(32, (255, 240, 190), (255, 170, 60), 0.8, additive=True))
    write(demo, "sun_shaft.tga", shaft(32, 64))
    write(demo, "sun_water.tga", water(64))
    write(demo, "sun_water_normal.tga", ripples(64))
    write(demo, "env_miasto2.tga", environment(32))
    write(demo, "sun_flat_normal.tga", mt.solid(8, (128, 128, 255, 255)))
    write(demo, "sun_lava.tga", lava(64))
    write(demo, "sun_lava_flow.tga", flow(32))
    write(flares, "flare_disc.tga", mt.radial(32, (120, 140, 180), (40, 50, 90), 1.2, additive=True))
    write(flares, "flare_ghost.tga", mt.radial(32, (90, 160, 110), (30, 70, 50), 0.5, additive=True))
    write(flares, "flare_ring.tga", ring(64, (150, 120, 200)))
    write(flares, "flare_sun.tga", mt.star(64, 6, (255, 235, 190)))
    write(flares, "flare_halo.tga", mt.radial(64, (255, 240, 210), (120, 90, 50), 2.0, additive=True))
    with open(os.path.join(scripts, "sunlit.txt"), "w", newline="\n") as f:
        f.write(SCRIPT)
