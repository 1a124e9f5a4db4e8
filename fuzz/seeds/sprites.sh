source "$(dirname "$0")/lib.bash"
cp "$SRC/content/scripts/greetz.ini" "$OUT/"
crlf "[SPRITES]" \
  "PARAM = BALL, STARS, REPLACE, 0.5, 0.25" \
  "PARAM = GRID, GLOW, MODULATE, 1, 2, 3, 4" \
  "[MOVELISTS]" \
  "PARAM = WARP, WARPTEX, 64, 32" \
  "PARAM = INK, WARPTEX, 16, 16, 1, 0.5, 0, brushes\\star.hwl, ADD" \
  "PARAM = FLAT, WARPTEX, 8, 8, 0.2, 0.2, 0.2, sprites\\glow.hwl" >"$OUT/both.ini"
