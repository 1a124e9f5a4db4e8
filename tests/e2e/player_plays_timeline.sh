# The player plays a timeline built with glorbe-tool sqp: coloured
# full-screen layers that change with the music's position, and the show
# ends at the timeline's end, before the music does. Each colour stays for
# seconds, so a screenshot that takes long on a busy machine still sees it.
source "$(dirname "$0")/lib.bash"
make_music 15
mkdir -p "$WORK/scripts"
cat >"$WORK/show.timeline" <<'SRC'
name "colours"
end 7

track "orange"
  length 4
  item GL STATE
    NAME = "CLEAR"
    VALUE = 7
  item GL FULLSCREENPOLY
    R = 1
    G = 0.5
    B = 0
    A = 1

track "sky, a layer above a dark blue clear"
  start 4
  length 3
  layer 5
  item GL CLEARCOLOR
    B = 0.25
  item GL STATE
    NAME = "CLEAR"
    VALUE = 3
  item GL STATE
    NAME = "BLEND"
    VALUE = 1
  item GL STATE
    NAME = "BLENDFUNC"
    VALUE = 0
  item GL FULLSCREENPOLY
    R = 0
    G = 0.75
    B = 1
    A = 0.5
SRC
"$TOOL" sqp build "$WORK/show.timeline" "$WORK/scripts/greetz.sqp" >/dev/null || fail "cannot build the timeline"

export GLORBE_LAUNCHER="fullscreen=0 soundDriver=1"
cat >"$WORK/session.sh" <<'INNER'
start=$(date +%s.%N)
"$PLAYER" 2>"$WORK/stderr" &
pid=$!
# Bounded: a player that ends before its window is found must not hang the test.
win=$(timeout 30 xdotool search --sync --name '^glORBE$' | head -1)
# The centre of the window, about every 0.2 s, until the player ends. A
# capture that meets the window as it closes can wait for ever: each is
# given 5 s.
while kill -0 $pid 2>/dev/null; do
  if timeout 5 import -window "$win" -crop 1x1+400+300 -depth 8 txt:- 2>/dev/null |
      sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' | head -1 >>"$WORK/colours"; then :; fi
  sleep 0.2
done
wait $pid
rc=$?
end=$(date +%s.%N)
echo "$rc $(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }')"
INNER
out=$(cd "$WORK" && PLAYER="$PLAYER" WORK="$WORK" with_xvfb timeout 60 bash "$WORK/session.sh")
read -r rc elapsed <<<"$out"
[ "$rc" = 0 ] || fail "exit code $rc: $(cat "$WORK/stderr")"
between "$elapsed" 6.5 14.5 || fail "took $elapsed s for a 7 s timeline over 15 s of music"

# Orange first, then the sky blue blended half over dark blue
# (0, 0.75 x 0.5, 0.5 + 0.25 x 0.5) = (0, 96, 159), and nothing after it.
python3 - "$WORK/colours" <<'PY' || fail "the colours were: $(tr '\n' ' ' <"$WORK/colours")"
import sys
seen = [tuple(map(int, l.split())) for l in open(sys.argv[1]) if l.strip()]
near = lambda c, want: all(abs(a - b) <= 3 for a, b in zip(c, want))
orange = [i for i, c in enumerate(seen) if near(c, (255, 128, 0))]
sky = [i for i, c in enumerate(seen) if near(c, (0, 96, 159))]
assert orange and sky, "both layers were seen"
assert max(orange) < min(sky), "orange came before the sky"
assert all(near(c, (0, 96, 159)) for c in seen[min(sky):]), "the sky stayed to the end"
PY
echo "ok: orange, then sky, ended after $elapsed s"
