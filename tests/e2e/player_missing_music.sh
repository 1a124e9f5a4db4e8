# Without quendar.mp3 the player says so and ends with exit code 0.
source "$(dirname "$0")/lib.bash"
export GLORBE_LAUNCHER="fullscreen=0 soundDriver=1"
run_player 60
[ "$RC" = 0 ] || fail "exit code $RC"
echo "$ERR" | grep -qx "FMOD Error: Couldn't load quendar.mp3!" || fail "stderr was: $ERR"
echo "ok"
