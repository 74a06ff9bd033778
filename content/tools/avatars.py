"""The default world's avatars: VRML models with gestures, preview pictures and action buttons."""
import math
import os

from bmp import Canvas, write_bmp

# Each avatar: colours, body style, preview depth and its gestures (one button each, a00 upward).
AVATARS = [
    dict(name="bear", title="Bear", body=(0.55, 0.35, 0.2), accent=(0.85, 0.7, 0.5), style="bear",
         preview=dict(bits=24, rle=False),
         gestures=["wave", "jump", "nod", "bow", "spin", "clap", "shake", "squash", "dance", "banzai"]),
    dict(name="bird", title="Bird", body=(0.95, 0.8, 0.15), accent=(0.95, 0.5, 0.1), style="bird",
         preview=dict(bits=8, rle=False),
         gestures=["flap", "hop", "spin", "tilt", "nod"]),
    dict(name="cat", title="Cat", body=(0.95, 0.6, 0.25), accent=(1.0, 0.95, 0.9), style="cat",
         preview=dict(bits=8, rle=True),
         gestures=["wave", "stretch", "jump", "tilt", "look", "spin", "bow", "wiggle", "squash", "dance", "nod",
                   "banzai"]),
    dict(name="dog", title="Dog", body=(0.9, 0.88, 0.82), accent=(0.5, 0.3, 0.15), style="dog",
         preview=dict(bits=4, rle=False),
         gestures=["wave", "jump", "shake", "bow", "wiggle", "spin"]),
    dict(name="frog", title="Frog", body=(0.3, 0.7, 0.25), accent=(0.95, 0.95, 0.7), style="frog",
         preview=dict(bits=4, rle=True),
         gestures=["hop", "squash", "look", "spin", "grow", "clap", "dance", "flip", "wave"]),
    dict(name="robot", title="Robot", body=(0.6, 0.63, 0.68), accent=(0.2, 0.6, 0.95), style="robot",
         preview=dict(bits=1, rle=False),
         gestures=["wave", "spin", "nod", "banzai"]),
]

# Gesture: seconds, and (target field, interpolator type, keys, values) tracks. Every track starts and
# ends at the rest pose, so an avatar stands as before when its gesture ends.
def _rot(axis, angles):
    return [f"{axis} {a:.4f}" for a in angles]


GESTURES = {
    "wave": (2.0, [("ArmR.rotation", "Orientation", [0, .2, .4, .6, .8, 1],
                    _rot("0 0 1", [0, 2.6, 2.1, 2.6, 2.1, 0]))]),
    "flap": (1.6, [("ArmR.rotation", "Orientation", [0, .25, .5, .75, 1], _rot("0 0 1", [0, 1.2, 0, 1.2, 0])),
                   ("ArmL.rotation", "Orientation", [0, .25, .5, .75, 1], _rot("0 0 1", [0, -1.2, 0, -1.2, 0]))]),
    "banzai": (1.8, [("ArmR.rotation", "Orientation", [0, .3, .7, 1], _rot("0 0 1", [0, 3.0, 3.0, 0])),
                     ("ArmL.rotation", "Orientation", [0, .3, .7, 1], _rot("0 0 1", [0, -3.0, -3.0, 0]))]),
    "clap": (1.6, [("ArmR.rotation", "Orientation", [0, .2, .4, .6, .8, 1],
                    _rot("0 1 0", [0, 1.3, 0.9, 1.3, 0.9, 0])),
                   ("ArmL.rotation", "Orientation", [0, .2, .4, .6, .8, 1],
                    _rot("0 1 0", [0, -1.3, -0.9, -1.3, -0.9, 0]))]),
    "jump": (1.2, [("Body.translation", "Position", [0, .5, 1], ["0 0 0", "0 0.6 0", "0 0 0"])]),
    "hop": (1.6, [("Body.translation", "Position", [0, .25, .5, .75, 1],
                   ["0 0 0", "0 0.35 0", "0 0 0", "0 0.35 0", "0 0 0"])]),
    "nod": (1.4, [("Head.rotation", "Orientation", [0, .25, .5, .75, 1], _rot("1 0 0", [0, .45, 0, .45, 0]))]),
    "shake": (1.4, [("Head.rotation", "Orientation", [0, .25, .5, .75, 1], _rot("0 1 0", [0, .6, -.6, .6, 0]))]),
    "look": (2.4, [("Head.rotation", "Orientation", [0, .3, .7, 1], _rot("0 1 0", [0, 1.0, -1.0, 0]))]),
    "tilt": (1.4, [("Head.rotation", "Orientation", [0, .5, 1], _rot("0 0 1", [0, .5, 0]))]),
    "bow": (1.8, [("Body.rotation", "Orientation", [0, .4, .6, 1], _rot("1 0 0", [0, .7, .7, 0]))]),
    "spin": (1.5, [("Body.rotation", "Orientation", [0, .25, .5, .75, 1],
                    _rot("0 1 0", [0, math.pi / 2, math.pi, 3 * math.pi / 2, 2 * math.pi]))]),
    "flip": (1.5, [("Body.rotation", "Orientation", [0, .25, .5, .75, 1],
                    _rot("1 0 0", [0, -math.pi / 2, -math.pi, -3 * math.pi / 2, -2 * math.pi])),
                   ("Body.translation", "Position", [0, .5, 1], ["0 0 0", "0 1.0 0", "0 0 0"])]),
    "wiggle": (1.6, [("Body.rotation", "Orientation", [0, .2, .4, .6, .8, 1],
                      _rot("0 0 1", [0, .25, -.25, .25, -.25, 0]))]),
    "dance": (3.0, [("Body.translation", "Position", [0, .25, .5, .75, 1],
                     ["0 0 0", "0.3 0.2 0", "0 0 0", "-0.3 0.2 0", "0 0 0"]),
                    ("Body.rotation", "Orientation", [0, .25, .5, .75, 1], _rot("0 0 1", [0, -.3, 0, .3, 0])),
                    ("ArmR.rotation", "Orientation", [0, .5, 1], _rot("0 0 1", [0, 2.5, 0])),
                    ("ArmL.rotation", "Orientation", [0, .5, 1], _rot("0 0 1", [0, -2.5, 0]))]),
    "squash": (1.2, [("Body.scale", "Position", [0, .3, .6, 1], ["1 1 1", "1.25 0.7 1.25", "0.9 1.15 0.9", "1 1 1"])]),
    "stretch": (2.0, [("Body.scale", "Position", [0, .5, 1], ["1 1 1", "0.9 1.25 0.9", "1 1 1"]),
                      ("ArmR.rotation", "Orientation", [0, .5, 1], _rot("0 0 1", [0, 3.0, 0])),
                      ("ArmL.rotation", "Orientation", [0, .5, 1], _rot("0 0 1", [0, -3.0, 0]))]),
    "grow": (2.0, [("Body.scale", "Position", [0, .5, 1], ["1 1 1", "1.5 1.5 1.5", "1 1 1"])]),
}

# What each gesture is called on its button (the palette's tooltip and the menu entry).
GESTURE_NAMES = {
    "wave": "手を振る", "flap": "はばたく", "banzai": "ばんざい", "clap": "拍手", "jump": "ジャンプ",
    "hop": "ぴょんぴょん", "nod": "うなずく", "shake": "いやいや", "look": "きょろきょろ", "tilt": "首をかしげる",
    "bow": "おじぎ", "spin": "くるりと回る", "flip": "宙返り", "wiggle": "ゆらゆら", "dance": "ダンス",
    "squash": "ぺしゃんこ", "stretch": "のび", "grow": "大きくなる",
}


def _c(rgb):
    return " ".join(f"{v:.3f}" for v in rgb)


def _shape(geometry, rgb, translation=(0, 0, 0), rotation=None, scale=None, texture=None):
    parts = [f"translation {translation[0]} {translation[1]} {translation[2]}"]
    if rotation:
        parts.append("rotation " + rotation)
    if scale:
        parts.append(f"scale {scale[0]} {scale[1]} {scale[2]}")
    tex = f"\n        texture ImageTexture {{ url \"{texture}\" }}" if texture else ""
    return (f"Transform {{ {' '.join(parts)} children Shape {{\n"
            f"      appearance Appearance {{ material Material {{ diffuseColor {_c(rgb)} }}{tex} }}\n"
            f"      geometry {geometry} }} }}")


def _style_parts(a):
    """Head decorations per kind (in head coordinates: head centre at the origin, radius 0.3)."""
    body, acc, s = a["body"], a["accent"], a["style"]
    dark = (0.08, 0.08, 0.1)
    eyes = [_shape("Sphere { radius 0.045 }", dark, (-0.1, 0.06, 0.26)),
            _shape("Sphere { radius 0.045 }", dark, (0.1, 0.06, 0.26))]
    if s == "bear":
        extra = [_shape("Sphere { radius 0.1 }", body, (-0.22, 0.24, 0)),
                 _shape("Sphere { radius 0.1 }", body, (0.22, 0.24, 0)),
                 _shape("Sphere { radius 0.12 }", acc, (0, -0.06, 0.24), scale=(1, 0.8, 0.8)),
                 _shape("Sphere { radius 0.04 }", dark, (0, -0.02, 0.34))]
    elif s == "bird":
        extra = [_shape("Cone { bottomRadius 0.08 height 0.22 }", acc, (0, -0.02, 0.36), rotation="1 0 0 1.5708"),
                 _shape("Cone { bottomRadius 0.05 height 0.18 }", acc, (0, 0.36, 0))]
    elif s == "cat":
        extra = [_shape("Cone { bottomRadius 0.09 height 0.2 }", body, (-0.17, 0.3, 0), rotation="0 0 1 0.3"),
                 _shape("Cone { bottomRadius 0.09 height 0.2 }", body, (0.17, 0.3, 0), rotation="0 0 1 -0.3"),
                 _shape("Sphere { radius 0.03 }", (0.9, 0.4, 0.5), (0, -0.03, 0.3))]
    elif s == "dog":
        extra = [_shape("Box { size 0.1 0.28 0.06 }", acc, (-0.3, 0.0, 0), rotation="0 0 1 0.25"),
                 _shape("Box { size 0.1 0.28 0.06 }", acc, (0.3, 0.0, 0), rotation="0 0 1 -0.25"),
                 _shape("Sphere { radius 0.12 }", body, (0, -0.08, 0.25), scale=(1, 0.7, 1)),
                 _shape("Sphere { radius 0.045 }", dark, (0, -0.03, 0.36))]
    elif s == "frog":
        eyes = [_shape("Sphere { radius 0.1 }", acc, (-0.15, 0.25, 0.1)),
                _shape("Sphere { radius 0.1 }", acc, (0.15, 0.25, 0.1)),
                _shape("Sphere { radius 0.045 }", dark, (-0.15, 0.27, 0.19)),
                _shape("Sphere { radius 0.045 }", dark, (0.15, 0.27, 0.19))]
        extra = [_shape("Box { size 0.3 0.02 0.02 }", (0.6, 0.1, 0.1), (0, -0.1, 0.28))]
    else:  # robot
        eyes = [_shape("Box { size 0.08 0.05 0.02 }", acc, (-0.1, 0.06, 0.3)),
                _shape("Box { size 0.08 0.05 0.02 }", acc, (0.1, 0.06, 0.3))]
        extra = [_shape("Cylinder { radius 0.015 height 0.25 }", body, (0, 0.4, 0)),
                 _shape("Sphere { radius 0.05 }", (0.95, 0.2, 0.2), (0, 0.54, 0))]
    return eyes + extra


def avatar_vrml(a):
    robot = a["style"] == "robot"
    body, acc = a["body"], a["accent"]
    head_geom = "Box { size 0.55 0.5 0.55 }" if robot else "Sphere { radius 0.3 }"
    torso_geom = "Box { size 0.6 0.7 0.4 }" if robot else "Sphere { radius 0.35 }"
    arm_geom = "Box { size 0.12 0.5 0.12 }" if robot else "Cylinder { radius 0.06 height 0.5 }"
    head = "\n      ".join(_style_parts(a))
    tail = ""
    if a["style"] == "cat":
        tail = _shape("Cylinder { radius 0.04 height 0.5 }", body, (0, 0.55, -0.4), rotation="1 0 0 0.9")
    lines = [
        "#VRML V2.0 utf8",
        f"# {a['title']}: an avatar of the default world. Origin at the feet, facing +z, 1.6 m tall.",
        f"WorldInfo {{ title \"{a['title']}\" }}",
        "DEF Avatar Transform { children [",
        "  DEF Body Transform { children [",
        "    " + _shape(torso_geom, body, (0, 0.75, 0), scale=None if robot else (1, 1.2, 0.9),
                        texture=f"{a['name']}_skin.bmp"),
        "    " + _shape("Sphere { radius 0.22 }" if not robot else "Box { size 0.4 0.3 0.05 }", acc,
                        (0, 0.7, 0.22 if robot else 0.21), scale=None if robot else (1, 1.3, 0.6)),
        "    " + _shape("Cylinder { radius 0.08 height 0.4 }", body, (-0.15, 0.2, 0)),
        "    " + _shape("Cylinder { radius 0.08 height 0.4 }", body, (0.15, 0.2, 0)),
        "    " + (tail or "Group { }"),
        "    DEF Head Transform { translation 0 1.3 0 children [",
        "      " + _shape(head_geom, body),
        "      " + head,
        "    ] }",
        "    DEF ArmR Transform { translation 0.38 1.05 0 center 0 0 0 children [",
        "      " + _shape(arm_geom, body, (0, -0.22, 0)),
        "    ] }",
        "    DEF ArmL Transform { translation -0.38 1.05 0 center 0 0 0 children [",
        "      " + _shape(arm_geom, body, (0, -0.22, 0)),
        "    ] }",
        "  ] }",
        "] }",
        "",
        "# Gestures: TimeSensor aNN plays gesture NN once; every track ends at the rest pose.",
    ]
    for k, g in enumerate(a["gestures"]):
        seconds, tracks = GESTURES[g]
        sensor = f"a{k:02d}"
        lines.append(f"DEF {sensor} TimeSensor {{ cycleInterval {seconds} loop FALSE }}  # {g}")
        for t, (target, kind, keys, values) in enumerate(tracks):
            interp = f"{sensor}_{t}"
            lines.append(f"DEF {interp} {kind}Interpolator {{ key [ {', '.join(str(x) for x in keys)} ] "
                         f"keyValue [ {', '.join(values)} ] }}")
            node, field = target.split(".")
            lines.append(f"ROUTE {sensor}.fraction_changed TO {interp}.set_fraction")
            lines.append(f"ROUTE {interp}.value_changed TO {node}.set_{field}")
    return "\n".join(lines) + "\n"


def _rgb255(rgb):
    return tuple(int(round(v * 255)) for v in rgb)


def preview_canvas(a):
    """80 x 80 portrait in at most 16 colours (2 for the 1-bit robot)."""
    w = h = 80
    if a["preview"]["bits"] == 1:
        c = Canvas(w, h, 0)
        c.rect(18, 20, 62, 58, 1)
        c.rect(21, 23, 59, 55, 0)
        c.rect(28, 32, 36, 38, 1)
        c.rect(44, 32, 52, 38, 1)
        c.rect(30, 45, 50, 48, 1)
        c.line(40, 20, 40, 8, 1)
        c.circle(40, 7, 4, 1)
        c.rect(26, 58, 54, 78, 1)
        c.rect(29, 61, 51, 78, 0)
        return c, [(250, 250, 245), (30, 40, 70)]
    palette = [(200, 230, 250), _rgb255(a["body"]), _rgb255(a["accent"]), (20, 20, 25), (255, 255, 255),
               (230, 120, 140), (120, 190, 110)]
    c = Canvas(w, h, 0)
    c.rect(0, 62, 80, 80, 6)  # grass
    s = a["style"]
    c.ellipse(40, 66, 22, 16, 1)  # shoulders
    c.ellipse(40, 68, 11, 10, 2)
    if s == "bear":
        c.circle(22, 18, 8, 1), c.circle(58, 18, 8, 1)
    if s == "cat":
        c.triangle((16, 26), (24, 4), (34, 18), 1), c.triangle((64, 26), (56, 4), (46, 18), 1)
    if s == "dog":
        c.ellipse(17, 34, 6, 13, 2), c.ellipse(63, 34, 6, 13, 2)
    c.circle(40, 34, 22, 1)  # head
    if s == "frog":
        c.circle(28, 16, 8, 2), c.circle(52, 16, 8, 2), c.circle(28, 16, 4, 3), c.circle(52, 16, 4, 3)
        c.line(30, 44, 50, 44, 5, 2)
    else:
        c.circle(32, 30, 3, 3), c.circle(48, 30, 3, 3)
    if s == "bird":
        c.triangle((34, 36), (46, 36), (40, 46), 2)
    elif s in ("bear", "dog"):
        c.ellipse(40, 42, 9, 7, 2), c.circle(40, 39, 3, 3)
    elif s == "cat":
        c.circle(40, 38, 2, 5), c.line(22, 38, 32, 40, 3), c.line(58, 38, 48, 40, 3)
    c.circle(29, 36, 3, 5) if s != "frog" else None
    c.circle(51, 36, 3, 5) if s != "frog" else None
    return c, palette


ICON = {
    # gesture -> list of drawing steps on a 32 x 32 canvas with colour 1 (symbol) and 2 (detail)
    "wave": lambda c: (c.rect(17, 6, 23, 22, 1), c.line(9, 10, 13, 4, 2, 2), c.line(26, 4, 29, 9, 2, 2)),
    "flap": lambda c: (c.triangle((4, 18), (14, 10), (14, 22), 1), c.triangle((28, 18), (18, 10), (18, 22), 1)),
    "banzai": lambda c: (c.line(10, 26, 6, 5, 1, 3), c.line(22, 26, 26, 5, 1, 3), c.circle(16, 18, 5, 2)),
    "clap": lambda c: (c.rect(8, 10, 14, 24, 1), c.rect(18, 10, 24, 24, 1), c.line(16, 3, 16, 8, 2, 2)),
    "jump": lambda c: (c.triangle((16, 3), (6, 15), (26, 15), 1), c.rect(12, 15, 20, 28, 1)),
    "hop": lambda c: (c.triangle((10, 6), (4, 14), (16, 14), 1), c.triangle((22, 12), (16, 20), (28, 20), 1),
                      c.rect(4, 26, 28, 28, 2)),
    "nod": lambda c: (c.circle(16, 14, 8, 1), c.triangle((16, 30), (10, 23), (22, 23), 2)),
    "shake": lambda c: (c.circle(16, 16, 7, 1), c.triangle((2, 16), (8, 10), (8, 22), 2),
                        c.triangle((30, 16), (24, 10), (24, 22), 2)),
    "look": lambda c: (c.ellipse(16, 16, 12, 7, 1), c.circle(16, 16, 4, 2)),
    "tilt": lambda c: (c.ellipse(16, 16, 9, 7, 1), c.line(6, 28, 26, 22, 2, 2)),
    "bow": lambda c: (c.circle(10, 12, 5, 1), c.line(12, 16, 24, 26, 1, 4), c.rect(4, 28, 28, 30, 2)),
    "spin": lambda c: (c.ellipse(16, 16, 12, 12, 1), c.ellipse(16, 16, 8, 8, 0), c.triangle((26, 4), (30, 14), (20, 12), 2)),
    "flip": lambda c: (c.ellipse(16, 16, 12, 12, 1), c.ellipse(16, 16, 8, 8, 0), c.triangle((4, 6), (14, 4), (8, 14), 2)),
    "wiggle": lambda c: [c.line(4 + 6 * i, 10 if i % 2 else 22, 10 + 6 * i, 22 if i % 2 else 10, 1, 2) for i in range(4)],
    "dance": lambda c: (c.circle(10, 24, 4, 1), c.rect(13, 6, 15, 24, 1), c.circle(24, 20, 4, 1),
                        c.rect(27, 4, 29, 20, 1), c.rect(13, 6, 29, 9, 2)),
    "squash": lambda c: (c.ellipse(16, 22, 13, 6, 1), c.triangle((16, 14), (10, 6), (22, 6), 2)),
    "stretch": lambda c: (c.rect(13, 4, 19, 28, 1), c.triangle((16, 1), (10, 7), (22, 7), 2),
                          c.triangle((16, 31), (10, 25), (22, 25), 2)),
    "grow": lambda c: (c.rect(6, 6, 26, 26, 1), c.rect(11, 11, 21, 21, 2)),
}


def button_canvas(gesture, index):
    c = Canvas(32, 32, 0)
    c.rect(0, 0, 32, 1, 3), c.rect(0, 0, 1, 32, 3), c.rect(0, 31, 32, 32, 4), c.rect(31, 0, 32, 32, 4)
    ICON[gesture](c)
    # the slot number as dots in the corner, so equal gestures of one avatar stay apart
    for d in range(index % 4 + 1):
        c.rect(3 + 3 * d, 27, 5 + 3 * d, 29, 2)
    return c


def skin_canvas(a):
    c = Canvas(16, 16, 0)
    for y in range(16):
        for x in range(16):
            if (x // 4 + y // 4) % 2 == 0:
                c.set(x, y, 1)
    return c, [_rgb255(a["body"]), tuple(min(255, int(v * 255 * 0.85 + 20)) for v in a["body"])]


def write_avatars(root):
    data = os.path.join(root, "AvatarData")
    os.makedirs(data, exist_ok=True)
    names = [a["name"] for a in AVATARS]
    assert names == sorted(names, key=lambda n: n.encode()), "sections must stand in byte order"
    dat = ["; Avatars of the default world. Section order is the avatar number: keep it sorted by name.",
           "; Every client must hold the same file."]
    for a in AVATARS:
        d = os.path.join(data, a["name"])
        os.makedirs(os.path.join(d, "Button"), exist_ok=True)
        with open(os.path.join(d, a["name"] + ".wrl"), "w", encoding="utf-8", newline="\n") as f:
            f.write(avatar_vrml(a))
        canvas, palette = preview_canvas(a)
        write_bmp(os.path.join(d, a["name"] + ".bmp"), canvas, palette, a["preview"]["bits"], a["preview"]["rle"])
        skin, skin_palette = skin_canvas(a)
        write_bmp(os.path.join(d, a["name"] + "_skin.bmp"), skin, skin_palette, 24)
        dat += ["", f"[{a['name']}]", "DATE=2024/04/01",
                f"VRML=AvatarData/{a['name']}/{a['name']}.wrl",
                f"IMAGE=AvatarData/{a['name']}/{a['name']}.bmp",
                f"TEXTURE=AvatarData/{a['name']}/{a['name']}_skin.bmp"]
        button_palette = [(236, 233, 216), _rgb255(a["accent"]) if a["style"] != "bear" else (120, 70, 40),
                          (200, 60, 60), (255, 255, 255), (110, 110, 110)]
        for k, g in enumerate(a["gestures"]):
            name = f"b{k:02d}.bmp"
            # alternate depths so the palette exercises the button loader's forms
            bits, rle = [(8, False), (24, False), (4, False), (8, True)][k % 4]
            write_bmp(os.path.join(d, "Button", name), button_canvas(g, k), button_palette, bits, rle)
            # "BUTTON:name=" names the gesture; readers that know only "BUTTON=" ignore the name.
            dat.append(f"BUTTON:{GESTURE_NAMES[g]}=AvatarData/{a['name']}/Button/{name}")
    with open(os.path.join(data, "Avatar_User.dat"), "wb") as f:
        f.write(("\r\n".join(dat) + "\r\n").encode("cp932"))
