#!/usr/bin/env bash
# Remakes the README's pictures: records a run of the game with tidefray-record on the headless
# host (the key script docs/media/demo.keys, a fixed seed, so the same run every time), then
# writes docs/media/screenshot.png (one frame), docs/media/gameplay-strip.png (six frames at half
# size, side by side) and packaging/tidefray.png (the desktop icon: the player's first frame).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cd "$root"
cmake --preset dev >/dev/null
cmake --build --preset dev --target tidefray-record

frames=480
# Frames to show: multiples of 10, since only every 10th frame is written.
screenshot_frame=130
strip_frames="60 130 200 270 340 410"

work=$(mktemp -d "${TMPDIR:-/tmp}/tidefray-docs-XXXXXX")
trap 'rm -rf "$work"' EXIT
# The newest of the places the recorder may be built to, so a stale copy is never used.
record=$(ls -t "$root/build/dev/tidefray-record" "$root/build/dev/tools/record/tidefray-record" \
  2>/dev/null | head -n 1 || true)
[[ -n "$record" ]] || { echo "tidefray-record was not built" >&2; exit 1; }
"$record" --data "$root" --frames "$frames" --seed 7 \
  --keys "$root/docs/media/demo.keys" --shots "$work/shots" --shot-every 10

python3 - "$root" "$work/shots" "$screenshot_frame" $strip_frames <<'PY'
import os
import sys

root, shots = sys.argv[1], sys.argv[2]
sys.path.insert(0, os.path.join(root, "tests", "e2e"))
import pngio  # noqa: E402

screenshot_frame = int(sys.argv[3])
strip_frames = [int(n) for n in sys.argv[4:]]
media = os.path.join(root, "docs", "media")


def frame(n):
    return pngio.read(os.path.join(shots, "frame-%06d.png" % n))


def half(image):
    """Halves an image by averaging each 2 x 2 block."""
    rows = []
    for y in range(0, image.height - 1, 2):
        a, b = image.rgb[y], image.rgb[y + 1]
        row = bytearray(3 * (image.width // 2))
        for x in range(image.width // 2):
            for c in range(3):
                i = 6 * x + c
                row[3 * x + c] = (a[i] + a[i + 3] + b[i] + b[i + 3] + 2) // 4
        rows.append(bytes(row))
    return rows


shot = frame(screenshot_frame)
pngio.write(os.path.join(media, "screenshot.png"), shot.width, shot.height, shot.rgb)

gap = 4
parts = [half(frame(n)) for n in strip_frames]
part_w, part_h = len(parts[0][0]) // 3, len(parts[0])
gap_bytes = bytes((16, 16, 16)) * gap
strip = []
for y in range(part_h):
    strip.append(gap_bytes.join(part[y] for part in parts))
strip_w = len(parts) * part_w + (len(parts) - 1) * gap
pngio.write(os.path.join(media, "gameplay-strip.png"), strip_w, part_h, strip)

# The icon: the player's first frame (32 x 32 at the sheet's top left) doubled, the sheet's
# mask colour made transparent.
sheet = pngio.read(os.path.join(root, "Data", "sprites01.png"))
rgb, alpha = [], []
for y in range(64):
    r, a = bytearray(), bytearray()
    for x in range(64):
        p = sheet.pixel(x // 2, y // 2)
        opaque = p != (255, 0, 255)
        r += bytes(p) if opaque else b"\0\0\0"
        a.append(255 if opaque else 0)
    rgb.append(bytes(r))
    alpha.append(bytes(a))
pngio.write(os.path.join(root, "packaging", "tidefray.png"), 64, 64, rgb, alpha)
print("wrote docs/media/screenshot.png, docs/media/gameplay-strip.png, packaging/tidefray.png")
PY
