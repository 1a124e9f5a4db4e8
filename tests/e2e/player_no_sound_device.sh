# Where ALSA finds no sound card, the player says only its own words: the
# software-renderer warning and "FMOD Error: Couldn't init FMOD!", none of
# the ALSA library's lines. (On a machine with a card the show plays; then
# nothing is left to check.)
source "$(dirname "$0")/lib.bash"
make_music 1
export GLORBE_LAUNCHER="fullscreen=0 soundDriver=3"
run_player 60
[ "$RC" = 0 ] || fail "exit code $RC: $ERR"
if echo "$ERR" | grep -q "FMOD Error"; then
  [ "$(echo "$ERR" | grep -v '^Warning: This mode is not 3d-hardware-accelerated')" = "FMOD Error: Couldn't init FMOD!" ] ||
    fail "standard error was: $ERR"
fi
echo "ok"
