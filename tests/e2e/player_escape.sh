# Escape ends the show at once with exit code 0; 'd' and other keys do not.
source "$(dirname "$0")/lib.bash"
make_music 40
export GLORBE_LAUNCHER="fullscreen=0 soundDriver=1"
cat >"$WORK/session.sh" <<'INNER'
"$PLAYER" 2>"$WORK/stderr" &
pid=$!
# Bounded: a player that ends before its window is found must not hang the test.
win=$(timeout 30 xdotool search --sync --name '^glORBE$' | head -1)
sleep 1.5
xdotool windowfocus --sync "$win"
xdotool key d D q
sleep 1
kill -0 $pid || { echo "the player ended on an ordinary key" >&2; exit 3; }
xdotool key Escape
wait $pid
echo "rc=$?"
INNER
start=$(date +%s)
out=$(cd "$WORK" && PLAYER="$PLAYER" WORK="$WORK" with_xvfb timeout 60 bash "$WORK/session.sh")
elapsed=$(( $(date +%s) - start ))
[ "$out" = "rc=0" ] || fail "session said: $out / $(cat "$WORK/stderr")"
[ "$elapsed" -lt 30 ] || fail "Escape did not end the show early ($elapsed s)"
echo "ok: ended after $elapsed s"
