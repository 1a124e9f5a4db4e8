# Live mode: the timeline's source is changed, compiled and packed into the
# archive while the show plays; the window shows the new colour soon after,
# the music position goes on without a jump, and only the timeline is
# reloaded. The time from the save to the new picture is printed (the goals
# are measured by bench/live_reload.sh, not asserted here).
source "$(dirname "$0")/lib.bash"
HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/live.bash"
live_show_folder
timeline() { colour_show "$@"; }  # timeline R G B: a show of one full-screen colour
timeline 1 0.5 0 || fail "cannot build the show"
export -f timeline colour_show

cat >"$WORK/session.sh" <<'INNER'
source "$LIB/live.bash"
live_start
wait_colour 320 240 "255 128 0" 60 >/dev/null || exit 3
sleep 1
saved=$(now)
timeline 0 1 0.5 || exit 4
took=$(wait_colour 320 240 "0 255 128" 20) || exit 5
echo "saved $saved"
echo "took $took"
sleep 1
live_end
INNER
out=$(cd "$WORK/show" && LIB="$HERE" PLAYER="$PLAYER" TOOL="$TOOL" WORK="$WORK" \
  with_xvfb timeout 150 bash "$WORK/session.sh") || fail "session: $out / $(cat "$WORK/stderr")"
grep -q "reloaded the timeline" "$WORK/stderr" || fail "no timeline reload: $(cat "$WORK/stderr")"
grep -q "reloaded the show" "$WORK/stderr" && fail "the whole show was reloaded for a timeline edit: $(cat "$WORK/stderr")"
saved=$(sed -n 's/^saved //p' <<<"$out")

# The music position in the frames around the save: it never steps back, and
# between two frames it moves as far as the wall clock did (within 0.3 s).
python3 - "$WORK/trace" "$saved" <<'PY' || fail "the music position jumped"
import sys, time
frames = [l.split()[1:] for l in open(sys.argv[1]) if l.startswith("frame ")]
frames = [(float(t) / 1000.0, int(ms) / 1000.0) for t, ms in frames]
assert len(frames) > 20, "too few frames traced"
# The trace's clock is monotonic: compare only neighbours.
worst = 0.0
for (t0, p0), (t1, p1) in zip(frames, frames[1:]):
    assert p1 >= p0, f"the position went back from {p0} to {p1}"
    worst = max(worst, abs((p1 - p0) - (t1 - t0)))
assert worst < 0.3, f"a frame moved the position {worst:.3f} s more or less than the clock"
print(f"position steady over {len(frames)} frames (worst drift between frames {worst:.3f} s)")
PY
echo "ok: new colour $(sed -n 's/^took //p' <<<"$out") s after the save; $(grep -m1 'reloaded the timeline' "$WORK/stderr")"
