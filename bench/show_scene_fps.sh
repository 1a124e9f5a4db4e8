#!/usr/bin/env bash
# Frames per second of every scene of the bundled show in glorbe-render at
# 800 x 600, and the show's loading phase. glorbe-render's clock is its frame
# counter, so each span is rendered at 60 frames a second of show time and
# its last progress line gives how many it drew per second of real time.
# On a machine shared with other work that rate says more about the others
# than about the scene, so the CPU time the frames took is measured too (a
# run of the span less a run of its first frame, which loads the show just
# the same): frames per CPU second. llvmpipe draws on every core, so on an
# idle machine the frame rate lies between that figure and twice it (2 cores).
#
#   bench/show_scene_fps.sh [BUILD_DIR] [SECONDS_PER_SCENE] [SHOW_DIR]
#
# Needs an X display (xvfb-run -a) and the built show (show/ unless given). The loading
# phase is read from the player's timing record (GLORBE_TRACE): from the
# first loading screen to the end of loading.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "${1:-$ROOT/build}" && pwd)"
SPAN="${2:-3}"
SHOW="$(cd "${3:-$ROOT/show}" && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
cp "$SHOW/velk.dat" "$SHOW/quendar.mp3" "$WORK/"
cd "$WORK"

# scene, first second shown (each span starts a second in, where the scene is
# already on screen)
scenes=(
  "intro (2D)          1"
  "knot over the floor 17"
  "kaleidoscope (2D)   32"
  "ant                 40"
  "warp (2D)           48"
  "battle field        56"
  "greetings hall      63"
  "tunnel (2D)         71"
  "fan (2D)            79"
  "blob in feedback    87"
  "alien plain         102"
  "stage               118"
  "soft bodies         125"
  "outro (2D)          133"
)
cpu() {  # FROM TO: user + system seconds of a render from FROM to the frame at TO
  /usr/bin/time -f "%U %S" -o cpu "$BUILD/glorbe-render" --size 800x600 --fps 60 --from "$1" --frame-at "$2" --exact frame.png \
    2>progress >/dev/null
  awk '{ print $1 + $2 }' cpu
}
printf '%-22s %10s %18s\n' "scene" "frames/s" "frames/CPU second"
for entry in "${scenes[@]}"; do
  name="${entry% *}"
  from="${entry##* }"
  to=$(awk -v f="$from" -v s="$SPAN" 'BEGIN { print f + s }')
  one=$(cpu "$from" "$from")
  all=$(cpu "$from" "$to")
  rate=$(tr '\r' '\n' <progress | grep -o '[0-9.]* frames/s' | tail -1)
  per_cpu=$(awk -v a="$all" -v o="$one" -v s="$SPAN" 'BEGIN { d = a - o; if (d > 0) printf "%.0f", s * 60 / d; else print "?" }')
  printf '%-22s %10s %18s\n' "$(echo $name)" "${rate% frames/s}" "$per_cpu"
done

GLORBE_TRACE="$WORK/trace" GLORBE_LAUNCHER="fullscreen=0 soundDriver=1" timeout 60 "$BUILD/glorbe" 148 >/dev/null 2>&1 || true
awk '$1 == "startup" && $2 == "loading-screen" && !s { s = $3 } $1 == "startup" && $2 == "loaded" { l = $3 }
     END { if (s && l) printf "loading phase: %.0f ms\n", l - s; else print "loading phase: no timing record" }' "$WORK/trace"
