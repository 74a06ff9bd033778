"""The default world's regions: VRML97 rooms of 20 x 20 m spanning x and z from 0 to 20."""
import os


def pixel_texture(w, h, pixel):
    """PixelTexture with 3 components; pixel(x, y) -> (r, g, b), y counted from the bottom."""
    values = []
    for y in range(h):
        for x in range(w):
            r, g, b = pixel(x, y)
            values.append(f"0x{r:02X}{g:02X}{b:02X}")
    rows = [" ".join(values[i:i + 8]) for i in range(0, len(values), 8)]
    return f"PixelTexture {{ image {w} {h} 3\n      " + "\n      ".join(rows) + " }"


def wood(x, y):
    band = (x // 2) % 4
    base = [(160, 110, 65), (150, 100, 58), (170, 118, 70), (140, 95, 55)][band]
    return base if y % 8 else (110, 75, 45)


def checker(a, b):
    return lambda x, y: a if (x // 4 + y // 4) % 2 == 0 else b


def bricks(x, y):
    mortar = (205, 200, 190)
    if y % 4 == 3:
        return mortar
    offset = 4 if (y // 4) % 2 else 0
    return mortar if (x + offset) % 8 == 7 else (165, 80, 60)


def wallpaper(base, stripe):
    return lambda x, y: stripe if x % 8 in (0, 1) else base


def grass(x, y):
    v = (x * 7 + y * 13) % 5
    return (70 + v * 6, 140 + v * 8, 60 + v * 3)


def _c(rgb):
    return " ".join(f"{v:.3f}" for v in rgb)


class Room:
    def __init__(self, title):
        self.title = title
        self.nodes = []
        self.textures = {}

    def texture(self, name, w, h, fn):
        if name not in self.textures:
            self.textures[name] = pixel_texture(w, h, fn)
            return f"DEF {name} " + self.textures[name]
        return f"USE {name}"

    def box(self, centre, size, rgb, tex=None, repeat=(1, 1), emissive=None):
        x, y, z = centre
        app = f"material Material {{ diffuseColor {_c(rgb)}"
        if emissive:
            app += f" emissiveColor {_c(emissive)}"
        app += " }"
        if tex:
            app += f"\n    texture {tex}\n    textureTransform TextureTransform {{ scale {repeat[0]} {repeat[1]} }}"
        self.nodes.append(f"Transform {{ translation {x} {y} {z} children Shape {{\n"
                          f"  appearance Appearance {{ {app} }}\n"
                          f"  geometry Box {{ size {size[0]} {size[1]} {size[2]} }} }} }}")

    def prim(self, centre, geometry, rgb, rotation=None, emissive=None, transparency=0):
        x, y, z = centre
        rot = f" rotation {rotation}" if rotation else ""
        mat = f"diffuseColor {_c(rgb)}"
        if emissive:
            mat += f" emissiveColor {_c(emissive)}"
        if transparency:
            mat += f" transparency {transparency}"
        self.nodes.append(f"Transform {{ translation {x} {y} {z}{rot} children Shape {{\n"
                          f"  appearance Appearance {{ material Material {{ {mat} }} }}\n"
                          f"  geometry {geometry} }} }}")

    # furniture -----------------------------------------------------------------------------
    def table(self, x, z, w=1.6, d=0.9, rgb=(0.55, 0.35, 0.2)):
        self.box((x, 0.74, z), (w, 0.06, d), rgb)
        for dx in (-w / 2 + 0.08, w / 2 - 0.08):
            for dz in (-d / 2 + 0.08, d / 2 - 0.08):
                self.prim((x + dx, 0.36, z + dz), "Cylinder { radius 0.04 height 0.72 }", rgb)

    def chair(self, x, z, facing_z=1, rgb=(0.45, 0.28, 0.15)):
        self.box((x, 0.45, z), (0.45, 0.05, 0.45), rgb)
        self.box((x, 0.75, z - 0.2 * facing_z), (0.45, 0.6, 0.05), rgb)
        for dx in (-0.18, 0.18):
            for dz in (-0.18, 0.18):
                self.prim((x + dx, 0.22, z + dz), "Box { size 0.04 0.44 0.04 }", rgb)

    def sofa(self, x, z, rgb, along_x=True):
        w, d = (2.2, 0.9) if along_x else (0.9, 2.2)
        self.box((x, 0.25, z), (w, 0.5, d), rgb)
        if along_x:
            self.box((x, 0.7, z - 0.35), (w, 0.6, 0.2), rgb)
            self.box((x - 1.0, 0.55, z), (0.2, 0.4, d), rgb)
            self.box((x + 1.0, 0.55, z), (0.2, 0.4, d), rgb)
        else:
            self.box((x + 0.35, 0.7, z), (0.2, 0.6, d), rgb)
            self.box((x, 0.55, z - 1.0), (w, 0.4, 0.2), rgb)
            self.box((x, 0.55, z + 1.0), (w, 0.4, 0.2), rgb)

    def plant(self, x, z, tall=1.2):
        self.prim((x, 0.25, z), "Cylinder { radius 0.25 height 0.5 }", (0.7, 0.4, 0.25))
        self.prim((x, 0.5 + tall / 2, z), f"Cone {{ bottomRadius 0.45 height {tall} }}", (0.2, 0.55, 0.25))

    def tree(self, x, z):
        self.prim((x, 1.2, z), "Cylinder { radius 0.18 height 2.4 }", (0.45, 0.3, 0.15))
        self.prim((x, 3.0, z), "Sphere { radius 1.3 }", (0.2, 0.5, 0.2))

    def lamp(self, x, z):
        self.prim((x, 0.8, z), "Cylinder { radius 0.03 height 1.6 }", (0.2, 0.2, 0.2))
        self.prim((x, 1.7, z), "Cone { bottomRadius 0.3 height 0.35 }", (0.95, 0.9, 0.7), emissive=(0.6, 0.55, 0.35))
        self.nodes.append(f"PointLight {{ location {x} 1.6 {z} intensity 0.5 radius 8 color 1 0.92 0.8 }}")

    def bookshelf(self, x, z, along_x=True):
        w, d = (2.0, 0.4) if along_x else (0.4, 2.0)
        self.box((x, 1.1, z), (w, 2.2, d), (0.4, 0.25, 0.12))
        colours = [(0.7, 0.15, 0.15), (0.15, 0.3, 0.6), (0.2, 0.5, 0.25), (0.8, 0.65, 0.2), (0.5, 0.2, 0.5)]
        for shelf in range(4):
            y = 0.35 + shelf * 0.5
            for i in range(8):
                off = -0.8 + i * 0.22
                c = colours[(i + shelf * 3) % len(colours)]
                if along_x:
                    self.box((x + off, y, z + (0.22 if z < 10 else -0.22)), (0.16, 0.36, 0.08), c)
                else:
                    self.box((x + (0.22 if x < 10 else -0.22), y, z + off), (0.08, 0.36, 0.16), c)

    def walls(self, tex, height=3.5, door=True):
        t = self.texture("WallTexture", 16, 16, tex)
        self.box((10, height / 2, -0.1), (20.4, height, 0.2), (0.9, 0.9, 0.9), t, (10, 2))
        self.box((-0.1, height / 2, 10), (0.2, height, 20.4), (0.9, 0.9, 0.9), "USE WallTexture", (10, 2))
        self.box((20.1, height / 2, 10), (0.2, height, 20.4), (0.9, 0.9, 0.9), "USE WallTexture", (10, 2))
        if door:
            self.box((4.5, height / 2, 20.1), (9, height, 0.2), (0.9, 0.9, 0.9), "USE WallTexture", (5, 2))
            self.box((15.5, height / 2, 20.1), (9, height, 0.2), (0.9, 0.9, 0.9), "USE WallTexture", (5, 2))
            self.box((10, height - 0.5, 20.1), (2, 1.0, 0.2), (0.9, 0.9, 0.9), "USE WallTexture", (1, 1))
            self.box((10, 1.25, 20.15), (1.9, 2.5, 0.1), (0.45, 0.3, 0.18))
        else:
            self.box((10, height / 2, 20.1), (20.4, height, 0.2), (0.9, 0.9, 0.9), "USE WallTexture", (10, 2))

    def window(self, x, z, along_x=True):
        size = (2.0, 1.2, 0.05) if along_x else (0.05, 1.2, 2.0)
        self.box((x, 1.9, z), size, (0.7, 0.85, 1.0), emissive=(0.5, 0.65, 0.8))

    def write(self, path, sky, ground, floor_tex, floor_repeat=10, ceiling=True, fog=None):
        out = ["#VRML V2.0 utf8", f"# {self.title}: a region of the default world (20 x 20 m, x and z 0..20).",
               f"WorldInfo {{ title \"{self.title}\" }}",
               "NavigationInfo { type [ \"WALK\", \"ANY\" ] headlight FALSE avatarSize [ 0.25 1.6 0.75 ] speed 2 }",
               "Viewpoint { position 10 1.6 18 orientation 0 1 0 0 fieldOfView 0.9 description \"Entrance\" }",
               f"Background {{ skyColor [ {_c(sky[0])}, {_c(sky[1])} ] skyAngle [ 1.4 ] "
               f"groundColor [ {_c(ground)} ] }}",
               "DirectionalLight { direction -0.3 -1 -0.5 intensity 0.55 ambientIntensity 0.35 }",
               "DirectionalLight { direction 0.4 -0.6 0.6 intensity 0.3 }",
               # side and upward fill so walls and the ceiling are not left black
               "DirectionalLight { direction 1 -0.2 0.3 intensity 0.3 }",
               "DirectionalLight { direction -1 -0.2 0.3 intensity 0.3 }",
               "DirectionalLight { direction 0 1 0 intensity 0.25 }"]
        if fog:
            out.append(f"Fog {{ color {_c(fog)} visibilityRange 60 }}")
        ft = self.texture("FloorTexture", 16, 16, floor_tex)
        out.append("Transform { translation 10 -0.05 10 children Shape {\n"
                   "  appearance Appearance { material Material { diffuseColor 1 1 1 }\n"
                   f"    texture {ft}\n"
                   f"    textureTransform TextureTransform {{ scale {floor_repeat} {floor_repeat} }} }}\n"
                   "  geometry Box { size 20.4 0.1 20.4 } } }")
        if ceiling:
            out.append("Transform { translation 10 3.55 10 children Shape {\n"
                       "  appearance Appearance { material Material { diffuseColor 0.95 0.94 0.9 emissiveColor 0.35 0.34 0.32 } }\n"
                       "  geometry Box { size 20.4 0.1 20.4 } } }")
        out += self.nodes
        with open(path, "w", encoding="utf-8", newline="\n") as f:
            f.write("\n".join(out) + "\n")


def lobby(path):
    r = Room("Lobby")
    r.walls(wallpaper((225, 215, 190), (205, 190, 160)))
    r.box((10, 0.01, 10), (6, 0.02, 4), (0.6, 0.15, 0.2))  # rug
    r.sofa(10, 7.5, (0.3, 0.45, 0.65))
    r.sofa(6.5, 10, (0.3, 0.45, 0.65), along_x=False)
    r.box((10, 0.25, 10), (1.6, 0.5, 0.8), (0.35, 0.22, 0.12))  # low table
    r.prim((10, 0.6, 10), "Cylinder { radius 0.12 height 0.2 }", (0.9, 0.9, 0.95))
    r.box((16, 0.55, 3), (4, 1.1, 0.8), (0.55, 0.35, 0.2))  # reception counter
    r.box((16, 1.12, 3), (4.1, 0.05, 0.9), (0.85, 0.8, 0.7))
    for x, z in ((1, 1), (19, 1), (1, 19), (19, 19), (8.5, 19.3), (11.5, 19.3)):
        r.plant(x, z)
    r.lamp(4, 4)
    r.lamp(16, 16)
    r.window(5, 0.05)
    r.window(10, 0.05)
    r.window(0.05, 14, along_x=False)
    r.write(path, ((0.3, 0.5, 0.8), (0.75, 0.85, 0.95)), (0.4, 0.35, 0.3), wood)


def library(path):
    r = Room("Library")
    r.walls(wallpaper((200, 210, 190), (180, 190, 170)))
    for x in (3, 6, 9, 12, 15):
        r.bookshelf(x + 1, 0.3)
    for z in (4, 8, 12):
        r.bookshelf(0.3, z, along_x=False)
        r.bookshelf(19.7, z, along_x=False)
    for x, z in ((7, 9), (13, 9), (7, 14), (13, 14)):
        r.table(x, z)
        r.chair(x - 0.5, z - 0.8)
        r.chair(x + 0.5, z - 0.8)
        r.chair(x - 0.5, z + 0.8, facing_z=-1)
        r.chair(x + 0.5, z + 0.8, facing_z=-1)
        r.prim((x, 0.95, z), "Cone { bottomRadius 0.12 height 0.3 }", (0.2, 0.5, 0.3), emissive=(0.2, 0.3, 0.1))
    r.prim((17, 0.5, 17), "Cylinder { radius 0.05 height 1.0 }", (0.3, 0.2, 0.1))  # globe stand
    r.prim((17, 1.25, 17), "Sphere { radius 0.35 }", (0.2, 0.45, 0.75))
    r.lamp(3, 17)
    r.lamp(10, 11.5)
    r.write(path, ((0.2, 0.25, 0.4), (0.5, 0.55, 0.7)), (0.3, 0.25, 0.2), checker((120, 40, 40), (150, 60, 50)), 8)


def garden(path):
    r = Room("Courtyard")
    r.walls(bricks, height=1.2, door=True)
    # fountain
    r.prim((10, 0.25, 10), "Cylinder { radius 2.0 height 0.5 }", (0.75, 0.75, 0.72))
    r.prim((10, 0.46, 10), "Cylinder { radius 1.8 height 0.05 }", (0.3, 0.55, 0.85), emissive=(0.05, 0.15, 0.3),
           transparency=0.2)
    r.prim((10, 1.0, 10), "Cylinder { radius 0.2 height 1.2 }", (0.75, 0.75, 0.72))
    r.prim((10, 1.7, 10), "Cone { bottomRadius 0.6 height 0.4 }", (0.75, 0.75, 0.72), rotation="1 0 0 3.1416")
    for x, z in ((3, 3), (17, 3), (3, 16), (17, 16), (6, 7), (14, 7)):
        r.tree(x, z)
    for x, z in ((10, 5), (10, 15)):
        r.box((x, 0.45, z), (2.0, 0.08, 0.5), (0.55, 0.35, 0.2))
        r.box((x - 0.85, 0.22, z), (0.1, 0.44, 0.45), (0.25, 0.25, 0.25))
        r.box((x + 0.85, 0.22, z), (0.1, 0.44, 0.45), (0.25, 0.25, 0.25))
    for x in range(2, 19, 2):
        r.prim((x, 0.3, 0.6), "Sphere { radius 0.45 }", (0.15, 0.45, 0.15))
    r.nodes.append("PointLight { location 10 2.5 10 intensity 0.4 radius 10 color 0.9 0.95 1 }")
    r.write(path, ((0.25, 0.5, 0.9), (0.8, 0.9, 1.0)), (0.3, 0.5, 0.25), grass, 12, ceiling=False)


def backstage(path):
    r = Room("Backstage")
    r.walls(checker((60, 60, 70), (70, 70, 80)))
    r.box((10, 0.4, 4), (12, 0.8, 6), (0.35, 0.2, 0.12))  # stage
    r.box((3.8, 2.1, 4), (0.4, 2.6, 6), (0.6, 0.05, 0.1))  # curtains
    r.box((16.2, 2.1, 4), (0.4, 2.6, 6), (0.6, 0.05, 0.1))
    r.box((10, 3.2, 1.2), (12, 0.5, 0.3), (0.6, 0.05, 0.1))
    for x in (6, 10, 14):
        r.nodes.append(f"SpotLight {{ location {x} 3.3 8 direction 0 -0.6 -0.6 intensity 0.8 "
                       "cutOffAngle 0.6 beamWidth 0.4 color 1 0.95 0.8 }")
    for i in range(5):
        r.box((4 + i * 3, 0.4, 14), (0.8, 0.8, 0.8), (0.55, 0.4, 0.25))  # crates
    r.write(path, ((0.05, 0.05, 0.1), (0.1, 0.1, 0.15)), (0.1, 0.1, 0.1), wood, 10)


REGIONS = [
    # id, name (Japanese), file, listed
    ("1", "ロビー（はじまりの部屋）", "lobby.wrl", lobby, True),
    ("2", "図書室", "library.wrl", library, True),
    ("3", "中庭の噴水", "courtyard.wrl", garden, True),
    ("9", "舞台裏", "backstage.wrl", backstage, False),
]


def write_regions(root):
    region_dir = os.path.join(root, "Region")
    os.makedirs(region_dir, exist_ok=True)
    lines = []
    for ident, name, file, build, listed in REGIONS:
        build(os.path.join(region_dir, file))
        lines.append(f"{ident},{name},Region/{file},{'1' if listed else '0'}")
    with open(os.path.join(root, "Region_List.Dat"), "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))
