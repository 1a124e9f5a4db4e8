#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz build one after the other (docs/fuzzing.md).
#
#   fuzz/run.sh BUILD [--seconds N] [--runs N] [--seed N] [--ci] [TARGET ...]
#
# BUILD is a build folder configured with -DGLORBE_FUZZ=ON. Each target
# starts from its seed inputs (BUILD/fuzz-seeds/NAME) and the corpus kept in
# BUILD/fuzz-corpus/NAME, uses fuzz/dict/NAME.dict when there is one, and
# runs for N seconds (default 45), N inputs, or whichever ends first when
# both are given. Inputs are at most 4096 bytes unless the target's source
# says otherwise. --ci: the bounded run CI makes, seed 1, each target's
# input count from fuzz/ci-runs.txt, at most 120 s, from the seeds alone.
# Findings are written to BUILD/fuzz-findings/NAME/ (crash-*, timeout-*,
# leak-*, oom-*). Exit code 1 when any target found something, 2 for bad
# usage.
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
usage() { sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
[ $# -ge 1 ] || usage
BUILD="$(cd "$1" && pwd)" || usage
shift
SECONDS_EACH=45
SECONDS_GIVEN=""
RUNS=""
SEED=""
CI_MODE=""
TARGETS=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) [ $# -ge 2 ] || usage; SECONDS_EACH="$2"; SECONDS_GIVEN=1; shift 2 ;;
    --runs) [ $# -ge 2 ] || usage; RUNS="$2"; shift 2 ;;
    --seed) [ $# -ge 2 ] || usage; SEED="$2"; shift 2 ;;
    --ci) CI_MODE=1; shift ;;
    -h|--help) usage ;;
    -*) echo "fuzz/run.sh: unknown option $1" >&2; usage ;;
    *) TARGETS+=("$1"); shift ;;
  esac
done
if [ ${#TARGETS[@]} -eq 0 ]; then
  for p in "$BUILD"/fuzz/fuzz_*; do [ -x "$p" ] && TARGETS+=("$(basename "$p" | sed 's/^fuzz_//')"); done
fi
[ ${#TARGETS[@]} -gt 0 ] || { echo "fuzz/run.sh: no fuzz targets in $BUILD/fuzz (configure with -DGLORBE_FUZZ=ON)" >&2; exit 2; }

# The inputs are written to files for the loaders: a folder in memory keeps that quick.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

# Reports go to the log; the process stops at the first finding.
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$ROOT/tests/lsan_suppressions.txt}"

failed=()
for name in "${TARGETS[@]}"; do
  program="$BUILD/fuzz/fuzz_$name"
  [ -x "$program" ] || { echo "fuzz/run.sh: no target $name" >&2; exit 2; }
  corpus="$BUILD/fuzz-corpus/$name"
  findings="$BUILD/fuzz-findings/$name"
  runs="$RUNS" seconds="$SECONDS_EACH" seed="$SEED"
  if [ -n "$CI_MODE" ]; then
    # A bounded run that starts alike everywhere: a fixed seed, a fixed
    # count, an empty corpus.
    corpus="$BUILD/fuzz-corpus-ci/$name"
    rm -rf "$corpus"
    runs="$(awk -v n="$name" '$1 == n { print $2 }' "$ROOT/fuzz/ci-runs.txt")"
    if [ -z "$runs" ]; then
      runs=20000
      echo "   (fuzz/ci-runs.txt has no count for $name: $runs inputs)"
    fi
    [ -n "$SECONDS_GIVEN" ] || seconds=120
    [ -n "$seed" ] || seed=1
  fi
  mkdir -p "$corpus" "$findings"
  args=(-artifact_prefix="$findings/" -timeout=10 -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1)
  [ -n "$seed" ] && args+=(-seed="$seed")
  [ -f "$ROOT/fuzz/dict/$name.dict" ] && args+=(-dict="$ROOT/fuzz/dict/$name.dict")
  # A target's own libFuzzer options: a line "// fuzz options: -max_len=N ..." in its source.
  # shellcheck disable=SC2207
  args+=($(sed -n 's|^// fuzz options: ||p' "$ROOT/fuzz/targets/$name.cpp"))
  [ -n "$runs" ] && args+=(-runs="$runs")
  if [ -z "$runs" ] || [ -n "$SECONDS_GIVEN" ] || [ -n "$CI_MODE" ]; then args+=(-max_total_time="$seconds"); fi
  seeds=()
  [ -d "$BUILD/fuzz-seeds/$name" ] && seeds+=("$BUILD/fuzz-seeds/$name")
  log="$findings/last-run.log"
  echo "== fuzz_$name"
  "$program" "${args[@]}" "$corpus" "${seeds[@]}" >"$log" 2>&1
  rc=$?
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" | sed 's/^/   /'
  if [ $rc -ne 0 ]; then
    echo "   FOUND a fault (exit $rc): $(grep -m1 -E 'ERROR|runtime error|SUMMARY|fuzz check failed|terminate called' "$log")"
    echo "   log: $log"
    ls "$findings" | grep -v last-run.log | sed 's/^/   /'
    failed+=("$name")
  fi
done
[ ${#failed[@]} -eq 0 ] || echo "targets that found faults: ${failed[*]}"
echo "fuzz: $(( ${#TARGETS[@]} - ${#failed[@]} )) passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
