#!/usr/bin/env bash
# How far the reported music position is from the music heard, per output:
# a PulseAudio null sink of its own is recorded while the sound layer plays a
# generated tune from 1 s and seeks to 3 s half a second later (0 SDL's
# default output, 2 PulseAudio, 3 ALSA through its PulseAudio plugin), and
# while the player plays a short show from 2.5 s.
#   bench/av_offset.sh BUILD_DIR
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export GLORBE_BIN="$(cd "${1:?build folder}" && pwd)"
WORK="$(mktemp -d /tmp/glorbe-av.XXXXXX)"
source "$ROOT/tests/e2e/pulse.bash"
trap 'stop_pulse; rm -rf "$WORK"' EXIT
start_pulse "$WORK/pulse" || exit 1
PROBE="$GLORBE_BIN/tests/glorbe-sound-probe"
"$GLORBE_BIN/glorbe-tool" mp3 tune "$WORK/quendar.mp3" --seconds 6 >/dev/null
for output in 0 2 3; do
  echo "== sound layer, output $output"
  record_start "$WORK/layer$output"
  "$PROBE" play "$WORK/quendar.mp3" "$WORK/layer$output.trace" --output "$output" --start-ms 1000 --seconds 3 \
    --seek-at 1500 --seek-to 3000
  record_stop
  "$PROBE" analyze "$WORK/quendar.mp3" "$WORK/layer$output.raw" "$WORK/layer$output.times" \
    "$WORK/layer$output.trace" --starts 1000,3000
done
for output in 0 2 3; do
  echo "== player, output $output"
  record_start "$WORK/player$output"
  (cd "$WORK" && GLORBE_TRACE="$WORK/player$output.trace" GLORBE_LAUNCHER="fullscreen=0 soundDriver=$output" \
    xvfb-run -a timeout -s KILL 20 "$GLORBE_BIN/glorbe" 2.5 2>/dev/null)
  record_stop
  "$PROBE" analyze "$WORK/quendar.mp3" "$WORK/player$output.raw" "$WORK/player$output.times" \
    "$WORK/player$output.trace" --starts 2500
done
