# glorbe-tool tex: text to program and back, a run to PNG, and bad input.
source "$(dirname "$0")/lib.bash"
cd "$WORK" || fail "no scratch folder"

cat >flat.txt <<'TXT'
# a flat colour, then inverted in the second list
list 0
fill layer=4 red=10 green=20 blue=30
list 1
invert from=4 to=4
TXT
"$TOOL" tex asm flat.txt flat.tex || fail "asm failed"
[ "$(stat -c %s flat.tex)" = 22020 ] || fail "flat.tex is $(stat -c %s flat.tex) bytes"
"$TOOL" tex disasm flat.tex >flat2.txt || fail "disasm failed"
grep -qx "fill layer=4 red=10 green=20 blue=30" flat2.txt || fail "disasm: $(cat flat2.txt)"
"$TOOL" tex asm flat2.txt flat2.tex && cmp -s flat.tex flat2.tex || fail "the round trip changed the program"

"$TOOL" tex run flat.tex 16 flat.png || fail "run failed"
[ "$(convert flat.png -format '%w %h %[fx:int(255*p{7,9}.r)] %[fx:int(255*p{7,9}.g)] %[fx:int(255*p{7,9}.b)]' info:)" = "16 16 245 235 225" ] ||
  fail "flat.png: $(convert flat.png -format '%w %h %[pixel:p{7,9}]' info:)"

# Noise from seed 0 in a fresh generator is black: the seed stays 0.
printf 'noise layer=4 cell=1 range=256\n' >zero.txt
"$TOOL" tex asm zero.txt zero.tex && "$TOOL" tex run zero.tex 8 zero.png || fail "zero run failed"
[ "$(convert zero.png -format '%[fx:maxima]' info:)" = 0 ] || fail "seed 0 drew something"
printf 'noise layer=4 cell=4 seed=99 range=256 colour=1\nblur from=4 to=4\n' >clouds.txt
"$TOOL" tex asm clouds.txt clouds.tex && "$TOOL" tex run clouds.tex 64 clouds.png || fail "clouds failed"
[ "$(convert clouds.png -format '%[fx:maxima > 0.3]' info:)" = 1 ] || fail "the clouds are dark"

# A short file: a warning, and the missing bytes read as zero.
head -c 500 flat.tex >short.tex
"$TOOL" tex disasm short.tex >short.txt 2>short.err || fail "disasm of a short file failed"
grep -q "500 bytes, not 22020" short.err || fail "no warning: $(cat short.err)"
grep -qx "fill layer=4 red=10 green=20 blue=30" short.txt || fail "short: $(cat short.txt)"
grep -q "list 1" short.txt && fail "list 1 lies past the short file's end"

# Mistakes.
printf 'fill layer=0\nblurr from=0 to=1\n' >bad.txt
"$TOOL" tex asm bad.txt bad.tex 2>err.txt && fail "a bad source was assembled"
grep -q "bad.txt:2: unknown operation \"blurr\"" err.txt || fail "message: $(cat err.txt)"
[ -e bad.tex ] && fail "a failed assembly left a file"
for size in 0 100 8192 x; do
  "$TOOL" tex run flat.tex "$size" x.png 2>/dev/null
  [ $? -eq 2 ] || fail "size $size was accepted"
done
"$TOOL" tex disasm missing.tex 2>/dev/null && fail "disasm of a missing file succeeded"
echo "ok"
