#!/usr/bin/env python3
"""Writes the reminder chime, resources/Sound/reminder.wav: two soft bell tones (E6, then C6),
each a sine with a few overtones and an exponential decay, 22050 Hz mono 16-bit.

Run from anywhere: python3 scripts/make-reminder-chime.py [OUT.wav]
"""
import math
import pathlib
import struct
import sys
import wave

RATE = 22050
TONES = [(1318.5, 0.0), (1046.5, 0.28)]  # frequency in Hz, start in seconds
LENGTH = 1.2  # seconds
PARTIALS = [(1.0, 1.0), (2.0, 0.35), (3.01, 0.12)]  # multiple of the tone, loudness


def sample(t):
    value = 0.0
    for frequency, start in TONES:
        age = t - start
        if age < 0:
            continue
        attack = min(1.0, age / 0.004)
        decay = math.exp(-age * 5.0)
        for multiple, loudness in PARTIALS:
            value += loudness * math.sin(2 * math.pi * frequency * multiple * age) * attack * decay
    return value


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    out = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else root / "resources/Sound/reminder.wav"
    samples = [sample(i / RATE) for i in range(int(LENGTH * RATE))]
    peak = max(abs(s) for s in samples) or 1.0
    frames = b"".join(struct.pack("<h", int(s / peak * 0.6 * 32767)) for s in samples)
    with wave.open(str(out), "wb") as file:
        file.setnchannels(1)
        file.setsampwidth(2)
        file.setframerate(RATE)
        file.writeframes(frames)


if __name__ == "__main__":
    main()
