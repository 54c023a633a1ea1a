#!/usr/bin/env python3
"""Makes the game's sound effects and music. Run it from anywhere; it writes, next to
itself, break1..7.wav, settle1..8.wav, drop.wav and jet.wav (PCM mono 16-bit 44100 Hz)
and music.mid (a Standard MIDI File, format 1, six tracks, 120 ticks a quarter note).

Everything is drawn from seeded generators, so a run gives the same files every time.
Plain Python only (no numpy), so it runs on any machine with python3.
"""

import math
import os
import random
import struct

RATE = 44100
HERE = os.path.dirname(os.path.abspath(__file__))
TAU = 2.0 * math.pi


# ---------------------------------------------------------------------------------
# Signal helpers: a sound is a list of floats, nominally within -1..1.

def zeros(seconds):
    return [0.0] * int(seconds * RATE)


def add_into(dest, src, at=0, gain=1.0):
    """Adds src into dest starting at sample at (clipped to dest's length)."""
    n = min(len(src), len(dest) - at)
    for i in range(max(0, n)):
        dest[at + i] += src[i] * gain


def lowpass(x, cutoff, passes=1):
    """One-pole lowpass, applied passes times (steeper with more passes)."""
    a = 1.0 - math.exp(-TAU * cutoff / RATE)
    for _ in range(passes):
        y = 0.0
        out = []
        for v in x:
            y += a * (v - y)
            out.append(y)
        x = out
    return x


def highpass(x, cutoff):
    low = lowpass(x, cutoff)
    return [a - b for a, b in zip(x, low)]


def bandpass(x, low, high):
    return lowpass(highpass(x, low), high, 2)


def resonator(x, freq, decay_s):
    """Two-pole resonator: rings at freq and dies away with time constant decay_s."""
    r = math.exp(-1.0 / (decay_s * RATE))
    c = 2.0 * r * math.cos(TAU * freq / RATE)
    y1 = y2 = 0.0
    out = []
    norm = (1.0 - r)  # keeps the ring's level roughly independent of its decay
    for v in x:
        y = norm * v + c * y1 - r * r * y2
        y2, y1 = y1, y
        out.append(y)
    return out


def noise(rng, n):
    return [rng.uniform(-1.0, 1.0) for _ in range(n)]


def env_exp(n, tau_s, attack_s=0.0005):
    a = max(1, int(attack_s * RATE))
    return [min(1.0, i / a) * math.exp(-i / (tau_s * RATE)) for i in range(n)]


def mul(x, e):
    return [a * b for a, b in zip(x, e)]


def normalise(x, peak):
    m = max(abs(v) for v in x) or 1.0
    return [v * peak / m for v in x]


def fade_tail(x, seconds):
    n = min(len(x), int(seconds * RATE))
    for i in range(n):
        x[len(x) - n + i] *= 0.5 + 0.5 * math.cos(math.pi * i / n)
    return x


def trim_silence(x, threshold=1.0 / 32768 * 4):
    end = len(x)
    while end > 1 and abs(x[end - 1]) < threshold:
        end -= 1
    return x[:end]


def soft_clip(x, drive=1.0):
    return [math.tanh(v * drive) / math.tanh(drive) for v in x]


def write_wav(name, x):
    frames = b"".join(struct.pack("<h", max(-32767, min(32767, int(round(v * 32767))))) for v in x)
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(frames)) + frames
    if len(frames) & 1:
        body += b"\0"
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


# ---------------------------------------------------------------------------------
# Sound effects.

def thump(rng, f0, f1, length_s, tau_s):
    """A body hit: a sine whose pitch falls from f0 to f1, with a fast decay."""
    n = int(length_s * RATE)
    out = []
    phase = 0.0
    for i in range(n):
        t = i / RATE
        f = f1 + (f0 - f1) * math.exp(-t / 0.03)
        phase += TAU * f / RATE
        out.append(math.sin(phase) * math.exp(-t / tau_s))
    return out


def make_break(seed):
    """A block shattering: a crack, ringing shards of crystal, debris tinkling down."""
    rng = random.Random(1000 + seed)
    length = 0.75 + 0.08 * (seed % 4)
    out = zeros(length)
    n = len(out)
    # The crack: a burst of bright noise a few milliseconds long.
    crack = mul(highpass(noise(rng, int(0.05 * RATE)), 1800), env_exp(int(0.05 * RATE), 0.006))
    add_into(out, crack, 0, 0.9)
    # The body giving way: a short low knock.
    add_into(out, thump(rng, 190 + 15 * seed, 70, 0.25, 0.045), 0, 0.55)
    # The shattering itself: a grainy burst of bright noise, its loudness jumping from
    # one few-millisecond grain to the next as shards split off.
    burst_n = int(0.5 * RATE)
    burst = bandpass(noise(rng, burst_n), 1400, 9000)
    grain = int(0.003 * RATE)
    level = 1.0
    for i in range(burst_n):
        if i % grain == 0:
            level = rng.uniform(0.2, 1.0)
        burst[i] *= level * math.exp(-i / (0.07 * RATE))
    add_into(out, normalise(burst, 1.0), int(0.002 * RATE), 0.5)
    # Shards: inharmonic rings, high and glassy, each with its own decay, ringing out
    # to the end of the sound.
    for k in range(12):
        f = rng.uniform(1400, 7500)
        at = int(rng.uniform(0, 0.06) * RATE)
        excite = mul(noise(rng, int(0.003 * RATE)), env_exp(int(0.003 * RATE), 0.001))
        excite += [0.0] * (n - at)
        ring = resonator(excite, f, rng.uniform(0.025, 0.14))
        add_into(out, normalise(ring, 1.0), at, rng.uniform(0.06, 0.16))
    # Debris: many tiny clicks and pings, thinning out as they fall.
    t = 0.03
    while t < length - 0.08:
        f = rng.uniform(2500, 9000)
        g = rng.uniform(0.05, 0.16) * math.exp(-t / 0.25)
        m = int(0.04 * RATE)
        grain = [math.sin(TAU * f * i / RATE) * min(1.0, i / 40.0) * math.exp(-i / (0.004 * RATE))
                 for i in range(m)]
        add_into(out, grain, int(t * RATE), g)
        t += rng.expovariate(1.0 / (0.006 + t * 0.05))
    out = soft_clip(out, 1.3)
    out = fade_tail(trim_silence(out), 0.05)
    return normalise(out, 0.72 - 0.02 * (seed % 3))


def make_settle(seed):
    """A block coming to rest on the stack: a solid, short, low knock."""
    rng = random.Random(2000 + seed)
    base = 95 + 9 * seed
    out = zeros(0.42)
    add_into(out, thump(rng, base * 2.2, base, 0.42, 0.075), 0, 0.8)
    # The stone-like knock of the surfaces meeting, a little above the body.
    knock_n = int(0.1 * RATE)
    knock = mul(noise(rng, knock_n), env_exp(knock_n, 0.004))
    knock = bandpass(knock, 250 + 30 * seed, 1800)
    add_into(out, normalise(knock, 1.0), 0, 0.45)
    for f, g, tau in ((base * 3.1, 0.18, 0.03), (base * 5.3, 0.08, 0.018)):
        add_into(out, [math.sin(TAU * f * i / RATE) * math.exp(-i / (tau * RATE)) for i in range(len(out))], 0, g)
    out = soft_clip(out, 1.2)
    out = fade_tail(trim_silence(out), 0.04)
    return normalise(out, 0.66)


def make_drop():
    """The craft letting go of its load: a latch clunk and a falling whoosh."""
    rng = random.Random(3000)
    out = zeros(0.6)
    add_into(out, thump(rng, 420, 160, 0.15, 0.02), 0, 0.5)
    click = mul(highpass(noise(rng, int(0.02 * RATE)), 3000), env_exp(int(0.02 * RATE), 0.002))
    add_into(out, click, 0, 0.5)
    # A falling tone over a band of air noise.
    n = len(out)
    phase = 0.0
    tone = []
    for i in range(n):
        t = i / RATE
        f = 160 + 720 * math.exp(-t / 0.12)
        phase += TAU * f / RATE
        e = min(1.0, t / 0.02) * math.exp(-t / 0.16)
        tone.append((math.sin(phase) + 0.3 * math.sin(2 * phase)) * e)
    add_into(out, tone, int(0.01 * RATE), 0.42)
    air = mul(bandpass(noise(rng, n), 400, 2500), [min(1.0, i / (0.03 * RATE)) * math.exp(-i / (0.14 * RATE)) for i in range(n)])
    add_into(out, normalise(air, 1.0), 0, 0.3)
    out = fade_tail(trim_silence(out), 0.05)
    return normalise(out, 0.6)


def make_jet():
    """The craft's engine: a steady hum with a breathy roar, exactly periodic over its
    length so that it loops without a seam."""
    rng = random.Random(4000)
    n = 2 * RATE  # two seconds; every component completes whole cycles in it
    seconds = n / RATE
    out = [0.0] * n
    # Hum: harmonics of 55 Hz (110 whole cycles in the loop), gently beating against a
    # partial at 82.5 Hz.
    for harmonic, gain in ((1, 0.50), (2, 0.30), (3, 0.18), (4, 0.10), (6, 0.05)):
        f = 55.0 * harmonic
        ph = rng.uniform(0, TAU)
        for i in range(n):
            out[i] += gain * math.sin(TAU * f * i / RATE + ph)
    for i in range(n):
        out[i] += 0.12 * math.sin(TAU * 82.5 * i / RATE)
    # Roar: noise filtered around the wrap (two passes, keep the second), so that the
    # filter's state at the end meets its state at the start.
    raw = noise(rng, n)
    rumble = lowpass(raw + raw, 380, 2)[n:]
    hiss = bandpass(raw + raw, 1200, 4000)[n:]
    rumble = normalise(rumble, 1.0)
    hiss = normalise(hiss, 1.0)
    for i in range(n):
        # A slow throb, four cycles a loop, as the thrust flutters.
        throb = 1.0 + 0.15 * math.sin(TAU * 4.0 * i / n) + 0.05 * math.sin(TAU * 11.0 * i / n)
        out[i] = (out[i] * 0.8 + 0.55 * rumble[i] + 0.2 * hiss[i]) * throb
    out = soft_clip(out, 1.1)
    mean = sum(out) / n
    return normalise([v - mean for v in out], 0.5)


# ---------------------------------------------------------------------------------
# Music: a Standard MIDI File.

DIVISION = 120          # ticks per quarter note in the file
BAR = 4 * DIVISION
TEMPO_BPM = 112

# General MIDI programs (0-based) and channels.
DRUMS = 9
BASS, PAD, LEAD, ARP = 0, 1, 2, 3
PROGRAMS = {BASS: 38, PAD: 89, LEAD: 81, ARP: 11}   # synth bass, warm pad, saw lead, vibraphone

KICK, SNARE, HAT, OPEN_HAT, CRASH, RIDE, TOM_LO, TOM_MID, TOM_HI = 36, 38, 42, 46, 49, 51, 45, 47, 50

# Chords by scale root in A minor, as MIDI notes of their root (octave 3).
CHORDS = {
    "Am": (57, "minor"), "F": (53, "major"), "C": (48, "major"), "G": (55, "major"),
    "Em": (52, "minor"), "Dm": (50, "minor"), "Bb": (58, "major"), "E": (52, "major"),
}
A_MINOR = [57, 59, 60, 62, 64, 65, 67]  # A B C D E F G


def chord_tones(name):
    root, quality = CHORDS[name]
    third = 3 if quality == "minor" else 4
    return [root, root + third, root + 7]


class Track:
    def __init__(self, name):
        self.name = name
        self.events = []  # (tick, order, bytes)

    def note(self, tick, length, channel, key, velocity):
        # The note ends one tick early so that notes never end on the loop's last tick.
        end = tick + max(1, length - 1)
        self.events.append((tick, 1, bytes([0x90 | channel, key, velocity])))
        self.events.append((end, 0, bytes([0x80 | channel, key, 0])))

    def raw(self, tick, data):
        self.events.append((tick, 2, data))

    def chunk(self):
        self.events.sort(key=lambda e: (e[0], e[1]))
        out = bytearray()
        out += b"\x00\xff\x03" + varlen(len(self.name)) + self.name.encode()
        last = 0
        status = None
        for tick, _, data in self.events:
            out += varlen(tick - last)
            last = tick
            if data[0] < 0xF0 and data[0] == status:
                out += data[1:]        # running status
            else:
                out += data
                status = data[0] if data[0] < 0xF0 else status
        out += b"\x00\xff\x2f\x00"
        return b"MTrk" + struct.pack(">I", len(out)) + bytes(out)


def varlen(v):
    groups = [v & 0x7F]
    v >>= 7
    while v:
        groups.append((v & 0x7F) | 0x80)
        v >>= 7
    return bytes(reversed(groups))


# The form: sections of (chords a bar each, what plays).
PROGRESSIONS = {
    "intro": ["Am", "Am", "F", "F", "C", "C", "G", "G"],
    "A": ["Am", "F", "C", "G", "Am", "F", "C", "E"],
    "B": ["F", "G", "Em", "Am", "F", "G", "Am", "Am"],
    "C": ["Dm", "Am", "Bb", "E", "Dm", "Am", "Bb", "E"],
}
FORM = [
    ("intro", {"pad", "bass_soft", "hat_soft"}),
    ("A", {"pad", "bass", "drums", "lead"}),
    ("A", {"pad", "bass", "drums", "lead", "arp"}),
    ("B", {"pad", "bass", "drums", "arp", "lead_high"}),
    ("B", {"pad", "bass", "drums", "arp", "lead_high"}),
    ("C", {"pad", "bass_soft", "half_time", "arp"}),
    ("C", {"pad", "bass", "drums", "lead", "arp"}),
    ("A", {"pad", "bass", "drums", "lead", "arp"}),
    ("A", {"pad", "bass", "drums", "lead", "arp"}),
    ("B", {"pad", "bass", "drums", "lead_high"}),
    ("intro", {"pad", "bass_soft", "hat_soft", "arp"}),
]

# A two-bar melodic rhythm: (start in eighths, length in eighths, scale step from the
# chord's root position, accent).
MOTIFS = [
    [(0, 2, 4, 1), (2, 1, 3, 0), (3, 1, 2, 0), (4, 3, 0, 1), (8, 2, 2, 1), (10, 2, 4, 0), (12, 4, 5, 1)],
    [(0, 3, 7, 1), (3, 1, 6, 0), (4, 2, 4, 1), (6, 2, 2, 0), (8, 6, 4, 1), (14, 2, 3, 0)],
    [(0, 1, 2, 1), (1, 1, 4, 0), (2, 2, 7, 1), (4, 2, 6, 0), (6, 2, 4, 0), (8, 4, 2, 1), (12, 2, 0, 0), (14, 2, 1, 0)],
    [(0, 4, 4, 1), (4, 2, 5, 0), (6, 2, 4, 0), (8, 2, 2, 1), (10, 2, 1, 0), (12, 4, 0, 1)],
]


def scale_for(chord):
    """A minor, bent to fit the chords that leave it: G sharp over E major (harmonic
    minor), B flat over B flat major."""
    if chord == "E":
        return [68 if n == 67 else n for n in A_MINOR]
    if chord == "Bb":
        return [58 if n == 59 else n for n in A_MINOR]
    return A_MINOR


def scale_note(degree_root_note, step, octave_shift=0, scale=A_MINOR):
    """The scale note step steps above the given scale note."""
    # Find the root's position in the scale (mod octave).
    pc = degree_root_note % 12
    positions = [n % 12 for n in scale]
    idx = positions.index(pc) if pc in positions else 0
    octave = degree_root_note // 12
    total = idx + step
    note = scale[total % 7] % 12 + 12 * (octave + total // 7)
    # Keep the intervals rising from the root's octave.
    while note < degree_root_note + 0:
        note += 12
    return note + 12 * octave_shift


def make_music():
    rng = random.Random(5000)
    conductor, drums, bass, pad, lead, arp = (Track(n) for n in ("Vorpane", "Drums", "Bass", "Pad", "Lead", "Arp"))
    tempo = int(round(60_000_000 / TEMPO_BPM))
    conductor.raw(0, b"\xff\x58\x04\x04\x02\x18\x08")                  # 4/4
    conductor.raw(0, b"\xff\x51\x03" + tempo.to_bytes(3, "big"))       # tempo
    for channel, program in PROGRAMS.items():
        track = {BASS: bass, PAD: pad, LEAD: lead, ARP: arp}[channel]
        track.raw(0, bytes([0xC0 | channel, program]))

    tick = 0
    section_index = 0
    previous_voicing = [57, 60, 64]
    for name, parts in FORM:
        chords = PROGRESSIONS[name]
        motif_order = [rng.randrange(len(MOTIFS)) for _ in range(2)]
        for bar, chord in enumerate(chords):
            start = tick + bar * BAR
            tones = chord_tones(chord)
            last_bar_of_phrase = bar == len(chords) - 1
            # Pad: the chord voiced near the last one, a whole bar.
            if "pad" in parts:
                voicing = []
                for t in tones:
                    candidates = [t + 12 * k for k in range(-1, 3)]
                    voicing.append(min(candidates, key=lambda c: min(abs(c - p) for p in previous_voicing) + abs(c - 62) * 0.3))
                voicing = sorted(set(voicing))
                previous_voicing = voicing
                for k in voicing:
                    pad.note(start, BAR, PAD, k, 52)
                pad.note(start, BAR, PAD, tones[0] - 12, 44)
            # Bass: root eighths with an octave lift and a passing note into the next bar.
            if "bass" in parts or "bass_soft" in parts:
                root = tones[0] - 12 if tones[0] >= 52 else tones[0]
                root -= 12 if root > 50 else 0
                soft = "bass_soft" in parts
                pattern = [(0, 2, 0), (3, 1, 12), (4, 2, 0), (6, 1, 7), (7, 1, 12)] if not soft else [(0, 3, 0), (4, 3, 7)]
                for eighth, length, interval in pattern:
                    vel = 92 if eighth in (0, 4) else 76
                    bass.note(start + eighth * DIVISION // 2, length * DIVISION // 2, BASS, root + interval, vel - (18 if soft else 0))
            # Drums.
            if "drums" in parts or "half_time" in parts or "hat_soft" in parts:
                half = "half_time" in parts
                hats_only = "hat_soft" in parts
                for eighth in range(8):
                    t = start + eighth * DIVISION // 2
                    if hats_only:
                        if bar >= 4 or eighth % 2 == 1:
                            drums.note(t, 30, DRUMS, HAT, 40 + (12 if eighth % 2 else 0))
                        if bar >= 4 and eighth == 0:
                            drums.note(t, 60, DRUMS, KICK, 70)
                        continue
                    fill = last_bar_of_phrase and eighth >= 4 and not half
                    if fill:
                        toms = [TOM_HI, TOM_HI, TOM_MID, TOM_MID, TOM_LO, TOM_LO, SNARE, SNARE]
                        for s in range(2):
                            drums.note(t + s * DIVISION // 4, 30, DRUMS, toms[(eighth - 4) * 2 + s], 80 + 8 * s)
                        continue
                    hat = RIDE if half else (OPEN_HAT if eighth == 7 and bar % 2 == 1 else HAT)
                    drums.note(t, 30, DRUMS, hat, 58 + (14 if eighth % 2 == 0 else 0))
                    if half:
                        if eighth == 0:
                            drums.note(t, 60, DRUMS, KICK, 96)
                        if eighth == 4:
                            drums.note(t, 60, DRUMS, SNARE, 90)
                    else:
                        if eighth in (0, 4) or (eighth == 5 and bar % 2 == 1):
                            drums.note(t, 60, DRUMS, KICK, 100 if eighth != 5 else 82)
                        if eighth in (2, 6):
                            drums.note(t, 60, DRUMS, SNARE, 96)
                if bar == 0 and not hats_only:
                    drums.note(start, 240, DRUMS, CRASH, 88)
            # Arpeggio: chord tones in sixteenths, rising and falling over two octaves.
            if "arp" in parts:
                up = [tones[0] + 12, tones[1] + 12, tones[2] + 12, tones[0] + 24]
                sequence = up + up[::-1][1:3] + [tones[2] + 12, tones[1] + 24]
                for sixteenth in range(16):
                    k = sequence[sixteenth % len(sequence)]
                    vel = 60 if sixteenth % 4 == 0 else 44
                    arp.note(start + sixteenth * DIVISION // 4, DIVISION // 4, ARP, k, vel)
            # Lead: motifs over two-bar halves, built on the chord's root.
            if "lead" in parts or "lead_high" in parts:
                if bar % 2 == 0:
                    motif = MOTIFS[motif_order[(bar // 2) % 2]]
                    shift = 1 if "lead_high" in parts else 0
                    for eighth, length, step, accent in motif:
                        if bar == len(chords) - 2 and eighth >= 12:
                            continue  # breathe before the next section
                        bar_chord = chords[min(bar + eighth // 8, len(chords) - 1)]
                        root = chord_tones(bar_chord)[0] + 12
                        key = scale_note(root, step, shift, scale_for(bar_chord))
                        # Strong beats take the nearest chord tone.
                        if accent:
                            pcs = [(t % 12) for t in chord_tones(bar_chord)]
                            while key % 12 not in pcs:
                                key -= 1
                        while key > 84:
                            key -= 12
                        vel = 88 if accent else 74
                        lead.note(start + eighth * DIVISION // 2, length * DIVISION // 2, LEAD, key, vel)
        tick += len(chords) * BAR
        section_index += 1

    # The loop ends on the last tick of the last bar: a quiet closing event there makes
    # the player's loop period exactly the music's length.
    pad.raw(tick - 1, bytes([0x80 | PAD, 0, 0]))
    tracks = [conductor, drums, bass, pad, lead, arp]
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), DIVISION)
    with open(os.path.join(HERE, "music.mid"), "wb") as f:
        f.write(header + b"".join(t.chunk() for t in tracks))
    return tick


def main():
    for k in range(1, 8):
        write_wav("break%d.wav" % k, make_break(k))
    for k in range(1, 9):
        write_wav("settle%d.wav" % k, make_settle(k))
    write_wav("drop.wav", make_drop())
    write_wav("jet.wav", make_jet())
    ticks = make_music()
    print("music: %d bars, %.1f s" % (ticks // BAR, ticks / DIVISION * 60.0 / TEMPO_BPM))


if __name__ == "__main__":
    main()
