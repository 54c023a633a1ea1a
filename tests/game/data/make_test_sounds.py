#!/usr/bin/env python3
"""Writes the game tests' sound effects: short 16-bit mono 44100 Hz tones under the
names the game loads (break1..7, settle1..8, drop). Run once; the files are committed."""
import math
import struct
import wave

def tone(name, hz, samples=882):
    with wave.open(name + ".wav", "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(44100)
        frames = b"".join(
            struct.pack("<h", int(8000 * math.sin(2 * math.pi * hz * i / 44100)))
            for i in range(samples))
        w.writeframes(frames)

for i in range(1, 8):
    tone("break%d" % i, 200 + 50 * i)
for i in range(1, 9):
    tone("settle%d" % i, 600 + 25 * i)
tone("drop", 1000)
