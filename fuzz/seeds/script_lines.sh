source "$(dirname "$0")/lib.bash"
cp "$SRC"/content/scripts/*.ini "$OUT/"
crlf "[SPRITES]" "  param = a , b,c ,, d // note" "KEY" "= x" "[]" "[A]" "   " "PARAM=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24" >"$OUT/shapes.ini"
printf 'no line end\rx\r\r\n\n[B]' >"$OUT/endings.ini"
