# The bundled show: built by the build, every archive file within the load
# buffer's slot, its timeline ending within its music; played from near the
# end it ends by itself; a frame of every scene is a picture that differs
# from its neighbours.
source "$(dirname "$0")/lib.bash"
SHOW="$GLORBE_SOURCE/show"
[ -f "$SHOW/velk.dat" ] && [ -f "$SHOW/quendar.mp3" ] || fail "the show is not built in $SHOW"

"$TOOL" archive list "$SHOW/velk.dat" >"$WORK/list" || fail "cannot list the archive"
grep -qx "status 0" "$WORK/list" || fail "the archive registers with $(tail -1 "$WORK/list")"
for name in scripts/greetz.ini scripts/wembo.ini scripts/battle.ini scripts/guitar.ini scripts/flex.ini \
            scripts/alien.ini scripts/ant.ini scripts/greetz.sqp loader/0.hwl loader/4.hwl; do
  grep -q "^$name	" "$WORK/list" || fail "the archive lacks $name"
done
awk -F'\t' 'NF == 5 && $4 > 500000 { print $1 " has " $4 " bytes"; bad = 1 } END { exit bad }' "$WORK/list" \
  || fail "archive files over 500,000 bytes"

"$TOOL" archive cat "$SHOW/velk.dat" 'scripts\greetz.sqp' >"$WORK/greetz.sqp" || fail "no timeline"
end_tick=$("$TOOL" sqp dump "$WORK/greetz.sqp" | sed -n 's/^ *"endTick": *\([0-9-]*\).*/\1/p')
music_ms=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$SHOW/quendar.mp3" | awk '{ printf "%d", $1 * 1000 }')
[ -n "$end_tick" ] && [ -n "$music_ms" ] || fail "cannot read the end tick ($end_tick) or the music's length ($music_ms)"
[ $((end_tick * 1000 / 60)) -le "$music_ms" ] || fail "the timeline ends at tick $end_tick, after the music ($music_ms ms)"

# Played from 3 s before its end, without a sound device, the show ends by itself.
cp "$SHOW/velk.dat" "$SHOW/quendar.mp3" "$WORK/"
export GLORBE_LAUNCHER="fullscreen=0 soundDriver=1"
start_second=$(awk -v t="$end_tick" 'BEGIN { printf "%.2f", t / 60 - 3 }')
run_player 120 "$start_second"
[ "$RC" = 0 ] || fail "exit code $RC: $ERR"
between "$ELAPSED" 2.5 20 || fail "3 s of show took $ELAPSED s"

# A frame of every scene, 2D and 3D, is a picture (not one colour) and
# differs from the frames of the scenes before and after it. The seconds:
# the intro, the knot, the kaleidoscope, the ant, the warp, the battle field,
# the greetings hall, the tunnel, the fan, the blob in the feedback, the alien
# plain, the stage, the soft bodies, the outro.
seconds="10 20 35 42 50 58 66 73 80 92 108 120 128 138"
# One run at a frame a second from second 10 (the show loads once): the frame
# of second S is frame S - 10.
(cd "$WORK" && with_xvfb "$GLORBE_BIN/glorbe-render" --size 320x240 --fps 1 --from 10 --to 138 \
    --frames "$WORK/frames" 2>/dev/null) || fail "cannot render the show"
for second in $seconds; do
  ln -sf "$(printf '%s/frames/frame_%06d.png' "$WORK" $((second - 10)))" "$WORK/frame_$second.png"
  colours=$(python3 "$(dirname "$0")/png_pixels.py" colours "$WORK/frame_$second.png")
  [ "$colours" -gt 50 ] || fail "the frame at $second s has only $colours colours"
done
previous=""
for second in $seconds; do
  if [ -n "$previous" ]; then
    share=$(python3 "$(dirname "$0")/png_pixels.py" differ "$WORK/frame_$previous.png" "$WORK/frame_$second.png")
    awk -v s="$share" 'BEGIN { exit !(s > 0.3) }' || fail "the frames at $previous s and $second s differ in only $share of their pixels"
  fi
  previous=$second
done
echo ok
