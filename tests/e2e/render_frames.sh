# glorbe-render: a single frame at the requested size, the same pixels on
# every run; a frame count per frame rate; bad options give exit code 2.
source "$(dirname "$0")/lib.bash"
RENDER="$GLORBE_BIN/glorbe-render"
PNG="$(dirname "$0")/png_pixels.py"
make_music 4
cd "$WORK"
# A timeline that fills the screen with one colour for its whole length.
mkdir -p scripts
cat >fill.timeline <<'SRC'
end 3.5
track "fill"
  length 3.5
  item GL FULLSCREENPOLY
    R = 1
    G = 0.5
    B = 0.25
    A = 1
SRC
"$TOOL" sqp build fill.timeline scripts/greetz.sqp >/dev/null || fail "cannot build the timeline"
with_xvfb "$RENDER" --size 320x240 --frame-at 2.5 one.png 2>err.txt || fail "render failed: $(cat err.txt)"
with_xvfb "$RENDER" --size 320x240 --frame-at 2.5 two.png 2>err.txt || fail "second render failed: $(cat err.txt)"
cmp -s one.png two.png || fail "two runs gave different pictures"
[ "$(python3 "$PNG" size one.png)" = "320 240" ] || fail "the picture is not 320 x 240"
centre=$(python3 "$PNG" pixel one.png 160 120)
[ "$centre" = "255 128 64" ] || fail "the frame of a timeline that fills the screen with (1, 0.5, 0.25) shows $centre"
with_xvfb "$RENDER" --size 64x48 --fps 30 --from 1 --to 2 --frames frames 2>err.txt || fail "frames failed: $(cat err.txt)"
count=$(ls frames | wc -l)
[ "$count" = 31 ] || fail "1 s at 30 fps from 1 s to 2 s is 31 frames, got $count"
[ -f frames/frame_000030.png ] || fail "frames are numbered from frame_000000.png"
"$RENDER" --fps 0 --frames x 2>err.txt
[ $? = 2 ] || fail "a bad option gives exit code 2"
grep -q -- "--fps" err.txt || fail "the message names the option: $(cat err.txt)"
"$RENDER" 2>/dev/null
[ $? = 2 ] || fail "no output option gives exit code 2"
with_xvfb "$RENDER" --from 5 --frames frames 2>err.txt
[ $? = 2 ] || fail "a start past the end gives exit code 2"
# Where the output cannot be written, ffmpeg fails: a message and exit code 1, not SIGPIPE.
with_xvfb "$RENDER" --size 64x48 --fps 10 --video out.nosuchformat 2>err.txt
rc=$?
[ $rc = 1 ] || fail "a failing ffmpeg gives exit code $rc: $(cat err.txt)"
grep -q "ffmpeg failed" err.txt || fail "no word of ffmpeg failing: $(cat err.txt)"
# Outside a show's folder: the missing archive is named.
mkdir -p empty && cd empty
"$RENDER" --frame-at 1 x.png 2>err.txt
rc=$?
[ $rc = 1 ] || fail "no velk.dat gives exit code $rc"
grep -q "there is no velk.dat here" err.txt || fail "the missing velk.dat is not named: $(cat err.txt)"
cd ..
echo ok
