"""Just enough PNG for the end-to-end tests and the documentation's pictures: reads and writes
non-interlaced 8-bit RGB and RGBA files. The game's media are decoded here independently of the
engine's own decoder, so a fault in that decoder shows up as a picture that does not match."""

import struct
import zlib

_SIGNATURE = b"\x89PNG\r\n\x1a\n"


class Image:
    """Pixels as rows of bytes, three per pixel (red, green, blue), plus one alpha byte per
    pixel (255 where the file has no alpha)."""

    def __init__(self, width, height, rgb, alpha):
        self.width = width
        self.height = height
        self.rgb = rgb  # list of `height` bytes objects of 3 * width bytes
        self.alpha = alpha  # list of `height` bytes objects of width bytes

    def pixel(self, x, y):
        row = self.rgb[y]
        return tuple(row[3 * x:3 * x + 3])


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _unfilter(raw, width, height, bpp):
    stride = width * bpp
    rows = []
    previous = bytearray(stride)
    pos = 0
    for _ in range(height):
        kind = raw[pos]
        line = bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        if len(line) != stride:
            raise ValueError("PNG image data is short")
        if kind == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 0xFF
        elif kind == 2:
            for i in range(stride):
                line[i] = (line[i] + previous[i]) & 0xFF
        elif kind == 3:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((left + previous[i]) >> 1)) & 0xFF
        elif kind == 4:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                upper_left = previous[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + _paeth(left, previous[i], upper_left)) & 0xFF
        elif kind != 0:
            raise ValueError("unknown PNG filter %d" % kind)
        rows.append(bytes(line))
        previous = line
    return rows


def read(path):
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(_SIGNATURE):
        raise ValueError("%s is not a PNG file" % path)
    pos = len(_SIGNATURE)
    header = None
    idat = []
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            break
    if header is None:
        raise ValueError("%s has no IHDR" % path)
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise ValueError("%s: only non-interlaced 8-bit RGB/RGBA is read here" % path)
    bpp = 3 if colour == 2 else 4
    rows = _unfilter(zlib.decompress(b"".join(idat)), width, height, bpp)
    if bpp == 3:
        return Image(width, height, rows, [b"\xff" * width] * height)
    rgb, alpha = [], []
    for row in rows:
        out = bytearray(3 * width)
        out[0::3], out[1::3], out[2::3] = row[0::4], row[1::4], row[2::4]
        rgb.append(bytes(out))
        alpha.append(bytes(row[3::4]))
    return Image(width, height, rgb, alpha)


def _chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def write(path, width, height, rgb_rows, alpha_rows=None):
    """Writes rows of RGB bytes (and, when given, rows of alpha bytes) as an 8-bit RGB or RGBA
    PNG, unfiltered."""
    if alpha_rows is None:
        colour, rows = 2, rgb_rows
    else:
        colour, rows = 6, []
        for rgb, alpha in zip(rgb_rows, alpha_rows):
            row = bytearray(4 * width)
            row[0::4], row[1::4], row[2::4], row[3::4] = rgb[0::3], rgb[1::3], rgb[2::3], alpha
            rows.append(row)
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    with open(path, "wb") as f:
        f.write(_SIGNATURE)
        f.write(_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour, 0, 0, 0)))
        f.write(_chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(_chunk(b"IEND", b""))
