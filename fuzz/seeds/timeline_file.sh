source "$(dirname "$0")/lib.bash"
bash "$(dirname "$0")/timeline_text.sh" "$TOOL" "$SRC" "$WORK/text"
for t in "$WORK"/text/*.timeline; do
  "$TOOL" sqp build "$t" "$OUT/$(basename "$t" .timeline).sqp" >/dev/null 2>&1
done
