#!/usr/bin/env bash
# glORBE's set-up and build commands. See README.md.
#
#   ./glorbe.sh play [SECONDS]   install, build, build the show, play it
#   ./glorbe.sh live [SECONDS]   the same in live mode, rebuilding the show on every save
#   ./glorbe.sh test             install, build, run the whole test suite
#   ./glorbe.sh sanitize         unit tests built with ASan and UBSan
#   ./glorbe.sh fuzz [--ci] [TARGET...] every fuzz target for a while (docs/fuzzing.md)
#   ./glorbe.sh sanitize-show    the bundled show rendered under ASan and UBSan
#   ./glorbe.sh install | build  the single steps
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
BUILD="$ROOT/build"
JOBS="$(nproc 2>/dev/null || echo 2)"

PACKAGES=(
  g++ cmake ninja-build pkg-config
  libgl1-mesa-dev libglu1-mesa-dev freeglut3-dev zlib1g-dev libx11-dev libxrandr-dev
  libmpg123-dev libsdl2-dev libpulse-dev libasound2-dev libfltk1.3-dev libfontconfig-dev libmp3lame-dev libpng-dev
  lib3ds-dev
  fonts-dejavu-core fonts-dejavu-extra
  libgtest-dev libgmock-dev libbenchmark-dev
  inotify-tools
  xvfb xauth xdotool x11-utils x11-xserver-utils imagemagick python3 zip unzip ffmpeg assimp-utils
  pulseaudio pulseaudio-utils libasound2-plugins
  clang libclang-rt-14-dev
)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

build() {
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release
  cmake --build "$BUILD" -j "$JOBS"
}

run_tests() {
  cd "$BUILD"
  # Unit and GL tests share one virtual X server; end-to-end tests start their own.
  # -noreset: a test connecting while the last one disconnects must not meet a
  # server in the middle of its reset.
  xvfb-run -a -s "-screen 0 1024x768x24 -noreset" ctest -j "$JOBS" --output-on-failure
}

sanitize() {
  local dir="$ROOT/build-sanitize"
  cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGLORBE_SANITIZE=ON \
    -DGLORBE_BUILD_SHOW=OFF -DGLORBE_BENCH=OFF -DGLORBE_SHOW_DIR="$dir/show"
  cmake --build "$dir" -j "$JOBS" --target glorbe_unit_tests
  cd "$dir"
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 LSAN_OPTIONS="suppressions=$ROOT/tests/lsan_suppressions.txt" \
    ctest -j "$JOBS" -L unit --output-on-failure
}

# build-fuzz: clang with libFuzzer's coverage, ASan and UBSan (with
# float-cast-overflow and shift) on the engine and the tools.
FUZZ_BUILD="$ROOT/build-fuzz"
configure_fuzz_build() {
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$FUZZ_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DGLORBE_FUZZ=ON -DGLORBE_TESTS=OFF -DGLORBE_BENCH=OFF -DGLORBE_BUILD_SHOW=OFF \
    -DGLORBE_SHOW_DIR="$FUZZ_BUILD/show" >/dev/null
}

# The fuzz targets, each run for GLORBE_FUZZ_SECONDS (default 30) on a
# virtual X server (one target draws textures).
fuzz() {
  configure_fuzz_build
  cmake --build "$FUZZ_BUILD" -j "$JOBS" --target fuzz_all
  local time=(--seconds "${GLORBE_FUZZ_SECONDS:-30}")
  # --ci: the bounded run CI makes (seed 1, input counts from fuzz/ci-runs.txt)
  if [ "${1:-}" = "--ci" ] && [ -z "${GLORBE_FUZZ_SECONDS:-}" ]; then time=(); fi
  xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
    "$ROOT/fuzz/run.sh" "$FUZZ_BUILD" "${time[@]}" "$@"
}

# The bundled show rendered by glorbe-render of build-fuzz (ASan and UBSan),
# at 800x600 and 320x240, from start to end at 2 frames a second (--fps N
# for another rate, --full for 60): any sanitizer report, leak or GL error
# fails.
sanitize_show() {
  local fps=2
  case "${1:-}" in
    --full) fps=60 ;;
    --fps) fps="${2:?--fps needs a value}" ;;
    "") ;;
    *) echo "sanitize-show: unknown option $1" >&2; return 2 ;;
  esac
  build  # the show, from the Release build
  configure_fuzz_build
  cmake --build "$FUZZ_BUILD" -j "$JOBS" --target glorbe-render
  local frames log status=0 preload=""
  frames="$(mktemp -d)"
  # Mesa's libraries are unloaded before the leak check runs; loaded from the
  # start they stay, and the suppressions can name what they keep.
  for lib in /usr/lib/*/libGLX_mesa.so.0 /usr/lib/*/dri/swrast_dri.so; do
    [ -f "$lib" ] && preload="${preload:+$preload:}$lib"
  done
  for size in 800x600 320x240; do
    log="$FUZZ_BUILD/show-$size.log"
    echo "== the show at $size, $fps frames a second, under ASan and UBSan"
    rm -rf "${frames:?}"/*
    local rc=0 count
    (cd "$ROOT/show" &&
      xvfb-run -a -s "-screen 0 1024x768x24 -noreset" env LD_PRELOAD="$preload" \
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        LSAN_OPTIONS="suppressions=$ROOT/tests/lsan_suppressions.txt" \
        "$FUZZ_BUILD/glorbe-render" --size "$size" --fps "$fps" --frames "$frames" >"$log" 2>&1) || rc=$?
    count=$(find "$frames" -name 'frame_*.png' | wc -l)
    if [ $rc -ne 0 ] || grep -qE 'Sanitizer|runtime error|raised GL_|GL errors' "$log"; then
      echo "   FAILED (exit $rc, $count frames): $(tr '\r' '\n' <"$log" | grep -m1 -E 'ERROR|runtime error|raised|GL errors|glorbe-render:')"
      echo "   log: $log"
      status=1
    else
      echo "   $count frames, no report"
    fi
  done
  rm -rf "$frames"
  return $status
}

# The player in live mode on the bundled show, and the show rebuilt whenever
# a file under content/ changes: the build makes only what the change
# touches, and the player reloads what the new archive changed.
live() {
  build
  cd "$ROOT/show"
  LIVE_STAMP="$(mktemp)"
  "$BUILD/glorbe" --live "$@" &
  LIVE_PLAYER=$!
  trap 'kill "$LIVE_PLAYER" 2>/dev/null; rm -f "$LIVE_STAMP"' EXIT
  trap 'exit 130' INT TERM
  local player=$LIVE_PLAYER stamp=$LIVE_STAMP
  echo "glorbe.sh live: the show is rebuilt whenever content/ changes; Escape in the window ends"
  while kill -0 "$player" 2>/dev/null; do
    if [ -z "$(find "$ROOT/content" -newer "$stamp" -print -quit)" ]; then
      # Nothing new: wait for a change (inotifywait gives up after a second,
      # so that the end of the player is noticed), then look again.
      if command -v inotifywait >/dev/null; then
        inotifywait -qq -r -t 1 -e close_write,moved_to,create,delete "$ROOT/content" || true
      else
        sleep 0.2
      fi
      continue
    fi
    touch "$stamp"  # what is saved during the build is built next time round
    sleep 0.05      # an editor's save can be several writes; let them land
    cmake --build "$BUILD" --target show 2>&1 | grep -E "error|warning|show build|FAILED" || true
  done
  wait "$player" || true
}

case "${1:-}" in
  install) install_packages ;;
  build) install_packages && build ;;
  play)
    shift
    install_packages
    build
    cd "$ROOT/show"
    exec "$BUILD/glorbe" "$@"
    ;;
  live) shift && install_packages && live "$@" ;;
  test) install_packages && build && run_tests ;;
  sanitize) install_packages && sanitize ;;
  fuzz) shift && install_packages && fuzz "$@" ;;
  sanitize-show) shift && install_packages && sanitize_show "$@" ;;
  *)
    sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
