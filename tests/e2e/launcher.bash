# Helpers of the settings-window tests: each test writes a session script
# that drives the player's launcher window with xdotool on a virtual X
# server of a chosen screen size.
source "$(dirname "${BASH_SOURCE[0]}")/lib.bash"
unset GLORBE_LAUNCHER FLTK_SCHEME
LAUNCHER_SESSION="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/launcher_session.bash"

# run_session SCREEN SCRIPT: runs the session script (bash) in the scratch
# folder on a virtual X server with screen SCREEN (e.g. 800x600x24); sets
# OUT to what it printed on standard output. The script finds its helpers
# with: source "$SESSION".
run_session() {
  local screen="$1" script="$2"
  OUT=$(cd "$WORK" && PLAYER="$PLAYER" WORK="$WORK" SESSION="$LAUNCHER_SESSION" \
    timeout 120 xvfb-run -a -s "-screen 0 $screen" bash "$script" 2>"$WORK/session.err")
}
