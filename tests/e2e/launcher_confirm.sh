# The settings window opens centred with its title and size. Return, a
# click on "Let's trip!" and closing the window all confirm it and open the
# display with the window's choices. The virtual X server cannot switch
# modes, so a fullscreen choice shows up as the refusal box whose caption is
# the game-mode string; a windowed choice starts the show.
source "$(dirname "$0")/launcher.bash"
make_music 2

# Return takes the defaults: fullscreen at the listed 800x600 / 32.
cat >"$WORK/return.sh" <<'INNER'
source "$SESSION"
"$PLAYER" >"$WORK/stdout" 2>"$WORK/stderr" &
pid=$!
win=$(wait_window "$LAUNCHER_TITLE")
[ -n "$win" ] || { echo "no launcher window; windows: $(xdotool search --name . getwindowname 2>&1 | tr "\n" ,)"; exit; }
xdotool getwindowgeometry "$win" | tr -s ' \n' ' '
echo
press "$win" Return
box=$(wait_window '^800x600:32@60$' 30)
[ -n "$box" ] || { echo "no refusal box for 800x600:32@60"; kill $pid; exit; }
xdotool search --name "$LAUNCHER_TITLE" >/dev/null && echo "the launcher window stayed open"
press "$box" Return
wait_exit $pid
INNER
run_session 800x600x24 "$WORK/return.sh"
expected="Window WINDOW Position: 295,137 (screen: 0) Geometry: 210x325 
rc=0"
[ "$(echo "$OUT" | sed 's/Window [0-9]*/Window WINDOW/')" = "$expected" ] || fail "Return: $OUT / $(cat "$WORK/stderr")"

# Without an 800x600 / 32 entry nothing is selected and the screen's own mode
# is used, at the bits per pixel the server stores for depth 16. Escape
# leaves the window open; closing it confirms.
cat >"$WORK/close.sh" <<'INNER'
source "$SESSION"
"$PLAYER" >"$WORK/stdout" 2>"$WORK/stderr" &
pid=$!
win=$(wait_window "$LAUNCHER_TITLE")
[ -n "$win" ] || { echo "no launcher window; windows: $(xdotool search --name . getwindowname 2>&1 | tr "\n" ,)"; exit; }
xdotool getwindowgeometry "$win" | grep Position
press "$win" Escape
sleep 1
kill -0 $pid 2>/dev/null || { echo "Escape ended the launcher"; exit; }
close_window "$win"
box=$(wait_window '^1024x768:16@60$' 30)
[ -n "$box" ] || { echo "no refusal box for 1024x768:16@60"; kill $pid; exit; }
press "$box" Return
wait_exit $pid
INNER
run_session 1024x768x16 "$WORK/close.sh"
[ "$OUT" = "$(printf '  Position: 407,221 (screen: 0)\nrc=0')" ] || fail "close: $OUT / $(cat "$WORK/stderr")"

# Fullscreen cleared, "No Sound" chosen, "Let's trip!" clicked: the show
# plays in an 800 x 600 window to the end of its music. Without a sound
# device "Default" could not start, so the show playing means the sound
# choice arrived. The software renderer of the virtual server is reported
# in a warning box first.
cat >"$WORK/click.sh" <<'INNER'
source "$SESSION"
"$PLAYER" >"$WORK/stdout" 2>"$WORK/stderr" &
pid=$!
win=$(wait_window "$LAUNCHER_TITLE")
[ -n "$win" ] || { echo "no launcher window; windows: $(xdotool search --name . getwindowname 2>&1 | tr "\n" ,)"; exit; }
timeout 10 xdotool windowfocus --sync "$win"
click "$win" 28 70        # Fullscreen box
click "$win" 80 223       # Sound Driver list
sleep 0.5
xdotool key Down Return   # "No Sound" in the open list
sleep 0.3
click "$win" 47 281       # Let's trip!
warning=$(wait_window '^Warning$' 60)
[ -n "$warning" ] || { echo "no renderer warning"; kill $pid; exit; }
show=$(xdotool search --name '^glORBE$' | head -1)
[ -n "$show" ] && xdotool getwindowgeometry "$show" | grep Geometry
press "$warning" Return
# A dismissed box leaves the screen while the show plays on.
sleep 1
xdotool search --onlyvisible --name '^Warning$' >/dev/null && echo "the warning box stayed on the screen"
wait_exit $pid
INNER
start=$(date +%s)
run_session 800x600x24 "$WORK/click.sh"
elapsed=$(( $(date +%s) - start ))
[ "$OUT" = "$(printf '  Geometry: 800x600\nrc=0')" ] || fail "click: $OUT / $(cat "$WORK/stderr")"
[ "$elapsed" -ge 2 ] || fail "the show ended after $elapsed s, before its 2 s of music"
grep -q "FMOD" "$WORK/stderr" && fail "the sound system complained: $(cat "$WORK/stderr")"
echo "ok"
