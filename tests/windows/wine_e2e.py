#!/usr/bin/env python3
"""tidefray.exe as a player meets it under Wine: a virtual X server of 640 x 480 x 24, a
PulseAudio server whose only sink is a null sink (what DirectSound plays goes there), real key
events (key-down, about 100 ms, key-up), screenshots read like the Linux end-to-end test reads
them, and Escape ending the program with exit code 0.

    wine_e2e.py --game PATH --wine LOADER --source DIR [--artifacts DIR]

WINEPREFIX (and WINEARCH) are taken from the environment; the prefix should be booted."""

import argparse
import array
import math
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

import pngio  # noqa: E402
import scene  # noqa: E402
import xserver  # noqa: E402

WINDOW_TITLE = "Tidefray"
PLAYER_START = (36, 224)
SINK = "tidefray_sink"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class PulseAudio:
    """A PulseAudio server of our own, in a private runtime folder, with one null sink."""

    def __init__(self, folder):
        self.folder = folder
        self.process = None

    def __enter__(self):
        os.makedirs(self.folder, mode=0o700, exist_ok=True)
        env = dict(os.environ, XDG_RUNTIME_DIR=self.folder, HOME=self.folder)
        self.process = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
             "--use-pid-file=no", "-L", "module-null-sink sink_name=%s" % SINK,
             "-L", "module-native-protocol-unix auth-anonymous=1"],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True, preexec_fn=xserver.die_with_parent)
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline:
            if self.run(["pactl", "info"], check=False).returncode == 0:
                return self
            if self.process.poll() is not None:
                break
            time.sleep(0.2)
        self.__exit__()
        raise RuntimeError("PulseAudio did not start")

    def __exit__(self, *_):
        xserver.kill_group(self.process)

    def env(self):
        return {"XDG_RUNTIME_DIR": self.folder,
                "PULSE_SERVER": "unix:" + os.path.join(self.folder, "pulse", "native")}

    def run(self, command, check=True, **kw):
        return subprocess.run(command, env=dict(os.environ, **self.env()), check=check,
                              timeout=30, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, **kw)

    def playing_streams(self):
        """Streams playing into the sink right now (one per open DirectSound device)."""
        out = self.run(["pactl", "list", "short", "sink-inputs"]).stdout.decode()
        return [line for line in out.splitlines() if line.strip()]

    def record(self, seconds):
        """What the sink plays for `seconds`, as signed 16-bit stereo at 44100 Hz."""
        raw = self.run(["timeout", str(seconds), "parec", "-d", SINK + ".monitor", "--raw",
                        "--format=s16le", "--rate=44100", "--channels=2"], check=False).stdout
        samples = array.array("h")
        samples.frombytes(raw[:len(raw) - len(raw) % 4])
        if sys.byteorder != "little":
            samples.byteswap()
        return samples


def rms(samples):
    if not samples:
        return 0.0
    return math.sqrt(sum(v * v for v in samples) / len(samples)) / 32768.0


def wait_for(what, seconds, probe):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = probe()
        if value:
            return value
        time.sleep(0.1)
    raise Failure("timed out waiting for " + what)


def run(args):
    media = scene.Media(args.source)
    work = tempfile.mkdtemp(prefix="tidefray-wine-e2e-")
    log_path = os.path.join(args.artifacts, "wine-stderr.txt")
    os.makedirs(args.artifacts, exist_ok=True)
    shots = []
    try:
        with xserver.Xvfb(640, 480, 24) as xvfb, PulseAudio(os.path.join(work, "pulse")) as pulse:
            env = dict(os.environ, **xvfb.env(), **pulse.env())
            with open(log_path, "wb") as log:
                game = subprocess.Popen([args.wine, args.game], cwd=args.source, env=env,
                                        stdout=log, stderr=log, stdin=subprocess.DEVNULL,
                                        start_new_session=True,
                                        preexec_fn=xserver.die_with_parent)
            client = xvfb.client()
            try:
                window = wait_for("the game's window", 60,
                                  lambda: game.poll() is None and client.find(WINDOW_TITLE))
                check(game.poll() is None, "the game ended at start-up")

                def shot(label):
                    rows = client.screenshot()[0]
                    shots.append((label, rows))
                    return rows

                # The first frames: the sky, the floor scrolling, the player where it starts.
                rows = wait_for("the sky and the floor", 30,
                                lambda: (lambda r: r if scene.sky_fraction(r) > 0.6 and
                                         media.floor_offset(r) is not None else None)(
                                             shot("start")))
                check(PLAYER_START in [p for s in media.players for p in s.find(rows)],
                      "the player is not at %r in the first picture" % (PLAYER_START,))
                first_offset = media.floor_offset(rows)
                time.sleep(0.5)
                later = shot("later")
                later_offset = media.floor_offset(later)
                check(later_offset is not None and later_offset != first_offset,
                      "the floor does not scroll")

                # Up held for about 100 ms moves the player up, and only up.
                xvfb.focus(window[0] if isinstance(window, list) else window)
                xvfb.key_hold("Up", 0.1)
                time.sleep(0.2)
                moved = shot("after-up")
                places = [p for s in media.players for p in s.find(moved)]
                check(any(x == PLAYER_START[0] and y < PLAYER_START[1] for x, y in places),
                      "the player did not climb while Up was held (found at %r)" % places)

                # The music plays into the sink: a looping buffer that the worker keeps
                # refilling gives sound in every part of a two-second recording.
                check(pulse.playing_streams(), "no DirectSound stream reaches PulseAudio")
                samples = pulse.record(2)
                check(len(samples) > 44100 * 2, "the sink's monitor gave too little audio")
                quarter = len(samples) // 4
                levels = [rms(samples[i * quarter:(i + 1) * quarter]) for i in range(4)]
                check(all(level > 0.001 for level in levels),
                      "the music is not heard throughout (levels %r)" % levels)
                check(samples[:quarter] != samples[quarter:2 * quarter],
                      "the sink repeats one block instead of playing on")

                # Escape ends the game with exit code 0.
                xvfb.key_hold("Escape", 0.1)
                try:
                    code = game.wait(timeout=15)
                except subprocess.TimeoutExpired:
                    raise Failure("Escape did not end the game")
                check(code == 0, "the game ended with exit code %d" % code)
            finally:
                client.close()
                xserver.kill_group(game)
    finally:
        for label, rows in shots:
            pngio.write(os.path.join(args.artifacts, label + ".png"), 640, 480, rows)
        shutil.rmtree(work, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--game", required=True)
    parser.add_argument("--wine", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--artifacts", default=os.path.join(tempfile.gettempdir(), "wine-e2e"))
    args = parser.parse_args()
    try:
        run(args)
    except Failure as failure:
        print("wine end-to-end: FAILED: %s (pictures in %s)" % (failure, args.artifacts),
              file=sys.stderr)
        return 1
    print("wine end-to-end: 1 passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
