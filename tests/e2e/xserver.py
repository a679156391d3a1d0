"""A virtual X server for the end-to-end tests, and a small client of the X protocol that lists
windows by name and reads the screen's pixels. The client talks to the server's socket directly:
window names that are stored as UTF-8 (as SDL's message boxes store theirs) are read as bytes,
and a screenshot is one request, so its time stamp is tight."""

import ctypes
import os
import select
import signal
import socket
import struct
import subprocess
import time

WM_NAME = 39  # predefined atom
_MAP_VIEWABLE = 2


def _pad4(n):
    return (n + 3) & ~3


class XError(Exception):
    pass


class Client:
    def __init__(self, display_number):
        self._sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self._sock.connect("/tmp/.X11-unix/X%d" % display_number)
        # Little-endian byte order, protocol 11.0, no authorisation: the server was started by
        # us without an authority file.
        self._sock.sendall(struct.pack("<BxHHHHxx", 0x6C, 11, 0, 0, 0))
        head = self._read(8)
        body = self._read(struct.unpack("<H", head[6:8])[0] * 4)
        if head[0] != 1:
            raise XError("X server refused the connection: %r" % body[:head[1]])
        vendor_length = struct.unpack("<H", body[16:18])[0]
        formats = body[21]
        self.image_lsb_first = body[22] == 0
        screen = 32 + _pad4(vendor_length) + 8 * formats
        self.root, = struct.unpack("<I", body[screen:screen + 4])
        self.width, self.height = struct.unpack("<HH", body[screen + 20:screen + 24])
        root_visual, = struct.unpack("<I", body[screen + 32:screen + 36])
        self.root_depth = body[screen + 38]
        self.red_mask = self._visual_red_mask(body, screen, root_visual)

    @staticmethod
    def _visual_red_mask(body, screen, visual_id):
        depths = body[screen + 39]
        pos = screen + 40
        for _ in range(depths):
            visuals, = struct.unpack("<H", body[pos + 2:pos + 4])
            pos += 8
            for _ in range(visuals):
                vid, = struct.unpack("<I", body[pos:pos + 4])
                if vid == visual_id:
                    return struct.unpack("<I", body[pos + 8:pos + 12])[0]
                pos += 24
        return 0

    def close(self):
        self._sock.close()

    def _read(self, n):
        out = bytearray(n)
        view = memoryview(out)
        got = 0
        while got < n:
            part = self._sock.recv_into(view[got:], n - got)
            if not part:
                raise XError("X server closed the connection")
            got += part
        return bytes(out)

    def _request(self, data):
        self._sock.sendall(data)
        while True:
            head = self._read(32)
            if head[0] == 0:
                raise XError("X error %d for request %d" % (head[1], data[0]))
            if head[0] == 1:
                extra, = struct.unpack("<I", head[4:8])
                return head + self._read(extra * 4)
            # An event: we select none, but skip any that arrive.

    def children(self, window):
        reply = self._request(struct.pack("<BxHI", 15, 2, window))
        count, = struct.unpack("<H", reply[16:18])
        return list(struct.unpack("<%dI" % count, reply[32:32 + 4 * count]))

    def name(self, window):
        reply = self._request(struct.pack("<BBHIIIII", 20, 0, 6, window, WM_NAME, 0, 0, 256))
        length, = struct.unpack("<I", reply[16:20])
        return reply[32:32 + length * (reply[1] // 8)].decode("utf-8", "replace")

    def viewable(self, window):
        reply = self._request(struct.pack("<BxHI", 3, 2, window))
        return reply[26] == _MAP_VIEWABLE

    def windows(self, depth=3):
        """(window, name, viewable) for every window down to `depth` levels below the root."""
        found = []
        level = [self.root]
        for _ in range(depth):
            following = []
            for parent in level:
                try:
                    kids = self.children(parent)
                except XError:
                    continue  # the window went away meanwhile
                for w in kids:
                    try:
                        found.append((w, self.name(w), self.viewable(w)))
                    except XError:
                        continue
                    following.append(w)
            level = following
        return found

    def find(self, name, viewable_only=True):
        return [w for w, n, v in self.windows() if n == name and (v or not viewable_only)]

    def screenshot(self):
        """The whole screen as rows of RGB bytes, with the time in the middle of the request."""
        if self.root_depth != 24 or self.red_mask != 0xFF0000 or not self.image_lsb_first:
            raise XError("expected a 24-bit little-endian RGB screen")
        w, h = self.width, self.height
        before = time.monotonic()
        reply = self._request(struct.pack("<BBHIhhHHI", 73, 2, 5, self.root, 0, 0, w, h,
                                          0xFFFFFFFF))
        after = time.monotonic()
        data = reply[32:32 + 4 * w * h]
        rgb = bytearray(3 * w * h)
        rgb[0::3], rgb[1::3], rgb[2::3] = data[2::4], data[1::4], data[0::4]
        rows = [bytes(rgb[3 * w * y:3 * w * (y + 1)]) for y in range(h)]
        return rows, (before + after) / 2, after - before


class Xvfb:
    """An Xvfb on a display number it picks itself (-displayfd, so parallel tests cannot race
    for a number), killed with its whole process group on exit."""

    def __init__(self, width=640, height=480, depth=24):
        self.size = "%dx%dx%d" % (width, height, depth)
        self.process = None
        self.display = None

    def __enter__(self):
        read_end, write_end = os.pipe()
        try:
            self.process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.size,
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                start_new_session=True, preexec_fn=die_with_parent)
            os.close(write_end)
            write_end = None
            text = b""
            deadline = time.monotonic() + 15
            while not text.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([read_end], [], [], left)[0]:
                    raise RuntimeError("Xvfb did not report its display")
                part = os.read(read_end, 64)
                if not part:
                    raise RuntimeError("Xvfb ended before it reported its display")
                text += part
            self.display = int(text.strip())
        except BaseException:
            self.__exit__(None, None, None)
            raise
        finally:
            os.close(read_end)
            if write_end is not None:
                os.close(write_end)
        return self

    def __exit__(self, *_):
        kill_group(self.process)

    def env(self):
        return {"DISPLAY": ":%d" % self.display}

    def client(self):
        return Client(self.display)

    def xdotool(self, *args):
        env = dict(os.environ, **self.env())
        subprocess.run(["xdotool"] + [str(a) for a in args], env=env, check=True, timeout=10,
                       stdout=subprocess.DEVNULL)

    def key_down(self, key):
        self.xdotool("keydown", key)

    def key_up(self, key):
        self.xdotool("keyup", key)

    def key_hold(self, key, seconds=0.1):
        """Holds a key long enough for a game that reads the keyboard once per frame."""
        self.key_down(key)
        time.sleep(seconds)
        self.key_up(key)

    def focus(self, window):
        self.xdotool("windowfocus", window)


_PR_SET_PDEATHSIG = 1


def die_with_parent():
    """For preexec_fn: the child gets SIGKILL when the test process dies, even by SIGKILL (a
    test runner's timeout), so no X server or game outlives its test."""
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL, 0, 0, 0)


def kill_group(process):
    """Ends a process started with start_new_session=True and everything it started."""
    if process is None:
        return
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    try:
        process.wait(timeout=5)
    except subprocess.TimeoutExpired:
        pass
