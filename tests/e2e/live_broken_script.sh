# Live mode: a scene script with an invalid number makes the reload fail;
# the show goes on with its old content (the timeline changed together with
# the script is not taken either), and the error is on standard error and on
# the screen. Mended, the next build reloads everything. Started on a show
# with such a number, the live player plays it with 0 in its place and says
# so, instead of ending.
source "$(dirname "$0")/lib.bash"
HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/live.bash"
live_show_folder
build() {  # build R G B SIDE: the timeline's colour and a material's side
  printf '[MATERIALS]\r\nPARAM = BLANK, ?, %s, RGB, NORMAL, CLAMP, 1, 0, 0\r\n' "$4" >"$WORK/files/scripts/greetz.ini"
  colour_show "$1" "$2" "$3"
}
build 0 0 1 6y4 || fail "cannot build the show"
export -f build colour_show

cat >"$WORK/session.sh" <<'INNER'
source "$LIB/live.bash"
live_start
wait_colour 320 240 "0 0 255" 60 >/dev/null || exit 3
wait_text "loaded with an error: '6Y4'" 1 30 || exit 3
build 0 0 1 64 || exit 3
wait_text "reloaded the show" 1 30 || exit 3
build 0 1 0 6x4 || exit 4
wait_text "reload failed" 1 30 || exit 5
sleep 1
kill -0 "$PID" || { echo "the player ended" >&2; exit 6; }
echo "centre $(pixel 320 240)"
# The error is written in red over the picture, in the lower half.
timeout 5 import -window "$WIN" -crop 640x160+0+250 -depth 8 txt:- 2>/dev/null |
  sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' |
  awk '$1 > 150 && $2 < 110 && $3 < 110 { n++ } END { print "red", n + 0 }'
build 0 1 0 32 || exit 7
wait_colour 320 240 "0 255 0" 30 >/dev/null || exit 8
wait_text "reloaded the show" 2 30 || exit 9
live_end
INNER
out=$(cd "$WORK/show" && LIB="$HERE" PLAYER="$PLAYER" TOOL="$TOOL" WORK="$WORK" \
  with_xvfb timeout 200 bash "$WORK/session.sh") || fail "session: $out / $(cat "$WORK/stderr")"
grep -q "'6X4' is not a valid number in scripts.greetz.ini" "$WORK/stderr" ||
  fail "the error does not name the value and the script: $(cat "$WORK/stderr")"
near() { python3 -c 'import sys; a=list(map(int,sys.argv[1].split())); b=list(map(int,sys.argv[2].split())); sys.exit(0 if all(abs(x-y)<=4 for x,y in zip(a,b)) else 1)' "$1" "$2"; }
centre=$(sed -n 's/^centre //p' <<<"$out")
near "$centre" "0 0 255" || fail "the picture changed to $centre after a failed reload"
red=$(sed -n 's/^red //p' <<<"$out")
[ "${red:-0}" -gt 20 ] || fail "no error text on the screen ($red red pixels)"
echo "ok: old picture kept, error shown ($red red pixels), mended show reloaded"
