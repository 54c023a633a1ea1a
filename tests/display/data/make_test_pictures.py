#!/usr/bin/env python3
"""Makes the display tests' own small pictures (outputs committed):
live_text.png   256 x 256: each glyph cell of the bitmap font filled opaque white with
                its character drawn in black, everything else transparent;
text_loading.png 200 x 40: opaque green with a word, for the loading screen;
live_button.png  64 x 16: opaque blue with a lighter border and transparent corners."""
from PIL import Image, ImageDraw

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

font = Image.new("RGBA", (256, 256), (0, 0, 0, 0))
d = ImageDraw.Draw(font)
for ch, x0, x1, y0, y1 in GLYPHS:
    if ch == " ":
        continue
    d.rectangle([x0, y0, x1 - 1, y1 - 1], fill=(255, 255, 255, 255))
    d.text((x0 + (x1 - x0) // 2 - 3, y0 + 18), ch, fill=(0, 0, 0, 255))
font.save("live_text.png")

loading = Image.new("RGBA", (200, 40), (0, 160, 0, 255))
ImageDraw.Draw(loading).text((70, 14), "LOADING", fill=(255, 255, 255, 255))
loading.save("text_loading.png")

button = Image.new("RGBA", (64, 16), (0, 0, 0, 0))
b = ImageDraw.Draw(button)
b.rectangle([1, 0, 62, 15], fill=(120, 160, 255, 255))
b.rectangle([3, 2, 60, 13], fill=(0, 0, 200, 255))
button.save("live_button.png")
