#!/usr/bin/env python3
"""Makes the display tests' own small pictures (outputs committed):
live_text.png   256 x 256: each glyph cell of the bitmap font filled opaque white with
                its character drawn in black, everything else transparent;
text_loading.png 200 x 40: opaque green with a word, for the loading screen;
live_button.png  64 x 16: opaque blue with a lighter border and transparent corners."""
from PIL import Image, ImageDraw

import os
import sys

# The glyph boxes are the game font's own: take them from its generator.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "..", "..", "resources", "png"))
from make_pictures import GLYPHS  # noqa: E402

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
