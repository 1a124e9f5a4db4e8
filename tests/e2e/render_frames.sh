# glorbe-render: a single frame at the requested size, the same pixels on
# every run; a frame count per frame rate; bad options give exit code 2.
source "$(dirname "$0")/lib.bash"
RENDER="$GLORBE_BIN/glorbe-render"
make_music 4
cd "$WORK"
with_xvfb "$RENDER" --size 320x240 --frame-at 2.5 one.png 2>err.txt || fail "render failed: $(cat err.txt)"
with_xvfb "$RENDER" --size 320x240 --frame-at 2.5 two.png 2>err.txt || fail "second render failed: $(cat err.txt)"
cmp -s one.png two.png || fail "two runs gave different pictures"
python3 - one.png <<'PY' || fail "the picture is not what the show draws"
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n"
w, h, depth, colour = struct.unpack(">IIBB", data[16:26])
assert (w, h, depth, colour) == (320, 240, 8, 2), (w, h, depth, colour)
raw = b""
pos = 8
while pos < len(data):
    n, kind = struct.unpack(">I4s", data[pos:pos + 8])
    if kind == b"IDAT":
        raw += data[pos + 8:pos + 8 + n]
    pos += 12 + n
rows = zlib.decompress(raw)
# Undo the PNG row filters and check the centre pixel.
stride, prev, out = w * 3, bytearray(w * 3), []
for y in range(h):
    f, line = rows[y * (stride + 1)], bytearray(rows[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for i in range(stride):
        a = line[i - 3] if i >= 3 else 0
        b = prev[i]
        c = prev[i - 3] if i >= 3 else 0
        if f == 1: line[i] = (line[i] + a) & 255
        elif f == 2: line[i] = (line[i] + b) & 255
        elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
        elif f == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    out.append(line)
    prev = line
centre = tuple(out[h // 2][w // 2 * 3:w // 2 * 3 + 3])
expected = tuple(int(v) for v in sys.argv[2:5]) if len(sys.argv) > 4 else (0, 0, 51)  # the clear colour the loading screens leave
assert all(abs(a - b) <= 1 for a, b in zip(centre, expected)), centre
PY
with_xvfb "$RENDER" --size 64x48 --fps 30 --from 1 --to 2 --frames frames 2>err.txt || fail "frames failed: $(cat err.txt)"
count=$(ls frames | wc -l)
[ "$count" = 31 ] || fail "1 s at 30 fps from 1 s to 2 s is 31 frames, got $count"
[ -f frames/frame_000030.png ] || fail "frames are numbered from frame_000000.png"
"$RENDER" --fps 0 --frames x 2>err.txt
[ $? = 2 ] || fail "a bad option gives exit code 2"
grep -q -- "--fps" err.txt || fail "the message names the option: $(cat err.txt)"
"$RENDER" 2>/dev/null
[ $? = 2 ] || fail "no output option gives exit code 2"
with_xvfb "$RENDER" --from 30 --frames frames 2>err.txt
[ $? = 2 ] || fail "a start past the end gives exit code 2"
echo ok
