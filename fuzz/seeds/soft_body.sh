# Seed inputs of the soft-body target: a closed cube, an open sheet and a
# cube with vertices of its own per face, each with sensible FLEX values and
# deformer arguments (layout in fuzz/targets/soft_body.cpp).
source "$(dirname "$0")/lib.bash"
python3 - "$OUT" <<'PY'
import struct, sys
out = sys.argv[1]
def seed(name, vertices, faces, mode=2, frames=3, frame_length=255, flags=0,
         flex=(40, 0.5, 0.3, 1, 0.02, 0, 0, -2), args=(0.3, 0.2, 0.1, 0.5, 0.4, 0.3, 0.2, 0)):
    b = struct.pack('<6B', len(vertices), len(faces), mode, frames, frame_length, flags)
    b += struct.pack('<8f', *flex) + struct.pack('<8f', *args)
    for v in vertices:
        b += struct.pack('<3f', *v)
    for f in faces:
        b += struct.pack('<3B', *f)
    open(f'{out}/{name}', 'wb').write(b)
corners = [(x, y, z + 1) for x in (0, 1) for y in (0, 1) for z in (0, 1)]
quads = [(0, 2, 6, 4), (1, 5, 7, 3), (0, 4, 5, 1), (2, 3, 7, 6), (0, 1, 3, 2), (4, 6, 7, 5)]
cube = [t for q in quads for t in ((q[0], q[1], q[2]), (q[0], q[2], q[3]))]
seed('cube', corners, cube)
seed('cube_mode0', corners, cube, mode=0, flags=1)
seed('sheet', [(0, 0, 1), (1, 0, 1), (1, 1, 1), (0, 1, 1)], [(0, 1, 2), (0, 2, 3)], mode=1, flags=4)
split = [corners[i] for t in cube for i in t]
seed('split_cube', split, [(3 * k, 3 * k + 1, 3 * k + 2) for k in range(12)], frame_length=20, flags=2)
seed('stiff', corners, cube, flex=(1e30, 1e30, 0, 1, 0, 0, 0, -10))
PY
