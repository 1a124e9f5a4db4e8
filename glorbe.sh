#!/usr/bin/env bash
# glORBE's set-up and build commands. See README.md.
#
#   ./glorbe.sh play [SECONDS]   install, build, build the show, play it
#   ./glorbe.sh test             install, build, run the whole test suite
#   ./glorbe.sh sanitize         unit tests built with ASan and UBSan
#   ./glorbe.sh fuzz [TARGET...] every fuzz target for a while (docs/fuzzing.md)
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

# The fuzz targets built with clang, libFuzzer and both sanitizers, each run
# for GLORBE_FUZZ_SECONDS (default 30) on a virtual X server (one target
# draws textures).
fuzz() {
  local dir="$ROOT/build-fuzz"
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLORBE_FUZZ=ON \
    -DGLORBE_TESTS=OFF -DGLORBE_BENCH=OFF -DGLORBE_BUILD_SHOW=OFF -DGLORBE_SHOW_DIR="$dir/show"
  cmake --build "$dir" -j "$JOBS" --target fuzz_all
  xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
    "$ROOT/fuzz/run.sh" "$dir" --seconds "${GLORBE_FUZZ_SECONDS:-30}" "$@"
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
  test) install_packages && build && run_tests ;;
  sanitize) install_packages && sanitize ;;
  fuzz) shift && install_packages && fuzz "$@" ;;
  *)
    sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
