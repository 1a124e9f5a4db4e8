# "Outta here!" ends the program with exit code 0 before the display, the
# sound system or the archive are touched: no show window and no message box
# ever appears, although the folder has neither music nor archive (either
# would stop the program at a message box that waits for the user).
source "$(dirname "$0")/launcher.bash"

cat >"$WORK/quit.sh" <<'INNER'
source "$SESSION"
# The names of all mapped windows, sampled every 50 ms while the session runs.
( for ((i = 0; i < 400; ++i)); do
    for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do xdotool getwindowname "$id"; done
    sleep 0.05
  done >>"$WORK/windows" 2>/dev/null ) &
watcher=$!
trap 'kill $watcher 2>/dev/null' EXIT
"$PLAYER" >"$WORK/stdout" 2>"$WORK/stderr" &
pid=$!
win=$(wait_window "$LAUNCHER_TITLE")
[ -n "$win" ] || { echo "no launcher window; windows: $(xdotool search --name . getwindowname 2>&1 | tr "\n" ,)"; exit; }
timeout 10 xdotool windowfocus --sync "$win"
click "$win" 28 70        # Fullscreen cleared: a wrong path would open a window
click "$win" 157 281      # Outta here!
wait_exit $pid 10
sleep 0.5
INNER
run_session 800x600x24 "$WORK/quit.sh"
[ "$OUT" = "rc=0" ] || fail "quit: $OUT / $(cat "$WORK/stderr")"
[ "$(sort -u "$WORK/windows")" = "glORBE System Launcher" ] || fail "windows seen: $(sort -u "$WORK/windows")"
[ -s "$WORK/stderr" ] && fail "unexpected output: $(cat "$WORK/stderr")"
echo "ok"
