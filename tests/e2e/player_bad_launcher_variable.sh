# A malformed GLORBE_LAUNCHER pair is named on standard error; exit code 2.
source "$(dirname "$0")/lib.bash"
make_music 2
export GLORBE_LAUNCHER="fullscreen=0 soundDriver=9"
run_player 60
[ "$RC" = 2 ] || fail "exit code $RC"
echo "$ERR" | grep -q '"soundDriver=9"' || fail "stderr was: $ERR"
echo "ok"
