# A start position on the command line skips the music before it; a start at
# or past the end plays from the beginning.
source "$(dirname "$0")/lib.bash"
make_music 8
export GLORBE_LAUNCHER="fullscreen=0 soundDriver=1"
run_player 60 6.5
[ "$RC" = 0 ] || fail "exit code $RC: $ERR"
between "$ELAPSED" 1.0 7.5 || fail "start at 6.5 s of 8 s took $ELAPSED s"
run_player 60 8
[ "$RC" = 0 ] || fail "exit code $RC: $ERR"
between "$ELAPSED" 7.5 40 || fail "start past the end should play all 8 s, took $ELAPSED s"
run_player 60 1,5
[ "$RC" = 1 ] || fail "a malformed start position gives exit code 1, got $RC"
echo "$ERR" | grep -q "1,5" || fail "the message names the value: $ERR"
echo "ok"
