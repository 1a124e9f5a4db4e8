"""Reads 8-bit RGB or RGBA PNG files for the end-to-end tests.

  png_pixels.py size FILE          -> "WIDTH HEIGHT"
  png_pixels.py pixel FILE X Y     -> "R G B" (X, Y from the top left)
  png_pixels.py colours FILE       -> the number of distinct colours
  png_pixels.py differ FILE OTHER  -> the share (0..1) of pixels whose colour
                                      differs by more than 32 in a channel
"""
import struct
import sys
import zlib


def read(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit(path + " is not a PNG file")
    w, h, depth, colour = struct.unpack(">IIBB", data[16:26])
    if depth != 8 or colour not in (2, 6):
        raise SystemExit("%s: only 8-bit RGB or RGBA (got depth %d, colour type %d)" % (path, depth, colour))
    channels = 3 if colour == 2 else 4
    raw, pos = b"", 8
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if kind == b"IDAT":
            raw += data[pos + 8:pos + 8 + n]
        pos += 12 + n
    rows = zlib.decompress(raw)
    stride, prev, out = w * channels, bytearray(w * channels), []
    for y in range(h):
        f = rows[y * (stride + 1)]
        line = bytearray(rows[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = prev[i]
            c = prev[i - channels] if i >= channels else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        out.append(line)
        prev = line
    return w, h, channels, out


def main(args):
    w, h, channels, rows = read(args[1])
    if args[0] == "size":
        print(w, h)
    elif args[0] == "pixel":
        x, y = int(args[2]), int(args[3])
        print(*rows[y][x * channels:x * channels + 3])
    elif args[0] == "colours":
        print(len({bytes(r[i:i + 3]) for r in rows for i in range(0, w * channels, channels)}))
    elif args[0] == "differ":
        w2, h2, channels2, rows2 = read(args[2])
        if (w2, h2) != (w, h):
            raise SystemExit("%s and %s differ in size" % (args[1], args[2]))
        changed = 0
        for y in range(h):
            for x in range(w):
                a = rows[y][x * channels:x * channels + 3]
                b = rows2[y][x * channels2:x * channels2 + 3]
                changed += any(abs(a[k] - b[k]) > 32 for k in range(3))
        print("%.3f" % (changed / float(w * h)))
    else:
        raise SystemExit("unknown request " + args[0])


main(sys.argv[1:])
