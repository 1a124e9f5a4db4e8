# glorbe-tool hwl: pictures to wavelet images and back, with ImageMagick and
# Python as the other side of the PNG files.
source "$(dirname "$0")/lib.bash"
cd "$WORK" || fail "no scratch folder"

"$TOOL" art nebula 128x64 nebula.png || fail "art failed"
"$TOOL" art glow 64x64 glow.png || fail "art failed"
convert nebula.png -alpha set -channel A -evaluate set 50% +channel nebula-alpha.png || fail "convert failed"

# Colour and grey, with a report of size and PSNR.
"$TOOL" hwl encode nebula.png nebula.hwl >enc.txt 2>enc.err || fail "encode failed: $(cat enc.err)"
grep -Eq "nebula.hwl: 128 x 64 colour, 4 levels, quality 75: [0-9]+ bytes .*PSNR [0-9.]+ dB" enc.txt ||
  fail "encode report: $(cat enc.txt)"
psnr=$(sed -E 's/.*PSNR ([0-9.]+) dB/\1/' enc.txt)
between "$psnr" 32 99 || fail "PSNR $psnr"
"$TOOL" hwl encode glow.png glow.hwl --quality 90 --levels 2 >/dev/null || fail "grey encode failed"

# decode gives PNGs of the right kind; ImageMagick's PSNR agrees with the tool's.
"$TOOL" hwl decode nebula.hwl back.png || fail "decode failed"
"$TOOL" hwl decode glow.hwl glow-back.png || fail "grey decode failed"
[ "$(identify -format '%w %h %[channels]' back.png)" = "128 64 srgb" ] || fail "back.png: $(identify back.png)"
[ "$(identify -format '%w %h %[channels]' glow-back.png)" = "64 64 gray" ] || fail "glow-back.png: $(identify glow-back.png)"
im=$(compare -metric PSNR nebula.png back.png null: 2>&1)
awk -v a="$im" -v b="$psnr" 'BEGIN { d = a - b; exit !(d < 0.1 && d > -0.1) }' || fail "ImageMagick says $im dB, the tool $psnr"

# info names the header and the steps.
"$TOOL" hwl info glow.hwl >info.txt || fail "info failed"
grep -q "^size: 64 x 64$" info.txt || fail "info: $(cat info.txt)"
grep -q "^levels: 2 (3 transform steps)$" info.txt || fail "info: $(cat info.txt)"
grep -q "bits per pixel: 8 (grey)" info.txt || fail "info: $(cat info.txt)"

# Alpha is left out with a note: the same file as from the opaque picture.
"$TOOL" hwl encode nebula-alpha.png alpha.hwl >/dev/null 2>alpha.err || fail "RGBA encode failed"
grep -q "alpha channel is left out" alpha.err || fail "no note about alpha: $(cat alpha.err)"
cmp -s alpha.hwl nebula.hwl || fail "alpha changed the colour picture"

# info describes a cut file; decode refuses it (exit code 1, the reason, no
# picture); a file that is no picture fails too.
head -c 400 nebula.hwl >cut.hwl
"$TOOL" hwl info cut.hwl >cut.txt || fail "info on a cut file failed"
grep -q "are missing: the picture ends early" cut.txt || fail "cut: $(cat cut.txt)"
"$TOOL" hwl decode cut.hwl cut.png 2>cut.err
[ $? -eq 1 ] || fail "a cut file decoded without failing"
grep -q "cut.hwl: the file ends [0-9]* bytes before its streams do; no picture written" cut.err || fail "cut: $(cat cut.err)"
[ ! -e cut.png ] || fail "a picture was written for a cut file"
printf 'short' >bad.hwl
"$TOOL" hwl decode bad.hwl bad.png 2>bad.err && fail "a 5-byte file decoded"
grep -q "no picture: the file is shorter than the 36-byte header" bad.err || fail "bad: $(cat bad.err)"
[ ! -e bad.png ] || fail "a picture was written for a bad file"

# Bad usage: exit code 2 with the usage.
"$TOOL" hwl encode nebula.png x.hwl --quality 101 2>usage.err
[ $? -eq 2 ] || fail "quality 101 is not a usage error"
grep -q "usage:" usage.err || fail "no usage text"
"$TOOL" hwl encode glow.png x.hwl --levels 6 2>levels.err
[ $? -eq 1 ] || fail "too many levels did not fail"
grep -q "allows at most 5 levels" levels.err || fail "levels: $(cat levels.err)"
"$TOOL" hwl encode missing.png x.hwl 2>/dev/null && fail "a missing picture encoded"
exit 0
