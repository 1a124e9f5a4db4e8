# The music as heard at a PulseAudio null sink: on PulseAudio, SDL's default
# output and ALSA (through its PulseAudio plugin) the recording of the sink
# is the music, bit-exact, without gaps, from the exact start position, and
# the position the player reads each frame is what is heard within 20 ms;
# the sound layer alone the same, also across a seek.
source "$(dirname "$0")/lib.bash"
source "$(dirname "$0")/pulse.bash"
trap 'stop_pulse; rm -rf "$WORK"' EXIT
PROBE="$GLORBE_BIN/tests/glorbe-sound-probe"
start_pulse "$WORK/pulse" || fail "no PulseAudio server"

make_music 6
# A short show: two seconds of colour from second 1.5 to the end at 4.5.
mkdir -p "$WORK/show/scripts"
cat >"$WORK/show.timeline" <<'SRC'
name "heard"
end 4.5

track "green"
  length 4.5
  item GL STATE
    NAME = "CLEAR"
    VALUE = 7
  item GL FULLSCREENPOLY
    G = 0.6
    A = 1
SRC
"$TOOL" sqp build "$WORK/show.timeline" "$WORK/show/scripts/greetz.sqp" >/dev/null || fail "cannot build the timeline"
"$TOOL" archive pack "$WORK/velk.dat" "$WORK/show" >/dev/null || fail "cannot pack the show"

# check NAME STARTS: the recording NAME against the music and NAME's trace.
check() {
  "$PROBE" analyze "$WORK/quendar.mp3" "$WORK/$1.raw" "$WORK/$1.times" "$WORK/$1.trace" --starts "$2" \
    --max-offset 20 >"$WORK/$1.report" || fail "$1: $(cat "$WORK/$1.report")"
  echo "$1: $(tail -2 "$WORK/$1.report" | head -1)"
}

for output in 2 0 3; do
  # The player from 1.5 s to the end of its timeline.
  record_start "$WORK/player$output"
  (cd "$WORK" && GLORBE_TRACE="$WORK/player$output.trace" GLORBE_LAUNCHER="fullscreen=0 soundDriver=$output" \
    with_xvfb timeout 30 "$PLAYER" 1.5 2>"$WORK/stderr")
  rc=$?
  record_stop
  [ "$rc" = 0 ] || fail "output $output: exit code $rc: $(cat "$WORK/stderr")"
  check "player$output" 1500

  # The sound layer: from 1 s, then a seek to 3 s.
  record_start "$WORK/layer$output"
  "$PROBE" play "$WORK/quendar.mp3" "$WORK/layer$output.trace" --output "$output" --start-ms 1000 \
    --seconds 1.6 --seek-at 700 --seek-to 3000 || fail "output $output: the sound layer did not play"
  record_stop
  check "layer$output" 1000,3000
done
echo ok
