source "$(dirname "$0")/lib.bash"
cp "$SRC"/content/textures/*.txt "$OUT/"
# One step of every operation, each parameter named.
"$TOOL" tex ops | awk -F'\t' '{ line = $2; n = split($3, p, " "); for (i = 1; i <= n; i++) line = line " " p[i] "=" i; print line }' \
  | { echo "list 1"; cat; } >"$OUT/every-operation.txt"
