#!/usr/bin/env python3
"""make_hud_sounds.py [DATA_DIR]: the HUD's and loading screen's sounds.

The new-task chime, the countdown's click and the first level's voiced
briefing ("voices\\dialogues\\L01T01.wav" to "L01T05.wav": a murmur of
syllables at a speaking voice's pitch, one file per briefing line). Everything
is synthesised here and deterministic: the same bytes on every run.
16-bit mono PCM at 22050 Hz.
"""
import math
import os
import struct
import sys

RATE = 22050


def wave_bytes(samples):
    data = b"".join(struct.pack("<h", max(-32767, min(32767, int(round(s * 32767))))) for s in samples)
    return (b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE" +
            b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, RATE, RATE * 2, 2, 16) +
            b"data" + struct.pack("<I", len(data)) + data)


def chime():
    out = []
    for i in range(int(RATE * 0.6)):
        t = i / RATE
        note = 660.0 if t < 0.15 else 880.0
        start = 0.0 if t < 0.15 else 0.15
        env = math.exp(-(t - start) * 6.0)
        out.append(0.4 * env * (math.sin(2 * math.pi * note * t) + 0.3 * math.sin(4 * math.pi * note * t)))
    return out


def click():
    out = []
    for i in range(int(RATE * 0.05)):
        t = i / RATE
        out.append(0.6 * math.exp(-t * 150.0) * math.sin(2 * math.pi * 2200.0 * t))
    return out


def voice(seed, seconds):
    """Syllables of a voiced buzz through two moving formants."""
    state = seed
    out = []
    phase = 0.0
    low = high = 0.0
    syllable_length = int(RATE * 0.18)
    for i in range(int(RATE * seconds)):
        if i % syllable_length == 0:
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            pitch = 110.0 + (state >> 16) % 40
            f1 = 400.0 + (state >> 8) % 500
        pos = (i % syllable_length) / syllable_length
        env = math.sin(math.pi * pos) ** 0.5
        phase += pitch / RATE
        buzz = (phase % 1.0) * 2.0 - 1.0
        a = 2 * math.pi * f1 / RATE
        low += a * (buzz - low)
        high += 2 * a * (low - high)
        out.append(0.5 * env * high)
    fade = int(RATE * 0.05)
    for i in range(fade):
        out[-1 - i] *= i / fade
    return out


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), "..", "data"))
    special = os.path.join(root, "sounds", "special")
    dialogues = os.path.join(root, "voices", "dialogues")
    os.makedirs(special, exist_ok=True)
    os.makedirs(dialogues, exist_ok=True)

    def write(folder, name, samples):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(wave_bytes(samples))

    write(special, "new_task.wav", chime())
    write(special, "clock_click.wav", click())
    for line in range(1, 6):
        write(dialogues, "L01T%02d.wav" % line, voice(700 + line, 1.6 + 0.3 * line))


if __name__ == "__main__":
    main()
