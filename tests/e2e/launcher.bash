# Helpers of the settings-window tests: each test writes a session script
# that drives the player's launcher window with xdotool on a virtual X
# server of a chosen screen size.
source "$(dirname "${BASH_SOURCE[0]}")/lib.bash"
unset GLORBE_LAUNCHER FLTK_SCHEME
LAUNCHER_SESSION="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/launcher_session.bash"

# run_session SCREEN SCRIPT: runs the session script (bash) in the scratch
# folder on a virtual X server of its own with screen SCREEN (e.g.
# 800x600x24); sets OUT to what it printed on standard output. The script
# finds its helpers with: source "$SESSION". The server chooses a free
# display number itself (-displayfd), so tests running side by side never
# share one; it does not reset when its last client leaves, which the
# helpers' short-lived xdotool connections would otherwise cause.
run_session() {
  local screen="$1" script="$2" server i
  rm -f "$WORK/display"
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$WORK/display" 2>"$WORK/xvfb.err" &
  server=$!
  for ((i = 0; i < 100; ++i)); do
    [ -s "$WORK/display" ] && break
    sleep 0.1
  done
  [ -s "$WORK/display" ] || fail "the virtual X server did not start: $(cat "$WORK/xvfb.err")"
  OUT=$(cd "$WORK" && DISPLAY=":$(head -1 "$WORK/display")" PLAYER="$PLAYER" WORK="$WORK" \
    SESSION="$LAUNCHER_SESSION" timeout 120 bash "$script" 2>"$WORK/session.err")
  kill "$server"
  wait "$server" 2>/dev/null
}
