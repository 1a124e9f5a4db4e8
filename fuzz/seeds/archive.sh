source "$(dirname "$0")/lib.bash"
mkdir -p "$WORK/content/scripts" "$WORK/content/pictures"
cp "$SRC/content/scripts/wembo.ini" "$SRC/content/scripts/alien.ini" "$WORK/content/scripts/"
"$TOOL" art orb 16x16 "$WORK/orb.png"
"$TOOL" hwl encode "$WORK/orb.png" "$WORK/content/pictures/orb.hwl" >/dev/null
"$TOOL" archive pack "$OUT/deflated.zip" "$WORK/content" 2>/dev/null
"$TOOL" archive pack "$OUT/stored.zip" "$WORK/content" --store 2>/dev/null
# Seek points need an entry of some length.
for i in $(seq 1 10); do cat "$SRC/content/scripts/wembo.ini"; done >"$WORK/content/scripts/long.ini"
"$TOOL" archive pack "$OUT/seekpoints.zip" "$WORK/content" --seek-every 1024 2>/dev/null
rm -rf "$WORK/content/pictures" "$WORK/content/scripts/alien.ini" "$WORK/content/scripts/wembo.ini"
"$TOOL" archive pack "$OUT/one-entry.zip" "$WORK/content" --seek-every 4096 2>/dev/null
