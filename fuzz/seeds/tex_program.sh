source "$(dirname "$0")/lib.bash"
bash "$(dirname "$0")/tex_text.sh" "$TOOL" "$SRC" "$WORK/text"
for t in "$WORK"/text/*.txt; do
  "$TOOL" tex asm "$t" "$OUT/$(basename "$t" .txt).tex"
done
