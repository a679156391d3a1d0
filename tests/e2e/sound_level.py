"""Levels of the raw audio that SDL's disk driver writes: interleaved signed 16-bit stereo at
44100 Hz, little-endian, no header."""

import array
import math
import sys

RATE = 44100
BYTES_PER_FRAME = 4


class Recording:
    def __init__(self, path):
        samples = array.array("h")
        with open(path, "rb") as f:
            data = f.read()
        data = data[:len(data) - len(data) % BYTES_PER_FRAME]
        samples.frombytes(data)
        if sys.byteorder != "little":
            samples.byteswap()
        self.samples = samples
        self.frames = len(samples) // 2

    def rms(self, start_frame, end_frame):
        """Root mean square of both channels over [start, end), as a fraction of full scale."""
        start = max(0, start_frame)
        end = min(self.frames, end_frame)
        if end <= start:
            return 0.0
        part = self.samples[2 * start:2 * end]
        return math.sqrt(sum(v * v for v in part) / len(part)) / 32768.0

    def block_levels(self, start_frame, end_frame, block_frames):
        """RMS of consecutive blocks from start to end."""
        levels = []
        pos = max(0, start_frame)
        while pos + block_frames <= min(end_frame, self.frames):
            levels.append(self.rms(pos, pos + block_frames))
            pos += block_frames
        return levels

    def peak(self, start_frame, end_frame):
        part = self.samples[2 * max(0, start_frame):2 * min(self.frames, end_frame)]
        return max((abs(v) for v in part), default=0)


def dbfs(level):
    return 20 * math.log10(level) if level > 0 else float("-inf")


def seconds(frames):
    return frames / RATE


def frames_of(seconds_value):
    return int(seconds_value * RATE)
