# The virtual X server cannot switch modes: game mode is refused with the mode
# string as the caption, exit code 0.
source "$(dirname "$0")/lib.bash"
make_music 2
export GLORBE_LAUNCHER="soundDriver=1 width=800 height=600 bits=32"
run_player 60
[ "$RC" = 0 ] || fail "exit code $RC"
echo "$ERR" | grep -qx "800x600:32@60: This fullscreen mode is not supported by your video card. Please choose another mode in the Settings Screen." \
  || fail "stderr was: $ERR"
echo "ok"
