# Live mode keys: Space pauses the picture and the music and plays on from
# the same place; seeks move by their amounts (a bar of the timeline's tempo
# with Shift); a loop range repeats until Backspace clears it.
source "$(dirname "$0")/lib.bash"
HERE="$(cd "$(dirname "$0")" && pwd)"
make_music 60
mkdir -p "$WORK/scripts"
cat >"$WORK/show.timeline" <<'SRC'
name "keys"
tempo 120 4
end 59
track "grey ramp"
  length 59
  item GL STATE
    NAME = "CLEAR"
    VALUE = 7
  item GL FULLSCREENPOLY
    R = linear 0:0 1:1
    G = 0.5
    B = 0.5
    A = 1
SRC
"$TOOL" sqp build "$WORK/show.timeline" "$WORK/scripts/greetz.sqp" >/dev/null || fail "cannot build the timeline"

cat >"$WORK/session.sh" <<'INNER'
source "$LIB/live.bash"
live_start 20
wait_text "watching" 1 60 || exit 3
sleep 1.5
key space
wait_text "paused at" 1 20 || exit 4
paused=$(position_of "paused at")
echo "paused $paused"
before=$(pixel 320 240)
sleep 1.5
echo "still $before / $(pixel 320 240)"
# Seeks while paused land exactly where they say.
key Right;        wait_text "^glorbe: live: at " 1 20 || exit 5; echo "right $(position_of '^glorbe: live: at ')"
key shift+Right;  wait_text "^glorbe: live: at " 2 20 || exit 5; echo "bar $(position_of '^glorbe: live: at ')"
key shift+Left;   wait_text "^glorbe: live: at " 3 20 || exit 5; echo "barback $(position_of '^glorbe: live: at ')"
key Next;         wait_text "^glorbe: live: at " 4 20 || exit 5; echo "next $(position_of '^glorbe: live: at ')"
key Prior;        wait_text "^glorbe: live: at " 5 20 || exit 5; echo "prior $(position_of '^glorbe: live: at ')"
key Left;         wait_text "^glorbe: live: at " 6 20 || exit 5; echo "left $(position_of '^glorbe: live: at ')"
key Home;         wait_text "^glorbe: live: at " 7 20 || exit 5; echo "home $(position_of '^glorbe: live: at ')"
key End Right Right Right Right Right; wait_text "^glorbe: live: at " 12 20 || exit 5
key space
wait_text "playing from" 1 20 || exit 6
echo "resumed $(position_of 'playing from')"
# A loop of about a second and a half, left to run a few rounds.
sleep 0.5
key bracketleft
wait_text "loop from" 1 20 || exit 7
sleep 1.5
key bracketright
wait_text "loop from .* to " 1 20 || exit 7
echo "loop $(grep 'loop from .* to ' "$WORK/stderr" | tail -1)"
echo "loopset $(grep -c '^frame ' "$WORK/trace")"
sleep 5
key BackSpace
wait_text "no loop" 1 20 || exit 8
echo "cleared $(grep -c '^frame ' "$WORK/trace")"
sleep 3
live_end
INNER
out=$(cd "$WORK" && LIB="$HERE" PLAYER="$PLAYER" WORK="$WORK" \
  with_xvfb timeout 200 bash "$WORK/session.sh") || fail "session: $out / $(cat "$WORK/stderr")"
echo "$out"
python3 - "$WORK/trace" <<PY || fail "see above; stderr: $(cat "$WORK/stderr")"
import re, sys
out = """$out"""
v = dict((m.group(1), m.group(2)) for m in re.finditer(r"^(\w+) (.*)$", out, re.M))
paused = float(v["paused"])
assert paused >= 20.0, f"--live 20 started at 20 s, paused at {paused}"
before, after = v["still"].split(" / ")
assert before == after, f"the picture moved while paused: {before} then {after}"
def close(a, b): return abs(a - b) < 0.015
# 120 beats a minute, 4 beats a bar: a bar is 2 s.
want = {"right": paused + 1, "bar": paused + 3, "barback": paused + 1, "next": paused + 11,
        "prior": paused + 1, "left": paused, "home": 0.0}
for k, w in want.items():
    assert close(float(v[k]), w), f"{k}: at {v[k]} s, wanted {w:.2f}"
assert close(float(v["resumed"]), 5.0), f"played on from {v['resumed']}, not where the seeks left it (5 s)"

m = re.search(r"loop from ([\d.]+) s.* to ([\d.]+) s", v["loop"])
start, end = float(m.group(1)), float(m.group(2))
assert 0.8 < end - start < 4, f"loop {start}..{end}"
positions = [int(l.split()[2]) / 1000 for l in open(sys.argv[1]) if l.startswith("frame ")]
set_at, cleared_at = int(v["loopset"]), int(v["cleared"])
# Between the loop's set-up and Backspace the position stays within the
# range and goes back to its start every round; after Backspace it passes
# the end.
looped = positions[set_at:cleared_at]
rounds = sum(1 for a, b in zip(looped, looped[1:]) if b < a)
assert len(looped) > 10, "too few frames traced during the loop"
assert rounds >= 2, f"the loop went round {rounds} times in 5 s"
assert all(start - 0.02 <= p <= end + 0.25 for p in looped), "the position left the loop range"
assert max(positions[cleared_at:]) > end + 1.0, "the show did not go on past the loop after Backspace"
print(f"ok: paused at {paused}, seeks exact, loop {start}-{end} ran {rounds} rounds")
PY
