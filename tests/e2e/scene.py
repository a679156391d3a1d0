"""What a player sees, read from a screenshot of the 640 x 480 picture: the sky, the floor and
its scroll offset, and where a sprite of the sheet is drawn. Expected pixels come from the game's
media files decoded by pngio, not from stored screenshots."""

import os

import pngio

SKY = bytes((40, 140, 255))
MASK = (255, 0, 255)
FLOOR_Y = 240
SCREEN_W, SCREEN_H = 640, 480

# Regions of the sprite sheet (x, y, width, height), as the game clips them.
PLAYER_FRAMES = ((0, 0, 32, 32), (32, 0, 32, 32))
BULLET = (64, 12, 7, 7)
ENEMY = (0, 32, 32, 32)

_PERIODS = [p for p in range(1, 320) if 320 % p == 0]


class Sprite:
    """The opaque pixels of one region of the sheet (the mask colour is not drawn)."""

    def __init__(self, sheet, region):
        x0, y0, w, h = region
        self.width, self.height = w, h
        self.opaque = []  # (dx, dy, rgb bytes)
        for dy in range(h):
            for dx in range(w):
                rgb = sheet.pixel(x0 + dx, y0 + dy)
                if rgb != MASK and sheet.alpha[y0 + dy][x0 + dx] == 255:
                    self.opaque.append((dx, dy, bytes(rgb)))
        if not self.opaque:
            raise ValueError("region %r of the sheet has no opaque pixel" % (region,))
        # The longest opaque run of one row: searched for as bytes to find candidates quickly.
        best = (0, 0, 0)
        for dy in range(h):
            run = 0
            for dx in range(w + 1):
                inside = dx < w and (dx, dy) in self._set()
                if inside:
                    run += 1
                elif run:
                    if run > best[2]:
                        best = (dx - run, dy, run)
                    run = 0
        self.run_x, self.run_y, run_length = best
        row = sheet.rgb[y0 + self.run_y]
        start = 3 * (x0 + self.run_x)
        self.run_bytes = row[start:start + 3 * run_length]

    def _set(self):
        if not hasattr(self, "_opaque_set"):
            self._opaque_set = {(dx, dy) for dx, dy, _ in self.opaque}
        return self._opaque_set

    def drawn_at(self, rows, x, y):
        """Whether every opaque pixel of the sprite is on the screen at (x, y) unchanged."""
        for dx, dy, rgb in self.opaque:
            sx, sy = x + dx, y + dy
            if 0 <= sx < SCREEN_W and 0 <= sy < SCREEN_H:
                if rows[sy][3 * sx:3 * sx + 3] != rgb:
                    return False
        return True

    def find(self, rows, y_range=None):
        """Every (x, y) at which the whole sprite is drawn, fully inside the screen."""
        found = []
        ys = range(SCREEN_H - self.height + 1) if y_range is None else y_range
        for y in ys:
            if y < 0 or y + self.height > SCREEN_H:
                continue
            row = rows[y + self.run_y]
            start = row.find(self.run_bytes)
            while start >= 0:
                if start % 3 == 0:
                    x = start // 3 - self.run_x
                    if 0 <= x <= SCREEN_W - self.width and self.drawn_at(rows, x, y):
                        found.append((x, y))
                start = row.find(self.run_bytes, start + 1)
        return found


class Media:
    def __init__(self, source_dir):
        data = os.path.join(source_dir, "Data")
        sheet = pngio.read(os.path.join(data, "sprites01.png"))
        self.players = [Sprite(sheet, r) for r in PLAYER_FRAMES]
        self.bullet = Sprite(sheet, BULLET)
        self.enemy = Sprite(sheet, ENEMY)
        floor = pngio.read(os.path.join(data, "bg_floor01.png"))
        if floor.width != 320:
            raise ValueError("the floor tile is expected to be 320 pixels wide")
        self.floor_height = min(floor.height, SCREEN_H - FLOOR_Y)
        # The tile as it shows over the sky: its mask colour lets the sky through.
        self.floor_rows = []
        for y in range(self.floor_height):
            row = bytearray(floor.rgb[y])
            for x in range(floor.width):
                if tuple(row[3 * x:3 * x + 3]) == MASK:
                    row[3 * x:3 * x + 3] = SKY
            self.floor_rows.append(bytes(row))
        # Rows whose 320 rotations all differ (no shorter period) tell the offset; a few of
        # them, spread over the tile, get a table from the screen row to the offset.
        telling = [y for y, row in enumerate(self.floor_rows)
                   if not any(row == row[3 * p:] + row[:3 * p] for p in _PERIODS)]
        if len(telling) < 4:
            raise ValueError("the floor tile has too few rows that tell its offset")
        picked = telling[::max(1, len(telling) // 12)]
        self._offset_tables = []
        for y in picked:
            wide = self.floor_rows[y] * 3
            self._offset_tables.append(
                (y, {wide[3 * s:3 * (s + SCREEN_W)]: s for s in range(320)}))

    def floor_expected(self, y, offset):
        wide = self.floor_rows[y] * 3
        return wide[3 * offset:3 * (offset + SCREEN_W)]

    def floor_offset(self, rows):
        """The scroll offset s of the floor (tile column s at screen x = 0), or None. Rows that
        a sprite covers do not match and are skipped; the others must agree."""
        votes = {}
        for y, table in self._offset_tables:
            s = table.get(rows[FLOOR_Y + y])
            if s is not None:
                votes[s] = votes.get(s, 0) + 1
        if len(votes) != 1:
            return None
        return next(iter(votes))

    def floor_fraction(self, rows, offset):
        """Share of the floor area's pixels that show the tile at `offset`."""
        same = total = 0
        for y in range(self.floor_height):
            want = self.floor_expected(y, offset)
            got = rows[FLOOR_Y + y]
            total += SCREEN_W
            if got == want:
                same += SCREEN_W
            else:
                same += sum(1 for x in range(0, 3 * SCREEN_W, 3) if got[x:x + 3] == want[x:x + 3])
        return same / total


def sky_fraction(rows):
    """Share of the pixels above the floor that are the sky's colour."""
    full = SKY * SCREEN_W
    same = 0
    for y in range(FLOOR_Y):
        row = rows[y]
        if row == full:
            same += SCREEN_W
        else:
            same += sum(1 for x in range(0, 3 * SCREEN_W, 3) if row[x:x + 3] == SKY)
    return same / (FLOOR_Y * SCREEN_W)


def frames_between(offset_a, offset_b):
    """Frames that passed between two floor offsets (the floor moves 1 pixel per frame and
    repeats every 320 frames)."""
    return (offset_b - offset_a) % 320
