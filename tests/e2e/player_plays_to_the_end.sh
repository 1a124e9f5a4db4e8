# The player plays a short stream and ends at its end with exit code 0.
source "$(dirname "$0")/lib.bash"
make_music 3
export GLORBE_LAUNCHER="fullscreen=0 soundDriver=1"
run_player 60
[ "$RC" = 0 ] || fail "exit code $RC: $ERR"
between "$ELAPSED" 2.5 30 || fail "took $ELAPSED s for a 3 s stream"
echo "ok: played 3 s in $ELAPSED s"
