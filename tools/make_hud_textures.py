"""The HUD's pictures: crosshair, ammunition panel, minimap, markers and
arrows, scopes, blood and death screens, the task frame and the loading bar.

Drawn from shapes with soft edges on transparent black; the HUD tints most of
them with its own colours, so they are mostly white. make_textures.py calls
hud_textures(root); the files go to "textures\\hud".
"""
import math
import os

CLEAR = (0, 0, 0, 0)
WHITE = (255, 255, 255, 255)


class Canvas:
    def __init__(self, edge, height=None):
        self.width = edge
        self.height = height or edge
        self.pixels = [CLEAR] * (self.width * self.height)

    def paint(self, coverage, colour):
        """coverage(u, v) -> 0..1 for the centre of each pixel (u, v in 0..1);
        paints the colour over what is there by that amount."""
        for y in range(self.height):
            for x in range(self.width):
                a = coverage((x + 0.5) / self.width, (y + 0.5) / self.height)
                if a <= 0.0:
                    continue
                a = min(1.0, a) * colour[3] / 255.0
                old = self.pixels[y * self.width + x]
                out_a = a + old[3] / 255.0 * (1.0 - a)
                if out_a <= 0.0:
                    continue
                rgb = [(colour[i] * a + old[i] * old[3] / 255.0 * (1.0 - a)) / out_a for i in range(3)]
                self.pixels[y * self.width + x] = tuple(int(round(max(0, min(255, c)))) for c in rgb) + (
                    int(round(out_a * 255)),)

    def tga(self):
        header = bytes([0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                        self.width & 255, self.width >> 8, self.height & 255, self.height >> 8, 32, 0x28])
        body = bytearray()
        for r, g, b, a in self.pixels:
            body += bytes((b, g, r, a))
        return header + bytes(body)


def soft(distance, width):
    """1 inside, fading to 0 over `width` outside (distance < 0 is inside)."""
    return max(0.0, min(1.0, 0.5 - distance / width))


def ring(r, thickness, edge=0.02):
    return lambda u, v: soft(abs(math.hypot(u - 0.5, v - 0.5) - r) - thickness / 2, edge)


def disc(r, edge=0.02):
    return lambda u, v: soft(math.hypot(u - 0.5, v - 0.5) - r, edge)


def box(left, top, right, bottom, edge=0.01):
    return lambda u, v: soft(max(left - u, u - right, top - v, v - bottom), edge)


def triangle(points, edge=0.015):
    """A filled triangle given clockwise on screen (u right, v down)."""
    def coverage(u, v):
        worst = -1.0
        for i in range(3):
            (x0, y0), (x1, y1) = points[i], points[(i + 1) % 3]
            nx, ny = y1 - y0, x0 - x1
            length = math.hypot(nx, ny)
            worst = max(worst, ((u - x0) * nx + (v - y0) * ny) / length)
        return soft(worst, edge)
    return coverage


def union(*parts):
    return lambda u, v: max(p(u, v) for p in parts)


def crosshair():
    c = Canvas(64)
    # Four ticks around an open centre: the spread moves them apart.
    c.paint(union(box(0.43, 0.0, 0.57, 0.3), box(0.43, 0.7, 0.57, 1.0),
                  box(0.0, 0.43, 0.3, 0.57), box(0.7, 0.43, 1.0, 0.57)), WHITE)
    c.paint(disc(0.05), WHITE)
    return c


def arrow(direction):
    c = Canvas(64)
    shapes = {"gora": [(0.5, 0.1), (0.85, 0.7), (0.15, 0.7)],
              "prawo": [(0.9, 0.5), (0.3, 0.85), (0.3, 0.15)],
              "dol": [(0.5, 0.9), (0.15, 0.3), (0.85, 0.3)],
              "lewo": [(0.1, 0.5), (0.7, 0.15), (0.7, 0.85)]}
    c.paint(triangle(shapes[direction]), WHITE)
    return c


def marker(inner):
    c = Canvas(64)
    c.paint(ring(0.38, 0.08), WHITE)
    c.paint(inner, WHITE)
    return c


def ammo_panel():
    c = Canvas(128, 32)
    c.paint(box(0.0, 0.0, 1.0, 1.0, 0.02), (40, 48, 50, 150))
    c.paint(lambda u, v: soft(abs(v - 0.06) - 0.03, 0.02) * (u > 0.02 and u < 0.98), (255, 255, 255, 200))
    c.paint(lambda u, v: soft(abs(v - 0.94) - 0.03, 0.02) * (u > 0.02 and u < 0.98), (255, 255, 255, 200))
    return c


def bullet(width, height):
    c = Canvas(width, height)
    c.paint(lambda u, v: soft(max(abs(u - 0.5) - 0.35, 0.3 - v, v - 0.97), 0.05), WHITE)
    c.paint(lambda u, v: soft(math.hypot((u - 0.5) / 0.35, (v - 0.32) / 0.3) - 1.0, 0.1), WHITE)
    return c


def blood(seed):
    c = Canvas(128)
    state = seed
    drops = []
    for _ in range(14):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        a = (state >> 8) % 6283 / 1000.0
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        r = 0.1 + (state >> 8) % 80 / 1000.0
        drops.append((0.5 + math.cos(a) * 0.55, 0.5 + math.sin(a) * 0.55, r))

    def coverage(u, v):
        edge = max(0.0, math.hypot(u - 0.5, v - 0.5) - 0.3) * 2.0
        spots = max(soft(math.hypot(u - x, v - y) - r, 0.04) for x, y, r in drops)
        return min(1.0, edge * 0.8 + spots * 0.7)
    c.paint(coverage, (130, 8, 8, 255))
    return c


def scope_mask(reticle):
    c = Canvas(256)
    # Black outside the lens; the reticle over it.
    c.paint(lambda u, v: soft(0.49 - math.hypot(u - 0.5, v - 0.5), 0.01), (0, 0, 0, 255))
    c.paint(reticle, (0, 0, 0, 230))
    return c


def death():
    c = Canvas(128)
    c.paint(lambda u, v: 0.3 + 0.7 * min(1.0, math.hypot(u - 0.5, v - 0.5) * 1.6), (90, 0, 0, 255))
    return c


def hit_indicator():
    c = Canvas(128)
    # A red arc at the top: the side the hit came from.
    c.paint(lambda u, v: ring(0.42, 0.07)(u, v) * soft(abs(math.atan2(u - 0.5, 0.5 - v)) - 0.5, 0.1),
            (255, 40, 30, 255))
    return c


def frame():
    c = Canvas(64)
    c.paint(box(0.0, 0.0, 1.0, 1.0, 0.02), (255, 255, 255, 110))
    c.paint(lambda u, v: soft(min(u, v, 1 - u, 1 - v) - 0.04, 0.02), WHITE)
    return c


def hud_textures(root):
    folder = os.path.join(root, "textures", "hud")
    os.makedirs(folder, exist_ok=True)

    def write(name, canvas):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(canvas.tga())

    radiation = Canvas(64)
    radiation.paint(ring(0.4, 0.08), (255, 220, 40, 255))
    for k in range(3):
        a = k * 2 * math.pi / 3

        def blade(u, v, a=a):
            d = math.hypot(u - 0.5, v - 0.5)
            t = math.atan2(v - 0.5, u - 0.5) - a
            t = (t + math.pi) % (2 * math.pi) - math.pi
            return soft(abs(t) - 0.5, 0.05) * soft(abs(d - 0.2) - 0.1, 0.02)
        radiation.paint(blade, (255, 220, 40, 255))
    write("hud_promieniowanie.tga", radiation)
    write("hud_waypoint_3D.tga", marker(disc(0.12)))
    write("hud_explosive_3D.tga", marker(union(box(0.46, 0.25, 0.54, 0.6), box(0.46, 0.68, 0.54, 0.76))))
    for direction in ("gora", "prawo", "dol", "lewo"):
        write("hud_waypoint_%s.tga" % direction, arrow(direction))
    write("hud_celownik.tga", crosshair())
    write("hud_pod_bron.tga", ammo_panel())
    write("hud_bullet_big.tga", bullet(8, 32))
    write("hud_bullet_small.tga", bullet(4, 16))
    pointer = Canvas(64)
    pointer.paint(ring(0.3, 0.08), WHITE)
    pointer.paint(box(0.42, 0.4, 0.58, 0.7), WHITE)
    write("hud_grenade_pointer.tga", pointer)
    write("hud_grenade_pointer_arrow.tga", arrow("gora"))
    write("minimap_point.tga", marker(disc(0.2)))
    circle = Canvas(128)
    circle.paint(lambda u, v: soft(math.hypot(u - 0.5, v - 0.5) - 0.44, 0.01), (20, 30, 30, 110))
    circle.paint(ring(0.46, 0.03, 0.01), WHITE)
    write("minimap_circle.tga", circle)
    heading = Canvas(128)
    heading.paint(triangle([(0.5, 0.44), (0.54, 0.56), (0.46, 0.56)], 0.01), WHITE)
    heading.paint(triangle([(0.5, 0.02), (0.53, 0.07), (0.47, 0.07)], 0.01), WHITE)
    write("minimap_triangle.tga", heading)
    for i in range(7):
        write("hud_ekran_krwi%d.tga" % i, blood(31 + i * 17))
    lens = Canvas(64)
    lens.paint(lambda u, v: soft(math.hypot(u - 0.5, v - 0.5) - 0.5, 0.02), (60, 90, 70, 50))
    write("hud_celownik_sniper_kolor.tga", lens)
    cross = union(box(0.499, 0.0, 0.501, 1.0, 0.003), box(0.0, 0.499, 1.0, 0.501, 0.003))
    write("hud_celownik_sniper.tga", scope_mask(cross))
    write("hud_barrett_sniper.tga", scope_mask(union(cross, ring(0.1, 0.006, 0.004))))
    write("hud_saiga_noc.tga", scope_mask(union(disc(0.01, 0.004), ring(0.25, 0.006, 0.004))))
    chevron = triangle([(0.5, 0.5), (0.52, 0.56), (0.48, 0.56)], 0.004)
    write("hud_dragunov_sniper.tga", scope_mask(union(chevron, box(0.0, 0.499, 1.0, 0.501, 0.003))))
    black = Canvas(8)
    black.paint(lambda u, v: 1.0, (0, 0, 0, 255))
    write("menu_black.tga", black)
    mark = Canvas(32)
    mark.paint(triangle([(0.5, 0.9), (0.15, 0.2), (0.85, 0.2)]), WHITE)
    write("hud_character_mark.tga", mark)
    write("hud_ekran_death.tga", death())
    write("hud_indicator_hit.tga", hit_indicator())
    write("hud_textframe.tga", frame())
    bar = Canvas(64, 16)
    bar.paint(lambda u, v: soft(abs(v - 0.5) - 0.35, 0.1) * min(1.0, 4 * min(u, 1 - u)), WHITE)
    write("menu_pasek_pod_menu.tga", bar)
    # The loading screen's progress bar: white, coloured as it is drawn.
    progress = Canvas(64, 8)
    progress.paint(lambda u, v: 1.0 - 0.25 * abs(v - 0.5), WHITE)
    write("hud_progress_bar.tga", progress)
    # The flown helicopter's cockpit screen and its frame.
    screen = Canvas(64)
    screen.paint(box(0.06, 0.06, 0.94, 0.94, 0.02), (40, 90, 60, 200))
    screen.paint(union(box(0.1, 0.495, 0.9, 0.505, 0.003), box(0.495, 0.1, 0.505, 0.9, 0.003)), (120, 255, 150, 255))
    write("hud_heli_screen.tga", screen)
    write("hud_heli_tlo.tga", frame())
