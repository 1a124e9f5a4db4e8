# While the music plays on a sound device, SIGTERM and SIGINT end the player
# at once, with the X screen saver given back; a PulseAudio server that goes
# away in the middle of the show leaves the show running to its end on the
# monotonic clock.
source "$(dirname "$0")/lib.bash"
source "$(dirname "$0")/pulse.bash"
trap 'stop_pulse; rm -rf "$WORK"' EXIT
start_pulse "$WORK/pulse" || fail "no PulseAudio server"
make_music 30

cat >"$WORK/session.sh" <<'INNER'
xset s 600
"$PLAYER" 2>"$WORK/stderr" &
pid=$!
timeout 30 xdotool search --sync --name '^glORBE$' >/dev/null
sleep 1.5
saver_during=$(xset q | awk '/timeout:/ { print $2; exit }')
sent=$(date +%s.%N)
kill -"$SIGNAL" $pid
wait $pid
rc=$?
ended=$(date +%s.%N)
echo "$rc $(awk -v a="$sent" -v b="$ended" 'BEGIN { printf "%.2f", b - a }') $saver_during $(xset q | awk '/timeout:/ { print $2; exit }')"
INNER
for output in 2 0; do
  for signal in TERM INT; do
    out=$(cd "$WORK" && GLORBE_LAUNCHER="fullscreen=0 soundDriver=$output" PLAYER="$PLAYER" WORK="$WORK" \
      SIGNAL=$signal with_xvfb timeout 60 bash "$WORK/session.sh")
    read -r rc took during after <<<"$out"
    want=$([ $signal = TERM ] && echo 143 || echo 130)
    [ "$rc" = "$want" ] || fail "output $output, SIG$signal: exit code $rc, not $want ($out) $(cat "$WORK/stderr")"
    between "$took" 0 1.5 || fail "output $output, SIG$signal: the player took $took s to end"
    [ "$during" = 0 ] || fail "the screen saver was on during the show ($out)"
    [ "$after" = 600 ] || fail "output $output, SIG$signal: the screen saver was not given back ($out)"
  done
done

# The server is killed 1.5 s into a 4 s stretch of the show: the show goes on
# and ends on time.
cat >"$WORK/gone.sh" <<'INNER'
start=$(date +%s.%N)
"$PLAYER" 26 2>"$WORK/stderr" &
pid=$!
sleep 1.5
kill "$PULSE_PID"
wait $pid
rc=$?
echo "$rc $(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')"
INNER
out=$(cd "$WORK" && GLORBE_LAUNCHER="fullscreen=0 soundDriver=2" PLAYER="$PLAYER" WORK="$WORK" PULSE_PID="$PULSE_PID" \
  with_xvfb timeout 60 bash "$WORK/gone.sh")
read -r rc elapsed <<<"$out"
[ "$rc" = 0 ] || fail "with the server gone: exit code $rc: $(cat "$WORK/stderr")"
between "$elapsed" 3.5 7 || fail "4 s of show with the server gone took $elapsed s"
echo "ok"
