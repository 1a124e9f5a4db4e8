source "$(dirname "$0")/lib.bash"
# The show's model sources, and one with every kind of line kept small.
cp "$SRC"/content/models/cube.model "$OUT/"
every_model "$OUT/every.model"
