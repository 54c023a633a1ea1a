#!/usr/bin/python3
"""Makes the game's PNG pictures (the menus' titles and buttons, the selection screens'
galaxies, arrows and highlight, the caption button face and the glyph font).

Run with Debian's python3 and python3-pil; fonts come from fonts-dejavu-core. The
outputs are committed beside this script, so the build never runs it. Every picture is
drawn from fixed seeds: running it again gives the same files.

    /usr/bin/python3 resources/png/make_pictures.py
"""
import math
import os
import random

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
FONTS = "/usr/share/fonts/truetype/dejavu"
BOLD = os.path.join(FONTS, "DejaVuSans-Bold.ttf")
BOLD_OBLIQUE = os.path.join(FONTS, "DejaVuSans-BoldOblique.ttf")
CONDENSED_BOLD = os.path.join(FONTS, "DejaVuSansCondensed-Bold.ttf")

# The game's colours: deep space, a cyan glow, steel and amber.
CYAN = (90, 210, 255)
DEEP = (10, 24, 70)
AMBER = (255, 176, 60)


def save(image, name):
    image.save(os.path.join(HERE, name + ".png"), optimize=True)


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def vertical_gradient(size, stops):
    """An RGB image whose rows run through (position, colour) stops from top to bottom."""
    w, h = size
    column = Image.new("RGB", (1, h))
    px = column.load()
    for y in range(h):
        t = y / max(1, h - 1)
        for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
            if p0 <= t <= p1:
                px[0, y] = lerp(c0, c1, (t - p0) / max(1e-9, p1 - p0))
                break
    return column.resize((w, h), Image.NEAREST)


def solid(size, colour):
    return Image.new("RGB", size, colour)


def layer(base, colour_or_image, mask):
    """Paints a colour (or an RGB image) through a mask onto an RGBA image."""
    if isinstance(colour_or_image, tuple):
        colour_or_image = solid(base.size, colour_or_image)
    top = colour_or_image.convert("RGBA")
    top.putalpha(mask)
    return Image.alpha_composite(base, top)


def scale_mask(mask, factor):
    return mask.point(lambda v: min(255, int(v * factor)))


def fit_font(path, text, box_w, box_h):
    """The largest font whose ink of `text` fits the box."""
    size = 8
    while True:
        font = ImageFont.truetype(path, size + 1)
        l, t, r, b = font.getbbox(text)
        if r - l > box_w or b - t > box_h:
            return ImageFont.truetype(path, size)
        size += 1


def text_mask(size, text, font, centre=None):
    """The text's coverage, its ink centred in the image (or on `centre`)."""
    w, h = size
    mask = Image.new("L", size, 0)
    l, t, r, b = font.getbbox(text)
    cx, cy = centre if centre else (w / 2, h / 2)
    ImageDraw.Draw(mask).text((cx - (l + r) / 2, cy - (t + b) / 2), text, fill=255, font=font)
    return mask


CHROME = [(0.0, (255, 255, 255)), (0.42, (170, 225, 255)), (0.5, (40, 90, 170)),
          (0.62, (70, 150, 230)), (1.0, (200, 240, 255))]


def chrome_title(size, text, font_path=BOLD_OBLIQUE, pad=14, glow=CYAN, stops=CHROME):
    """Chrome lettering with a dark rim and a soft glow, on transparent."""
    w, h = size
    font = fit_font(font_path, text, w - 2 * pad, h - 2 * pad)
    mask = text_mask(size, text, font)
    # The capitals' top and baseline where text_mask put the text.
    l, t, r, b = font.getbbox(text)
    origin_y = h / 2 - (t + b) / 2
    cap_top, cap_bottom = (origin_y + v for v in font.getbbox("H")[1::2])
    t, b = int(cap_top), int(cap_bottom + (cap_bottom - cap_top) * 0.1)
    rim = mask.filter(ImageFilter.MaxFilter(5))
    halo = rim.filter(ImageFilter.MaxFilter(5)).filter(ImageFilter.GaussianBlur(max(3, h // 24)))
    out = Image.new("RGBA", size, (0, 0, 0, 0))
    out = layer(out, glow, scale_mask(halo, 0.85))
    out = layer(out, DEEP, rim)
    # The chrome gradient spans the capitals' height, so its horizon cuts every word at
    # the same place; descenders take the last colour.
    fill = Image.new("RGB", size, stops[-1][1])
    fill.paste(vertical_gradient((w, b - t), stops), (0, t))
    out = layer(out, fill, mask)
    # A bright edge on the upper left of every stroke.
    edge = ImageChops.subtract(mask, ImageChops.offset(mask, 2, 2))
    out = layer(out, (255, 255, 255), scale_mask(edge.filter(ImageFilter.GaussianBlur(0.7)), 0.8))
    return out


# ---------------------------------------------------------------------------------------
# Word pictures

def word_pictures():
    save(chrome_title((621, 172), "Settings"), "text_settings")
    save(chrome_title((546, 172), "Display"), "text_display")
    save(chrome_title((471, 172), "Paused"), "text_paused")
    save(chrome_title((260, 60), "Loading...", pad=6), "text_loading")


# ---------------------------------------------------------------------------------------
# Buttons: one pill in four states, all with a light face for the black label.

def rounded_mask(size, box, radius, ss=4):
    w, h = size
    big = Image.new("L", (w * ss, h * ss), 0)
    x0, y0, x1, y1 = box
    ImageDraw.Draw(big).rounded_rectangle(
        (x0 * ss, y0 * ss, x1 * ss - 1, y1 * ss - 1), radius * ss, fill=255)
    return big.resize(size, Image.LANCZOS)


BUTTON_STATES = {
    # face top, face bottom, rim top, rim bottom, glow colour and strength, gloss
    "normal": ((226, 236, 248), (150, 176, 210), (120, 150, 190), (30, 50, 95), CYAN, 0.0, 1.0),
    "focused": ((240, 248, 255), (170, 206, 240), (255, 214, 120), (200, 110, 20), AMBER, 0.9, 1.0),
    "selected": ((255, 226, 150), (228, 160, 60), (200, 120, 30), (110, 50, 10), AMBER, 0.55, 0.45),
    "disabled": ((150, 154, 160), (105, 108, 114), (90, 92, 98), (45, 46, 50), CYAN, 0.0, 0.25),
}


def button_face(size, state, margin, radius=None):
    """A pill (or, given a corner radius, a rounded rectangle) with a rim and gloss."""
    w, h = size
    face_top, face_bottom, rim_top, rim_bottom, glow, glow_strength, gloss = BUTTON_STATES[state]
    if radius is None:
        radius = (h - 2 * margin) // 2
    outer = (margin, margin, w - margin, h - margin)
    rim_width = max(3, h // 26)
    inner = (outer[0] + rim_width, outer[1] + rim_width, outer[2] - rim_width, outer[3] - rim_width)
    outer_mask = rounded_mask(size, outer, radius)
    inner_mask = rounded_mask(size, inner, radius - rim_width)

    out = Image.new("RGBA", size, (0, 0, 0, 0))
    if glow_strength > 0:
        halo = outer_mask.filter(ImageFilter.GaussianBlur(margin / 2.2))
        out = layer(out, glow, scale_mask(halo, 1.6 * glow_strength))
    out = layer(out, vertical_gradient(size, [(0, rim_top), (1, rim_bottom)]), outer_mask)
    face = vertical_gradient(size, [(0, face_top), (0.55, lerp(face_top, face_bottom, 0.6)),
                                    (1, face_bottom)])
    out = layer(out, face, inner_mask)
    if state == "selected":
        # Pressed in: a shadow along the top inside edge.
        shadow = ImageChops.subtract(inner_mask, ImageChops.offset(inner_mask, 0, rim_width * 2))
        out = layer(out, (90, 40, 0), scale_mask(shadow.filter(ImageFilter.GaussianBlur(3)), 0.6))
    # Gloss over the upper half of the face, fading downwards.
    gloss_box = (inner[0] + radius // 3, inner[1] + 2, inner[2] - radius // 3,
                 inner[1] + (inner[3] - inner[1]) // 2)
    gloss_mask = rounded_mask(size, gloss_box, (gloss_box[3] - gloss_box[1]) // 2)
    fade = vertical_gradient(size, [(0, (255, 255, 255)),
                                    ((gloss_box[3]) / h, (0, 0, 0)), (1, (0, 0, 0))]).convert("L")
    gloss_alpha = ImageChops.multiply(gloss_mask, fade)
    out = layer(out, (255, 255, 255), scale_mask(gloss_alpha, 0.55 * gloss))
    # A thin bright line just inside the rim at the top.
    line = ImageChops.subtract(inner_mask, ImageChops.offset(inner_mask, 0, 2))
    out = layer(out, (255, 255, 255), scale_mask(line, 0.5 * gloss))
    return out


def buttons():
    for state in BUTTON_STATES:
        # The menus fit their labels into the picture less a tenth of its height on
        # every side: the face reaches that far, so a label that fills its box (a
        # wide word, shrunk to the width) stands on the face from end to end.
        save(button_face((614, 156), state, 8, radius=35), "button_" + state)
    save(button_face((512, 128), "normal", 8), "live_button")


# ---------------------------------------------------------------------------------------
# Small pictures of the selection screens

def arrows():
    ss = 4
    frames = []
    for direction in (-1, 1):
        size = 64 * ss
        mask = Image.new("L", (size, size), 0)
        d = ImageDraw.Draw(mask)
        c = size / 2
        tip = c + direction * 22 * ss
        back = c - direction * 16 * ss
        points = [(tip, c), (back, c - 24 * ss), (back + direction * 6 * ss, c),
                  (back, c + 24 * ss)]
        d.polygon(points, fill=255)
        mask = mask.filter(ImageFilter.GaussianBlur(ss * 0.8)).point(lambda v: 255 if v > 127 else 0)
        mask = mask.resize((64, 64), Image.LANCZOS)
        rim = mask.filter(ImageFilter.MaxFilter(3))
        halo = rim.filter(ImageFilter.MaxFilter(3)).filter(ImageFilter.GaussianBlur(3))
        out = Image.new("RGBA", (64, 64), (0, 0, 0, 0))
        out = layer(out, CYAN, scale_mask(halo, 0.8))
        out = layer(out, DEEP, rim)
        out = layer(out, vertical_gradient((64, 64), [(0, (255, 255, 255)), (0.5, (200, 235, 255)),
                                                      (1, (120, 190, 240))]), mask)
        frames.append(out)
    strip = Image.new("RGBA", (128, 64), (0, 0, 0, 0))
    strip.paste(frames[0], (0, 0))
    strip.paste(frames[1], (64, 0))
    save(strip, "live_arrows")


def planet_highlight():
    out = Image.new("RGBA", (16, 16), (0, 0, 0, 0))
    px = out.load()
    for y in range(16):
        for x in range(16):
            r = math.hypot(x + 0.5 - 8, y + 0.5 - 8) / 8
            a = max(0.0, 1 - r) ** 1.6
            core = max(0.0, 1 - r * 2.2)
            colour = lerp(CYAN, (255, 255, 255), core)
            px[x, y] = colour + (int(round(255 * min(1.0, a * 1.4))),)
    save(out, "planet_highlight")


# ---------------------------------------------------------------------------------------
# Galaxies: four frames of 512 x 256, seen tilted so the disc fills the 2 : 1 frame.

def value_noise(size, cell, seed):
    """Smooth random values 0..1 on a grid of `cell` pixels, as a pixel-access object."""
    w, h = size
    rnd = random.Random(seed)
    small = Image.new("L", (w // cell + 2, h // cell + 2))
    small.putdata([rnd.randrange(256) for _ in range(small.size[0] * small.size[1])])
    return small.resize((w + cell * 2, h + cell * 2), Image.BICUBIC).load()


GALAXIES = [
    # arms, winding, core colour, arm colour, dust, seed, rotation
    (2, 3.2, (255, 246, 220), (120, 180, 255), 0.55, 11, 0.3),
    (3, 2.4, (255, 230, 170), (255, 180, 90), 0.35, 23, 1.7),
    (2, 4.5, (255, 220, 235), (230, 90, 200), 0.5, 37, 2.6),
    (4, 2.0, (235, 255, 240), (80, 230, 190), 0.3, 53, 4.0),
]


def galaxy_frame(arms, winding, core_colour, arm_colour, dust, seed, rotation):
    w, h = 512, 256
    noise = value_noise((w, h), 16, seed)
    fine = value_noise((w, h), 5, seed + 1)
    out = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    px = out.load()
    for y in range(h):
        for x in range(w):
            # Into the galaxy's plane: the disc is tilted, so height counts double.
            u = (x + 0.5 - w / 2) / (w * 0.46)
            v = (y + 0.5 - h / 2) / (h * 0.46)
            r = math.hypot(u, v)
            if r > 1.15:
                continue
            theta = math.atan2(v, u) + rotation
            n = noise[x, y] / 255.0
            f = fine[x, y] / 255.0
            spiral = math.cos(arms * (theta - winding * math.log(r + 0.05)) + n * 1.8)
            arm = max(0.0, spiral) ** 2 * math.exp(-r * 2.0) * (0.5 + 0.9 * f)
            lane = max(0.0, math.cos(arms * (theta - winding * math.log(r + 0.05)) + n * 1.8 - 0.7))
            disc = math.exp(-r * 3.2) * 0.55
            core = math.exp(-(r / 0.12) ** 2) * 1.3 + math.exp(-r / 0.1) * 0.5
            light = disc + arm * 1.4 + core
            light *= 1 - dust * lane ** 8 * min(1.0, r * 3)
            light *= max(0.0, 1 - (r / 1.15) ** 4)
            t = min(1.0, core * 1.2)
            colour = [c1 + (c0 - c1) * t for c0, c1 in zip(core_colour, arm_colour)]
            a = min(1.0, light)
            if a <= 0.002:
                continue
            px[x, y] = tuple(int(min(255, c * min(1.6, 0.7 + light * 0.6))) for c in colour) + (
                int(a * 255),)
    # A soft glow around the arms, then stars added on top (never darkening the core).
    out = ImageChops.lighter(out, ImageChops.multiply(
        out.filter(ImageFilter.GaussianBlur(7)), Image.new("RGBA", (w, h), (255, 255, 255, 200))))
    stars = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    rnd = random.Random(seed + 2)
    draw = ImageDraw.Draw(stars)
    for _ in range(260):
        rr = rnd.random() ** 0.7
        th = rnd.random() * 2 * math.pi
        x = w / 2 + math.cos(th) * rr * w * 0.46
        y = h / 2 + math.sin(th) * rr * h * 0.46
        bright = rnd.randrange(150, 256)
        colour = lerp(arm_colour, (255, 255, 255), rnd.random() * 0.7)
        s = 0.6 if rnd.random() < 0.85 else 1.2
        draw.ellipse((x - s, y - s, x + s, y + s),
                     fill=tuple(min(255, c * bright // 255 + 40) for c in colour) + (bright,))
    return ImageChops.lighter(out.filter(ImageFilter.SMOOTH), stars)


def galaxies():
    strip = Image.new("RGBA", (2048, 256), (0, 0, 0, 0))
    for i, params in enumerate(GALAXIES):
        strip.paste(galaxy_frame(*params), (512 * i, 0))
    save(strip, "galaxies")


# ---------------------------------------------------------------------------------------
# Scenes: a starfield, a planet, a stack of blocks and the craft on its jet.

def starfield(size, seed, top=(6, 8, 28), bottom=(18, 10, 40)):
    rnd = random.Random(seed)
    out = vertical_gradient(size, [(0, top), (1, bottom)]).convert("RGBA")
    d = ImageDraw.Draw(out)
    w, h = size
    for _ in range(w * h // 260):
        x, y = rnd.random() * w, rnd.random() * h
        b = rnd.randrange(80, 256)
        tint = lerp((b, b, b), (b * 170 // 255, b * 210 // 255, 255), rnd.random() * 0.6)
        if rnd.random() < 0.06:
            d.ellipse((x - 1, y - 1, x + 1, y + 1), fill=tint + (255,))
        else:
            d.point((x, y), fill=tint + (255,))
    return out


def planet(size, centre, radius, base, band, seed, light=(-0.6, -0.7)):
    """A banded planet with a lit limb and an atmosphere, on transparent."""
    w, h = size
    noise = value_noise(size, max(4, int(radius // 6)), seed)
    out = Image.new("RGBA", size, (0, 0, 0, 0))
    px = out.load()
    lx, ly = light
    lz = math.sqrt(max(0.0, 1 - lx * lx - ly * ly))
    cx, cy = centre
    for y in range(max(0, int(cy - radius * 1.2)), min(h, int(cy + radius * 1.2) + 1)):
        for x in range(max(0, int(cx - radius * 1.2)), min(w, int(cx + radius * 1.2) + 1)):
            dx = (x + 0.5 - cx) / radius
            dy = (y + 0.5 - cy) / radius
            d2 = dx * dx + dy * dy
            if d2 <= 1:
                dz = math.sqrt(1 - d2)
                shade = max(0.0, dx * lx + dy * ly + dz * lz) * 0.9 + 0.08
                n = noise[x, y] / 255.0
                stripe = 0.5 + 0.5 * math.sin(dy * 14 + n * 4)
                colour = [c0 + (c1 - c0) * stripe for c0, c1 in zip(base, band)]
                rim = (1 - dz) ** 3 * 0.6
                colour = [min(255, c * shade + CYAN[i] * rim) for i, c in enumerate(colour)]
                edge = min(1.0, (1 - math.sqrt(d2)) * radius)
                px[x, y] = tuple(int(c) for c in colour) + (int(255 * max(0.0, edge)),)
            else:
                t = (math.sqrt(d2) - 1) * radius / (radius * 0.12)
                if t < 1:
                    a = (1 - t) ** 2 * 0.7
                    old = px[x, y]
                    px[x, y] = CYAN + (int(255 * a),)
    return out


def block(draw, x, y, s, colour):
    """A bevelled unit block with its top left corner at (x, y)."""
    light = lerp(colour, (255, 255, 255), 0.45)
    dark = lerp(colour, (0, 0, 0), 0.5)
    b = max(2, s // 7)
    draw.rectangle((x, y, x + s - 1, y + s - 1), fill=dark)
    draw.polygon([(x, y), (x + s - 1, y), (x + s - 1 - b, y + b), (x + b, y + b),
                  (x + b, y + s - 1 - b), (x, y + s - 1)], fill=light)
    draw.rectangle((x + b, y + b, x + s - 1 - b, y + s - 1 - b), fill=colour)


BLOCK_COLOURS = [(220, 70, 60), (60, 160, 230), (250, 190, 50), (90, 200, 110), (170, 90, 220),
                 (240, 120, 40)]


def craft(image, cx, cy, s):
    """The jet craft: a swept wedge with a cockpit and a flame beneath."""
    ss = 4
    w, h = image.size
    big = Image.new("RGBA", (w * ss, h * ss), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    X = lambda v: (cx + v * s) * ss
    Y = lambda v: (cy + v * s) * ss
    # Flame: layered ellipses from orange to white.
    for k, colour in enumerate([(255, 90, 20, 150), (255, 170, 50, 200), (255, 240, 190, 255)]):
        fw = 0.32 - k * 0.08
        d.polygon([(X(-fw), Y(0.25)), (X(fw), Y(0.25)), (X(0), Y(1.5 - k * 0.35))], fill=colour)
    d.polygon([(X(-1.0), Y(0.3)), (X(-0.35), Y(-0.35)), (X(0.35), Y(-0.35)), (X(1.0), Y(0.3)),
               (X(0.45), Y(0.15)), (X(-0.45), Y(0.15))], fill=(170, 186, 210, 255))
    d.polygon([(X(-1.0), Y(0.3)), (X(-0.45), Y(0.15)), (X(0.45), Y(0.15)), (X(1.0), Y(0.3)),
               (X(0.3), Y(0.32)), (X(-0.3), Y(0.32))], fill=(70, 84, 112, 255))
    d.ellipse((X(-0.26), Y(-0.55), X(0.26), Y(-0.05)), fill=(60, 200, 255, 255))
    d.ellipse((X(-0.14), Y(-0.48), X(0.04), Y(-0.3)), fill=(210, 245, 255, 255))
    small = big.resize((w, h), Image.LANCZOS)
    return Image.alpha_composite(image, small)


def stack(image, x0, base_y, s, columns, seed):
    rnd = random.Random(seed)
    d = ImageDraw.Draw(image)
    for i, height in enumerate(columns):
        for j in range(height):
            block(d, x0 + i * s, base_y - (j + 1) * s, s, rnd.choice(BLOCK_COLOURS))
    return image


def home():
    w, h = 544, 377
    out = starfield((w, h), 5)
    out = Image.alpha_composite(out, planet((w, h), (w * 0.5, h * 1.55), h * 1.0,
                                            (60, 90, 170), (120, 60, 140), 7, light=(0.0, -0.95)))
    # A well of blocks on the horizon, the craft above it and a piece falling in.
    s = 22
    cols = [3, 4, 2, 5, 3, 4, 6, 3, 2]
    x0 = w // 2 - len(cols) * s // 2
    out = stack(out, x0, h - 26, s, cols, 3)
    d = ImageDraw.Draw(out)
    for i, (bx, by) in enumerate([(0, 0), (1, 0), (1, 1)]):
        block(d, x0 + 6 * s + bx * s, 178 + by * s, s, BLOCK_COLOURS[2])
    out = craft(out, x0 + 3.5 * s, h - 26 - 5 * s - 40, 30)
    # Fade the picture's edges into the menu's black.
    vignette = Image.new("L", (w, h), 0)
    ImageDraw.Draw(vignette).rounded_rectangle((10, 10, w - 11, h - 11), 40, fill=255)
    vignette = vignette.filter(ImageFilter.GaussianBlur(10))
    out.putalpha(ImageChops.multiply(out.getchannel("A"), vignette))
    title = chrome_title((w - 20, 150), "VORPANE", pad=10)
    out.alpha_composite(title, (10, 14))
    save(out, "home")


def about():
    w, h = 171, 252
    out = starfield((w, h), 9)
    out = Image.alpha_composite(out, planet((w, h), (w * 0.78, h * 0.32), 42,
                                            (200, 120, 60), (240, 200, 120), 13))
    s = 15
    cols = [4, 2, 5, 3, 6, 3, 4, 2, 3, 5, 4]
    out = stack(out, (w - len(cols) * s) // 2, h - 12, s, cols, 21)
    out = craft(out, w * 0.45, h * 0.52, 22)
    d = ImageDraw.Draw(out)
    block(d, 22, 70, s, BLOCK_COLOURS[4])
    block(d, 22 + s, 70, s, BLOCK_COLOURS[4])
    # A thin frame like a card, rounded corners transparent.
    frame = rounded_mask((w, h), (0, 0, w, h), 12)
    rim = ImageChops.subtract(frame, rounded_mask((w, h), (3, 3, w - 3, h - 3), 10))
    out = layer(out, (150, 200, 255), rim)
    out.putalpha(ImageChops.multiply(out.getchannel("A"), frame))
    title = chrome_title((w - 16, 48), "VORPANE", pad=4)
    out.alpha_composite(title, (8, 8))
    save(out, "about")


# ---------------------------------------------------------------------------------------
# The glyph font: 40 glyphs, white on transparent, each inside its box of the table
# (x0, x1, y0, y1 in texels, rows counted from the top).

GLYPHS = [
    ("A", 1, 31, 0, 50), ("B", 32, 62, 0, 50), ("C", 63, 93, 0, 50), ("D", 95, 125, 0, 50),
    ("E", 126, 156, 0, 50), ("F", 157, 187, 0, 50), ("G", 189, 219, 0, 50),
    ("H", 220, 250, 0, 50), ("I", 1, 31, 52, 102), ("J", 32, 62, 52, 102),
    ("K", 63, 93, 52, 102), ("L", 95, 125, 52, 102), ("M", 32, 68, 205, 255),
    ("N", 126, 156, 52, 102), ("O", 157, 187, 52, 102), ("P", 189, 219, 52, 102),
    ("Q", 220, 250, 52, 102), ("R", 1, 31, 103, 153), ("S", 32, 62, 103, 153),
    ("T", 70, 106, 205, 255), ("U", 63, 93, 103, 153), ("V", 95, 125, 103, 153),
    ("W", 109, 145, 205, 255), ("X", 126, 156, 103, 153), ("Y", 157, 187, 103, 153),
    ("Z", 189, 219, 103, 153), ("0", 220, 250, 103, 153), ("1", 1, 31, 154, 204),
    ("2", 32, 62, 154, 204), ("3", 63, 93, 154, 204), ("4", 95, 125, 154, 204),
    ("5", 126, 156, 154, 204), ("6", 157, 187, 154, 204), ("7", 189, 219, 154, 204),
    ("8", 220, 250, 154, 204), ("9", 1, 31, 205, 255), ("(", 152, 170, 205, 255),
    (")", 174, 192, 205, 255), (":", 193, 209, 205, 255), (" ", 220, 250, 205, 255),
]


def glyph_font():
    ss = 4
    font = ImageFont.truetype(CONDENSED_BOLD, 44 * ss)
    # One scale for every glyph: the capitals fill the box height but for a margin.
    cap_l, cap_t, cap_r, cap_b = font.getbbox("H")
    margin_y = 6
    scale = (50 - 2 * margin_y) * ss / (cap_b - cap_t)
    alpha = Image.new("L", (256, 256), 0)
    for ch, x0, x1, y0, y1 in GLYPHS:
        if ch == " ":
            continue
        mask = Image.new("L", (font.getbbox(ch)[2] + 8 * ss, 80 * ss), 0)
        ImageDraw.Draw(mask).text((4 * ss, 0), ch, fill=255, font=font)
        l, t, r, b = mask.getbbox()
        glyph = mask.crop((l, 0, r, mask.size[1]))
        room = (x1 - x0) - 4  # two texels clear on each side
        sx = sy = scale
        if glyph.size[0] * sx > room * ss:
            sx = room * ss / glyph.size[0]  # squeeze a wide glyph sideways only
        glyph = glyph.resize((max(1, int(glyph.size[0] * sx)), max(1, int(glyph.size[1] * sy))),
                             Image.LANCZOS)
        # Every glyph shares the capitals' baseline: brackets reach lower, the colon
        # sits in the middle. Each glyph is drawn on a tile of its own box, so nothing
        # (a descender, say) can reach a neighbour's box.
        tile = Image.new("L", ((x1 - x0) * ss, (y1 - y0) * ss), 0)
        top = margin_y * ss - int(cap_t * sy)
        tile.paste(255, ((tile.size[0] - glyph.size[0]) // 2, top), glyph)
        tile = tile.resize((x1 - x0, y1 - y0), Image.LANCZOS)
        # A one-texel clear border inside the box keeps filtering from bleeding out.
        keep = Image.new("L", tile.size, 0)
        ImageDraw.Draw(keep).rectangle((1, 1, tile.size[0] - 2, tile.size[1] - 2), fill=255)
        tile = ImageChops.multiply(tile, keep)
        region = alpha.crop((x0, y0, x1, y1))
        alpha.paste(ImageChops.lighter(region, tile), (x0, y0))
    # Transparent texels stay white, so filtering never darkens an edge.
    picture = Image.new("RGBA", (256, 256), (255, 255, 255, 0))
    picture.putalpha(alpha)
    save(picture, "live_text")


def main():
    word_pictures()
    buttons()
    arrows()
    planet_highlight()
    glyph_font()
    about()
    home()
    galaxies()


if __name__ == "__main__":
    main()
