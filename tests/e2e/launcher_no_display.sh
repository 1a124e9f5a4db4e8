# Without an X display the settings window cannot be created: the failure
# and its reason go to standard error and the program ends with exit code 1.
source "$(dirname "$0")/launcher.bash"
cd "$WORK"

env -u DISPLAY "$PLAYER" 2>stderr >stdout
rc=$?
[ "$rc" = 1 ] || fail "no DISPLAY: exit code $rc"
[ "$(sed -n 1p stderr)" = "Warning: Launcher: WinCreate failed." ] || fail "no DISPLAY: $(cat stderr)"
grep -q "DISPLAY is not set" stderr || fail "no DISPLAY: the reason is missing: $(cat stderr)"

DISPLAY=:4711 "$PLAYER" 2>stderr >stdout
rc=$?
[ "$rc" = 1 ] || fail "unreachable display: exit code $rc"
[ "$(sed -n 1p stderr)" = "Warning: Launcher: WinCreate failed." ] || fail "unreachable display: $(cat stderr)"
grep -q '":4711" cannot be opened' stderr || fail "unreachable display: the reason is missing: $(cat stderr)"
echo "ok"
