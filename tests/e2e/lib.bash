# Shared helpers of the end-to-end tests. GLORBE_BIN names the build folder.
set -u
TOOL="$GLORBE_BIN/glorbe-tool"
PLAYER="$GLORBE_BIN/glorbe"
WORK="$(mktemp -d /tmp/glorbe-e2e.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT

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
  (cd "$WORK" && timeout "$limit" xvfb-run -a -s "-screen 0 1024x768x24" "$PLAYER" "$@" 2>"$WORK/stderr" >"$WORK/stdout")
  RC=$?
  end=$(date +%s.%N)
  ELAPSED=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }')
  ERR="$(cat "$WORK/stderr")"
}

between() {  # between VALUE LOW HIGH
  awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'
}
