source "$(dirname "$0")/lib.bash"
# The show's models, and a small one with every kind of line, built by
# glorbe-tool from our own sources.
for source in "$SRC"/content/models/*.model; do
  "$TOOL" model build "$source" "$WORK/$(basename "$source" .model).3ds" >/dev/null
done
cp "$WORK/cube.3ds" "$OUT/cube.3ds"
every_model "$WORK/every.model"
"$TOOL" model build "$WORK/every.model" "$OUT/every.3ds" >/dev/null
