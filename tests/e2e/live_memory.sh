# Live mode: 100 forced reloads of the bundled show (the r key) free every
# table and texture they replace: the player's resident memory after the
# last is within a few MB of what it was after the first.
source "$(dirname "$0")/lib.bash"
HERE="$(cd "$(dirname "$0")" && pwd)"
SHOW="$GLORBE_SOURCE/show"
[ -f "$SHOW/velk.dat" ] && [ -f "$SHOW/quendar.mp3" ] || fail "the show is not built in $SHOW"

cat >"$WORK/session.sh" <<'INNER'
source "$LIB/live.bash"
live_start 30
wait_text "watching" 1 120 || exit 3
key space  # paused: the frames cost little while the reloads run
rss() { awk '/VmRSS/ { print $2 }' "/proc/$PID/status"; }
for n in $(seq 100); do
  key r
  wait_text "reloaded the show" "$n" 60 || exit 4
  [ "$n" = 1 ] && echo "first $(rss)"
done
echo "last $(rss)"
live_end
INNER
out=$(cd "$SHOW" && LIB="$HERE" PLAYER="$PLAYER" WORK="$WORK" with_xvfb timeout 280 bash "$WORK/session.sh") ||
  fail "session: $out / $(tail -5 "$WORK/stderr")"
first=$(sed -n 's/^first //p' <<<"$out")
last=$(sed -n 's/^last //p' <<<"$out")
[ -n "$first" ] && [ -n "$last" ] || fail "no memory readings: $out"
grep -q "reload failed" "$WORK/stderr" && fail "a reload of the bundled show failed: $(grep 'reload failed' "$WORK/stderr")"
echo "resident memory after reload 1: $first kB, after reload 100: $last kB"
[ $((last - first)) -lt 8192 ] || fail "the player grew by $((last - first)) kB over 99 reloads"
echo "ok: $(grep 'reloaded the show' "$WORK/stderr" | tail -1)"
