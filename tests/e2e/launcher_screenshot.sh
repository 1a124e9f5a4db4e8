# The settings window looks as it did when its picture was stored (the
# layout, fonts, texts and colours of every control): a screenshot on a
# virtual 800 x 600 screen differs from tests/data/launcher_window.png in at
# most a few pixels. GLORBE_UPDATE_PICTURES=1 stores the new screenshot.
source "$(dirname "$0")/launcher.bash"
STORED="$GLORBE_SOURCE/tests/data/launcher_window.png"
TOLERANCE=40   # pixels whose colour differs by more than the fuzz below
FUZZ=25%

cat >"$WORK/shot.sh" <<'INNER'
source "$SESSION"
"$PLAYER" >"$WORK/stdout" 2>"$WORK/stderr" &
pid=$!
win=$(wait_window "$LAUNCHER_TITLE")
[ -n "$win" ] || { echo "no launcher window; windows: $(xdotool search --name . getwindowname 2>&1 | tr "\n" ,)"; exit; }
xdotool mousemove 0 0
# The window is drawn once it is mapped; take pictures until two agree.
import -window "$win" "$WORK/shot.png"
for i in $(seq 20); do
  sleep 0.3
  import -window "$win" "$WORK/again.png"
  cmp -s "$WORK/shot.png" "$WORK/again.png" && break
  mv "$WORK/again.png" "$WORK/shot.png"
done
kill $pid
echo "taken"
INNER
run_session 800x600x24 "$WORK/shot.sh"
[ "$OUT" = "taken" ] || fail "no screenshot: $OUT / $(cat "$WORK/stderr")"

if [ "${GLORBE_UPDATE_PICTURES:-0}" = 1 ]; then
  cp "$WORK/shot.png" "$STORED"
  echo "stored $STORED"
  exit 0
fi

# differing A B: the number of pixels that differ by more than the fuzz.
differing() {
  compare -metric AE -fuzz "$FUZZ" "$1" "$2" null: 2>&1
}

[ "$(identify -format '%wx%h' "$WORK/shot.png")" = "210x325" ] || fail "the screenshot is not 210 x 325"
count=$(differing "$WORK/shot.png" "$STORED")
if ! [[ "$count" =~ ^[0-9]+$ ]] || [ "$count" -gt "$TOLERANCE" ]; then
  kept="${TMPDIR:-/tmp}/launcher_window.actual.png"
  cp "$WORK/shot.png" "$kept"
  fail "the window differs from the stored picture in $count pixels (at most $TOLERANCE); it is in $kept"
fi

# The tolerance still sees a single control moved by two pixels.
convert "$STORED" \( +clone -crop 75x22+120+270 +repage \) -geometry +122+270 -composite "$WORK/moved.png"
moved=$(differing "$WORK/moved.png" "$STORED")
[ "$moved" -gt "$TOLERANCE" ] || fail "a button moved by two pixels differs in only $moved pixels"
echo "ok: $count pixels differ; a moved button would differ in $moved"
