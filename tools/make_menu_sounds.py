#!/usr/bin/env python3
"""make_menu_sounds.py [DATA_DIR]: the menu's sound.

"sounds\\special\\menu.wav", played when the cursor moves onto another item:
a short, soft wooden tick. Synthesised here and deterministic: the same bytes
on every run. 16-bit mono PCM at 22050 Hz.
"""
import math
import os
import sys

from make_hud_sounds import RATE, wave_bytes


def tick():
    out = []
    length = int(RATE * 0.07)
    for i in range(length):
        t = i / RATE
        envelope = math.exp(-t * 70.0)
        body = math.sin(2 * math.pi * 1250.0 * t) * 0.6 + math.sin(2 * math.pi * 2630.0 * t) * 0.25
        out.append(0.5 * envelope * body)
    return out


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), "..", "data"))
    special = os.path.join(root, "sounds", "special")
    os.makedirs(special, exist_ok=True)
    with open(os.path.join(special, "menu.wav"), "wb") as f:
        f.write(wave_bytes(tick()))


if __name__ == "__main__":
    main()
