#!/usr/bin/env python3
"""The real tidefray binary as a player meets it: a virtual X server, the game started in a
folder that holds Data/ and Music/, SDL's disk audio driver writing what the player would hear,
real key events, and screenshots of what the player would see.

    tidefray_e2e.py CASE --game PATH --source DIR [--artifacts DIR [--keep]]

CASE is one of: play, pacing, no-display, no-audio, no-music. Exit status 0 when the case
passes; on failure the reason goes to stderr, and the screenshots, audio and stderr of the game
go to --artifacts."""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import pngio
import scene
import sound_level
import xserver

INIT_MESSAGE = "Sprite-Umgebung kann nicht initialisiert werden"
ERROR_CAPTION = "Fehler"
WINDOW_TITLE = "Tidefray"
MUSIC_FILE = "evolutionloop.it"

PLAYER_START = (36, 224)
PLAYER_STEP = 2  # pixels per frame
BULLET_STEP = 4
BULLET_BELOW_PLAYER = 13
BULLET_RIGHT_OF_PLAYER = 32
ENEMY_START_X = 670
ENEMY_START_SPEED = 3
FRAME_RATE = 60.0
RATE_TOLERANCE = 0.05
QUIT_SECONDS = 2.0

# A user's session may carry these, and SDL_* hints, which change what SDL picks and does;
# every case sets what it needs itself.
_SESSION_VARIABLES = ("DISPLAY", "WAYLAND_DISPLAY", "AUDIODEV")

# SDL's disk audio driver announces itself and its file on stderr, whatever the program does.
_SDL_DISK_NOTICE = ("CRITICAL: You are using the SDL disk i/o audio driver!",
                    "CRITICAL:  Writing to file [")


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class Shot:
    """One screenshot with what the tests read from it."""

    def __init__(self, label, rows, taken_at, media, audio_frames=None):
        self.label = label
        self.rows = rows
        self.taken_at = taken_at
        self.audio_frames = audio_frames
        self.offset = media.floor_offset(rows)


class Session:
    """One game process (and, when given, its X server), with the screenshots taken so far."""

    def __init__(self, args, workdir, xvfb=None, music=True, audio_driver="disk"):
        self.args = args
        self.xvfb = xvfb
        self.media = args.media
        self.shots = []
        self.folder = os.path.join(workdir, "game")
        os.makedirs(os.path.join(self.folder, "Music"))
        os.symlink(os.path.join(args.source, "Data"), os.path.join(self.folder, "Data"))
        if music:
            os.symlink(os.path.join(args.source, "Music", MUSIC_FILE),
                       os.path.join(self.folder, "Music", MUSIC_FILE))
        self.audio_path = os.path.join(workdir, "audio.raw")
        self.stdout_path = os.path.join(workdir, "stdout.txt")
        self.stderr_path = os.path.join(workdir, "stderr.txt")
        env = {k: v for k, v in os.environ.items()
               if k not in _SESSION_VARIABLES and not k.startswith("SDL_")}
        if xvfb:
            env.update(xvfb.env())
        if audio_driver:
            env["SDL_AUDIODRIVER"] = audio_driver
        if audio_driver == "disk":
            env["SDL_DISKAUDIOFILE"] = self.audio_path
        self.env = env
        self.process = None
        self.client = xvfb.client() if xvfb else None
        args.sessions.append(self)

    def start(self):
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.process = subprocess.Popen([self.args.game], cwd=self.folder, env=self.env,
                                            stdout=out, stderr=err, stdin=subprocess.DEVNULL,
                                            start_new_session=True,
                                            preexec_fn=xserver.die_with_parent)

    def stop(self):
        xserver.kill_group(self.process)
        if self.client:
            self.client.close()

    def wait(self, seconds):
        """The exit code, or None when the game is still running after `seconds`."""
        try:
            return self.process.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            return None

    def stderr(self):
        with open(self.stderr_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def game_messages(self):
        """stderr without the notices SDL's disk audio driver prints on every start."""
        return "\n".join(line for line in self.stderr().splitlines()
                         if line.strip() and not line.startswith(_SDL_DISK_NOTICE))

    def audio_frames(self):
        try:
            return os.path.getsize(self.audio_path) // sound_level.BYTES_PER_FRAME
        except OSError:
            return 0

    def shoot(self, label, keep=True):
        rows, taken_at, _ = self.client.screenshot()
        shot = Shot(label, rows, taken_at, self.media, self.audio_frames())
        if keep:
            self.shots.append(shot)
        return shot

    def require_running(self, what):
        code = self.process.poll()
        check(code is None, "the game ended (exit code %s) %s; stderr:\n%s"
              % (code, what, self.stderr()))

    def wait_for_picture(self, timeout=20.0):
        """The first screenshot that shows the sky and a floor the offset can be read from. The
        picture, not the window, is waited for: SDL may replace its first window."""
        deadline = time.monotonic() + timeout
        while True:
            self.require_running("before its picture appeared")
            shot = self.shoot("first-picture", keep=False)
            if shot.offset is not None and scene.sky_fraction(shot.rows) > 0.9:
                self.shots.append(shot)
                return shot
            if time.monotonic() > deadline:
                self.shots.append(shot)
                raise Failure("no picture of sky and floor within %.0f s" % timeout)
            check(not self.client.find(ERROR_CAPTION),
                  "start-up failed: a %r message box is shown" % ERROR_CAPTION)
            time.sleep(0.05)

    def focus_game_window(self):
        windows = self.client.find(WINDOW_TITLE)
        check(windows, "no viewable window named %r" % WINDOW_TITLE)
        self.xvfb.focus(windows[-1])

    def quit_with_escape(self):
        """Escape ends the game with exit code 0 within QUIT_SECONDS."""
        self.xvfb.key_down("Escape")
        code = self.wait(QUIT_SECONDS)
        self.xvfb.key_up("Escape")
        check(code is not None, "the game was still running %.1f s after Escape" % QUIT_SECONDS)
        check(code == 0, "the game ended with exit code %d after Escape; stderr:\n%s"
              % (code, self.stderr()))

    def save_artifacts(self, case):
        os.makedirs(self.args.artifacts, exist_ok=True)
        for path in (self.audio_path, self.stderr_path):
            if os.path.exists(path):
                shutil.copyfile(path, os.path.join(self.args.artifacts,
                                                   case + "-" + os.path.basename(path)))
        for i, shot in enumerate(self.shots):
            name = "%s-%02d-%s.png" % (case, i, shot.label)
            pngio.write(os.path.join(self.args.artifacts, name), scene.SCREEN_W,
                        scene.SCREEN_H, shot.rows)


def check_scene(media, shot):
    """Sky above row 240, the floor tile at its offset below it."""
    sky = scene.sky_fraction(shot.rows)
    check(sky > 0.95, "%s: only %.1f%% of the area above the floor is sky"
          % (shot.label, 100 * sky))
    check(shot.offset is not None, "%s: the floor's offset cannot be read" % shot.label)
    floor = media.floor_fraction(shot.rows, shot.offset)
    check(floor > 0.95, "%s: only %.1f%% of the floor area shows the floor tile at offset %d"
          % (shot.label, 100 * floor, shot.offset))


def player_at(media, shot, x=None, y=None):
    """Where the player (either animation frame) is drawn; one position expected."""
    found = set()
    for frame in media.players:
        ys = None if y is None else range(y, y + 1)
        found.update(p for p in frame.find(shot.rows, ys) if x is None or p[0] == x)
    check(len(found) == 1, "%s: expected one player on the screen, found %s"
          % (shot.label, sorted(found) or "none"))
    return found.pop()


# --- Cases -------------------------------------------------------------------------------


def case_play(args, workdir):
    """Moves right, fires, moves up, quits; checks the picture at each step and the audio."""
    media = args.media
    with xserver.Xvfb() as xvfb:
        session = Session(args, workdir, xvfb)
        try:
            session.start()
            first = session.wait_for_picture()
            check_scene(media, first)
            session.focus_game_window()

            # The enemy starts at x = 670 and moves 3 pixels left per frame; the floor's offset
            # counts the frames, so where it is drawn is known exactly until it reaches the
            # player (offset 200). Wait until it has come into view.
            before = session.shoot("before-right", keep=False)
            while before.offset is not None and before.offset < 20:
                time.sleep(0.05)
                before = session.shoot("before-right", keep=False)
            session.shots.append(before)
            check_scene(media, before)
            check(player_at(media, before) == PLAYER_START,
                  "before any key the player is not at %s" % (PLAYER_START,))
            enemy_x = ENEMY_START_X - ENEMY_START_SPEED * before.offset
            if enemy_x > PLAYER_START[0] + 32:  # not yet under the player, who covers it
                check(media.enemy.drawn_at(before.rows, enemy_x, PLAYER_START[1]),
                      "at frame offset %d the enemy is not drawn at (%d, %d)"
                      % (before.offset, enemy_x, PLAYER_START[1]))

            xvfb.key_hold("Right", 1.0)
            time.sleep(0.05)
            moved = session.shoot("after-right")
            check_scene(media, moved)
            player_x, player_y = player_at(media, moved, y=PLAYER_START[1])
            frames = scene.frames_between(before.offset, moved.offset)
            steps, odd = divmod(player_x - PLAYER_START[0], PLAYER_STEP)
            check(odd == 0 and 20 <= steps <= frames,
                  "after holding Right for 1 s (%d frames) the player is at x = %d: expected "
                  "%d + 2 per frame the key was seen" % (frames, player_x, PLAYER_START[0]))

            # The bullet flies until it meets the enemy, which comes towards it: at this point
            # that takes about 15 to 25 frames, so screenshots follow each other closely while
            # Space is held.
            space_audio = session.audio_frames()
            xvfb.key_down("space")
            firing = []
            fired_at = time.monotonic()
            while time.monotonic() - fired_at < 0.25:
                firing.append(session.shoot("space-%d" % len(firing)))
                time.sleep(0.02)
            xvfb.key_up("space")
            for shot in firing:
                player_at(media, shot, x=player_x, y=player_y)
            xvfb.key_down("Up")
            flight = []
            for i in range(6):
                flight.append(session.shoot("up-%d" % i))
                time.sleep(0.05)
            xvfb.key_up("Up")

            # Right is up: the player stays at its x. Up is held through every screenshot, so
            # once the player has started to climb it rises 2 pixels per frame exactly.
            climb = [(shot, player_at(media, shot, x=player_x)[1]) for shot in flight]
            for (a, ay), (b, by) in zip(climb, climb[1:]):
                frames = scene.frames_between(a.offset, b.offset)
                if ay < player_y:
                    check(ay - by == PLAYER_STEP * frames,
                          "holding Up, the player went from y = %d (%s) to %d (%s) in %d frames"
                          % (ay, a.label, by, b.label, frames))
            check(climb[-1][1] < player_y,
                  "holding Up did not move the player up from y = %d" % player_y)

            # The bullet starts at the player's right edge, 13 pixels below its top (Up came
            # after Space), and moves 4 pixels per frame: seen twice, its distance must match
            # the frames in between.
            bullet_y = player_y + BULLET_BELOW_PLAYER
            seen = []
            for shot in firing + flight:
                for bx, _ in media.bullet.find(shot.rows, range(bullet_y, bullet_y + 1)):
                    check(bx >= player_x + BULLET_RIGHT_OF_PLAYER
                          and (bx - player_x - BULLET_RIGHT_OF_PLAYER) % BULLET_STEP == 0,
                          "%s: a bullet at x = %d does not come from the player at x = %d"
                          % (shot.label, bx, player_x))
                    seen.append((shot, bx))
            check(seen, "no bullet right of the player (x >= %d, y = %d) after Space"
                  % (player_x + BULLET_RIGHT_OF_PLAYER, bullet_y))
            for (a, ax), (b, bx) in zip(seen, seen[1:]):
                frames = scene.frames_between(a.offset, b.offset)
                check(bx - ax == BULLET_STEP * frames,
                      "the bullet moved from x = %d (%s) to %d (%s) in %d frames"
                      % (ax, a.label, bx, b.label, frames))
            check_scene(media, flight[-1])

            session.quit_with_escape()
            check_play_audio(session, space_audio)
        finally:
            session.stop()


def check_play_audio(session, space_frame):
    """The music plays at a sane level from when it starts to the end, and the shot's sound
    starts right after Space: a rise well above the music's running level."""
    rec = sound_level.Recording(session.audio_path)
    ms = lambda n: sound_level.frames_of(n / 1000.0)
    check(rec.frames >= ms(1500), "only %.2f s of audio were written"
          % sound_level.seconds(rec.frames))

    # The audio output opens before the game loads its media; the music starts with the game.
    blocks = rec.block_levels(0, rec.frames, ms(10))
    first = next((i for i, v in enumerate(blocks) if v > 1e-4), None)
    check(first is not None, "the audio is silent")
    music_start = first * ms(10)
    check(music_start + ms(500) < space_frame,
          "the music started %.2f s into the audio, Space came at %.2f s"
          % (sound_level.seconds(music_start), sound_level.seconds(space_frame)))
    level = sound_level.dbfs(rec.rms(music_start + ms(100), space_frame - ms(50)))
    check(-45.0 < level < -10.0, "the music's level before the shot is %.1f dBFS" % level)
    quiet = [i for i, v in enumerate(rec.block_levels(music_start, rec.frames, ms(100)))
             if v < 1e-4]
    check(not quiet, "the music drops out: %d silent blocks of 100 ms after it started"
          % len(quiet))

    # The shot: 10 ms blocks, the loudest shortly after Space against the music before it.
    block = ms(10)
    before = sorted(rec.block_levels(space_frame - ms(1000), space_frame - ms(50), block))
    running = before[int(0.9 * (len(before) - 1))]
    after = rec.block_levels(space_frame - ms(50), space_frame + ms(400), block)
    onset = max(after, default=0.0)
    check(onset > 2.0 * running,
          "no shot after Space: loudest 10 ms %.1f dBFS against the music's %.1f dBFS"
          % (sound_level.dbfs(onset), sound_level.dbfs(running)))


def case_pacing(args, workdir):
    """Without a vertical blank the game still shows 60 frames per second, counted from the
    outside by the floor, which moves one pixel per frame: never faster than 60 Hz + 5%, and
    not slower than 60 Hz - 5% in at least one of three windows of 3 s (a busy machine may
    steal frames from one window)."""
    media = args.media
    with xserver.Xvfb() as xvfb:
        session = Session(args, workdir, xvfb)
        try:
            session.start()
            session.wait_for_picture()
            results = []
            for attempt in range(3):
                a = session.shoot("pacing-%d-a" % attempt)
                time.sleep(0.1)
                b = session.shoot("pacing-%d-b" % attempt)
                time.sleep(max(0.0, 3.0 - (time.monotonic() - a.taken_at)))
                c = session.shoot("pacing-%d-c" % attempt)
                session.require_running("while its frames were counted")
                for shot in (a, b, c):
                    check(shot.offset is not None, "%s: no floor offset" % shot.label)
                # Over 0.1 s about 6 frames: rules out a floor that went round more than once
                # in the long window (which would take above 100 frames per second).
                short = scene.frames_between(a.offset, b.offset)
                short_expected = FRAME_RATE * (b.taken_at - a.taken_at)
                check(abs(short - short_expected) <= 3,
                      "%d frames in %.3f s" % (short, b.taken_at - a.taken_at))
                frames = scene.frames_between(a.offset, c.offset)
                expected = FRAME_RATE * (c.taken_at - a.taken_at)
                results.append("%d frames in %.3f s (expected %.1f)"
                               % (frames, c.taken_at - a.taken_at, expected))
                check(frames <= expected * (1 + RATE_TOLERANCE) + 1,
                      "the game runs faster than 60 Hz: " + results[-1])
                if frames >= expected * (1 - RATE_TOLERANCE) - 1:
                    print("pacing: " + results[-1])
                    break
            else:
                raise Failure("the game runs slower than 60 Hz: " + "; ".join(results))
            session.quit_with_escape()
        finally:
            session.stop()


def case_no_display(args, workdir):
    """No display at all: the start-up message on stderr, exit code 0."""
    session = Session(args, workdir)
    try:
        session.start()
        code = session.wait(20)
        check(code is not None, "the game kept running without a display")
        check(code == 0, "exit code %d without a display" % code)
        check(INIT_MESSAGE in session.stderr(),
              "stderr lacks %r:\n%s" % (INIT_MESSAGE, session.stderr()))
    finally:
        session.stop()


def wait_for_window(session, name, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = session.client.find(name)
        if found:
            return found
        if session.process.poll() is not None:
            return []
        time.sleep(0.05)
    return []


def case_no_audio(args, workdir):
    """A display but no audio output: the game opens no picture, shows the start-up message
    in a box titled "Fehler", and ends with exit code 0 once the box is closed."""
    with xserver.Xvfb() as xvfb:
        session = Session(args, workdir, xvfb, audio_driver="tidefray-no-such-driver")
        try:
            session.start()
            boxes = wait_for_window(session, ERROR_CAPTION, 20)
            stderr_has_text = INIT_MESSAGE in session.stderr()
            if not boxes:
                # No box could be shown: then the text must have gone to stderr.
                code = session.wait(5)
                check(code == 0 and stderr_has_text,
                      "no %r box, exit code %s, stderr:\n%s"
                      % (ERROR_CAPTION, code, session.stderr()))
                return
            check(not session.client.find(WINDOW_TITLE),
                  "the game window opened although start-up failed")
            session.shoot("error-box")
            session.require_running("while its message box was shown")
            xvfb.focus(boxes[0])
            xvfb.key_hold("Return")
            code = session.wait(QUIT_SECONDS)
            check(code is not None, "the game did not end when its message box was closed")
            check(code == 0, "exit code %d after the message box" % code)
            check(INIT_MESSAGE in session.stderr(),
                  "the message is not on stderr:\n%s" % session.stderr())
        finally:
            session.stop()


def case_no_music(args, workdir):
    """Music/evolutionloop.it missing: the game runs, silent until a sound is played, and
    says nothing about it."""
    media = args.media
    with xserver.Xvfb() as xvfb:
        session = Session(args, workdir, xvfb, music=False)
        try:
            session.start()
            first = session.wait_for_picture()
            time.sleep(0.7)
            later = session.shoot("running")
            check_scene(media, later)
            check(scene.frames_between(first.offset, later.offset) > 10,
                  "the floor did not move")
            check(not session.client.find(ERROR_CAPTION), "a message box appeared")
            # No key was pressed and the enemy has not reached the player yet (it needs about
            # 200 frames), so nothing may have sounded until this screenshot.
            check(later.offset < 180, "too late to tell music from the collision sound")
            rec = sound_level.Recording(session.audio_path)
            heard = rec.peak(0, later.audio_frames)
            check(later.audio_frames > sound_level.frames_of(0.3),
                  "the audio output did not run (%d frames)" % later.audio_frames)
            check(heard == 0, "sound without music: peak %d in the first %.2f s"
                  % (heard, sound_level.seconds(later.audio_frames)))
            session.quit_with_escape()
            said = session.game_messages()
            check(not said, "the game said:\n%s" % said)
        finally:
            session.stop()


CASES = {
    "play": case_play,
    "pacing": case_pacing,
    "no-display": case_no_display,
    "no-audio": case_no_audio,
    "no-music": case_no_music,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--game", required=True, help="the tidefray executable")
    parser.add_argument("--source", required=True, help="folder holding Data/ and Music/")
    parser.add_argument("--artifacts", help="where screenshots, audio and stderr of a failed "
                        "case go")
    parser.add_argument("--keep", action="store_true",
                        help="write them to --artifacts when the case passes, too")
    args = parser.parse_args()
    args.sessions = []
    # A runner that gives up sends SIGTERM: clean up as on any other road.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("terminated"))
    args.game = os.path.abspath(args.game)
    args.source = os.path.abspath(args.source)
    args.media = scene.Media(args.source)
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix="tidefray-e2e-") as workdir:
        failure = None
        try:
            CASES[args.case](args, workdir)
        except Failure as caught:
            failure = caught
        if args.artifacts and (failure or args.keep):
            for session in args.sessions:
                session.save_artifacts(args.case)
        if failure:
            print("FAILED %s: %s" % (args.case, failure), file=sys.stderr)
            return 1
    print("passed %s in %.1f s" % (args.case, time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
