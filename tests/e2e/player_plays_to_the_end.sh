# The player plays a short stream and ends at its end with exit code 0.
source "$(dirname "$0")/lib.bash"
make_music 3
export GLORBE_LAUNCHER="fullscreen=0 soundDriver=1"
run_player 60
[ "$RC" = 0 ] || fail "exit code $RC: $ERR"
between "$ELAPSED" 2.5 30 || fail "took $ELAPSED s for a 3 s stream"
echo "ok: played 3 s without a device in $ELAPSED s"

# The same through a sound device: SDL's dummy driver plays at real-time speed.
export SDL_AUDIODRIVER=dummy GLORBE_LAUNCHER="fullscreen=0 soundDriver=0"
run_player 60
[ "$RC" = 0 ] || fail "exit code $RC with a device: $ERR"
between "$ELAPSED" 2.5 30 || fail "took $ELAPSED s for a 3 s stream on a device"
echo "ok: played 3 s on a device in $ELAPSED s"
