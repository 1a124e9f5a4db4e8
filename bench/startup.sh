#!/usr/bin/env bash
# Runs the start-up benchmark with a PulseAudio null sink and a virtual X
# server of its own, so that every sound output has a device:
#   bench/startup.sh BUILD_DIR [benchmark options]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "${1:?build folder}" && pwd)"
shift
WORK="$(mktemp -d /tmp/glorbe-startup.XXXXXX)"
source "$ROOT/tests/e2e/pulse.bash"
trap 'stop_pulse; rm -rf "$WORK"' EXIT
start_pulse "$WORK/pulse"
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$BUILD/bench/bench_startup_bench" "$@"
