source "$(dirname "$0")/lib.bash"
"$TOOL" art orb 16x16 "$WORK/orb.png"
"$TOOL" art plasma 32x8 "$WORK/plasma.png"
"$TOOL" art text 24x16 "$WORK/text.png" --text A
"$TOOL" art glow 7x5 "$WORK/glow.png"
"$TOOL" hwl encode "$WORK/orb.png" "$OUT/orb.hwl" >/dev/null
"$TOOL" hwl encode "$WORK/orb.png" "$OUT/orb-q5.hwl" --quality 5 --levels 2 >/dev/null
"$TOOL" hwl encode "$WORK/plasma.png" "$OUT/plasma.hwl" --levels 1 >/dev/null
"$TOOL" hwl encode "$WORK/text.png" "$OUT/text-grey.hwl" >/dev/null
"$TOOL" hwl encode "$WORK/glow.png" "$OUT/glow-odd.hwl" --quality 100 2>/dev/null >/dev/null
