# Shared helpers of the end-to-end tests. GLORBE_BIN names the build folder.
set -u
TOOL="$GLORBE_BIN/glorbe-tool"
PLAYER="$GLORBE_BIN/glorbe"
WORK="$(mktemp -d /tmp/glorbe-e2e.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT

# with_xvfb CMD...: runs CMD with DISPLAY set to a virtual X server of its
# own (1024 x 768 x 24). Xvfb picks a free display number itself, so tests
# running side by side never race for one.
with_xvfb() {
  local fifo="$WORK/.displayfd.$$.$RANDOM" number pid rc
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  pid=$!
  read -r number <"$fifo"
  rm -f "$fifo"
  [ -n "$number" ] || { kill "$pid" 2>/dev/null; echo "cannot start Xvfb" >&2; return 125; }
  DISPLAY=":$number" "$@"
  rc=$?
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return $rc
}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# make_music SECONDS: quendar.mp3 in the scratch folder.
make_music() {
  "$TOOL" mp3 tune "$WORK/quendar.mp3" --seconds "$1" || fail "cannot make the test music"
}

# run_player TIMEOUT [ARGS...]: runs the player in the scratch folder on a
# virtual X server; sets RC, ELAPSED (seconds) and ERR (standard error).
run_player() {
  local limit="$1"
  shift
  local start end
  start=$(date +%s.%N)
  (cd "$WORK" && with_xvfb timeout "$limit" "$PLAYER" "$@" 2>"$WORK/stderr" >"$WORK/stdout")
  RC=$?
  end=$(date +%s.%N)
  ELAPSED=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }')
  ERR="$(cat "$WORK/stderr")"
}

between() {  # between VALUE LOW HIGH
  awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'
}
