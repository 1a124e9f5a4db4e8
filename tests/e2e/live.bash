# Helpers of the live-mode tests: a live player on the virtual X server of
# the session, its window's pixels, and waits that poll with generous limits
# (the machines that run the tests may be busy).
#
# Used inside a session script run by with_xvfb; the session's folder is the
# show's folder.

# live_start [SECONDS]: starts "glorbe --live" (640x480, no sound device) with
# its standard error in $WORK/stderr and its frame trace in $WORK/trace; sets
# PID and WIN.
live_start() {
  GLORBE_LAUNCHER="width=640 height=480 fullscreen=0 soundDriver=1" GLORBE_TRACE="$WORK/trace" \
    "$PLAYER" --live "$@" 2>"$WORK/stderr" &
  PID=$!
  WIN=$(timeout 60 xdotool search --sync --name '^glORBE$' | head -1)
  [ -n "$WIN" ] || { echo "no player window" >&2; exit 3; }
}

# pixel X Y: "R G B" of the window's pixel.
pixel() {
  timeout 5 import -window "$WIN" -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' | head -1
}

# near "R G B" "R G B": within 4 of each other in every channel.
near() {
  python3 -c 'import sys; a=list(map(int,sys.argv[1].split())); b=list(map(int,sys.argv[2].split())); sys.exit(0 if len(a)==3 and all(abs(x-y)<=4 for x,y in zip(a,b)) else 1)' "$1" "$2"
}

now() { date +%s.%N; }

# wait_colour X Y "R G B" LIMIT: polls until the pixel has the colour; prints
# the seconds it took; fails after LIMIT seconds.
wait_colour() {
  local start c
  start=$(now)
  while :; do
    c=$(pixel "$1" "$2")
    if [ -n "$c" ] && near "$c" "$3"; then
      awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.2f\n", b - a }'
      return 0
    fi
    if ! awk -v a="$start" -v b="$(now)" -v l="$4" 'BEGIN { exit !(b - a < l) }'; then
      echo "pixel $1,$2 is \"$c\", not \"$3\", after $4 s" >&2
      return 1
    fi
    sleep 0.05
  done
}

# wait_text PATTERN COUNT LIMIT: polls the player's standard error until
# PATTERN (grep -E) is on at least COUNT lines.
wait_text() {
  local start
  start=$(now)
  while [ "$(grep -cE "$1" "$WORK/stderr" 2>/dev/null || true)" -lt "$2" ]; do
    kill -0 "$PID" 2>/dev/null || { echo "the player ended: $(cat "$WORK/stderr")" >&2; return 1; }
    if ! awk -v a="$start" -v b="$(now)" -v l="$3" 'BEGIN { exit !(b - a < l) }'; then
      echo "no \"$1\" (x$2) after $3 s: $(cat "$WORK/stderr")" >&2
      return 1
    fi
    sleep 0.05
  done
}

# The seconds of the last stderr line matching PATTERN that names a
# position ("... 12.35 s").
position_of() {
  grep -E "$1" "$WORK/stderr" | tail -1 | sed -n 's/.* \([0-9][0-9]*\.[0-9][0-9]\) s.*/\1/p'
}

key() {
  xdotool windowfocus --sync "$WIN" 2>/dev/null
  xdotool key "$@"
}

live_end() {
  key Escape
  local i
  for i in $(seq 100); do kill -0 "$PID" 2>/dev/null || break; sleep 0.1; done
  kill "$PID" 2>/dev/null
  wait "$PID"
}

# Shows that a live test edits while it plays (used outside the session,
# where lib.bash is sourced, and by its functions exported into it):

# live_show_folder: 40 seconds of music in $WORK/show, the folder the player
# reads; the archive's files are staged in $WORK/files, as the build stages
# them.
live_show_folder() {
  make_music 40
  mkdir -p "$WORK/files/scripts" "$WORK/show"
  mv "$WORK/quendar.mp3" "$WORK/show/"
}

# colour_show R G B: the timeline source $WORK/show.timeline of one
# full-screen colour for 39 seconds, compiled into the staged files, and the
# archive packed from them.
colour_show() {
  cat >"$WORK/show.timeline" <<SRC
name "live"
tempo 120
end 39
track "the colour"
  length 39
  item GL STATE
    NAME = "CLEAR"
    VALUE = 7
  item GL FULLSCREENPOLY
    R = $1
    G = $2
    B = $3
    A = 1
SRC
  "$TOOL" sqp build "$WORK/show.timeline" "$WORK/files/scripts/greetz.sqp" >/dev/null &&
    "$TOOL" archive pack "$WORK/show/velk.dat" "$WORK/files" 2>/dev/null
}
