source "$(dirname "$0")/lib.bash"
cp "$SRC"/content/scripts/*.ini "$OUT/"
crlf "[MATERIALS]" \
  "PARAM = A, pictures\\orb.hwl, ?, RGBA, MIP, REPEAT, 0.5, 1, 0" \
  "PARAM = B, pictures\\orb.hwl, pictures\\orbalpha.hwl, RGB4, NEAREST, CLAMP, 1, 0, 1" \
  "PARAM = C, textures\\clouds.tex, 64, RGBA8, NORMAL, CLAMP, 1, 1, 0" \
  "PARAM = D, ?, 128, RGB8, MIP, REPEAT, 0.25, 0, 0" \
  "PARAM = E, sprites\\glow.hwl, ?, RGBA4, NEAREST, REPEAT, 2, 0, 1" >"$OUT/all-kinds.ini"
