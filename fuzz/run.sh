#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz build one after the other (docs/fuzzing.md).
#
#   fuzz/run.sh BUILD [--seconds N | --runs N] [TARGET ...]
#
# BUILD is a build folder configured with -DGLORBE_FUZZ=ON. Each target
# starts from its seed inputs (BUILD/fuzz-seeds/NAME) and the corpus kept in
# BUILD/fuzz-corpus/NAME, uses fuzz/dict/NAME.dict when there is one, and
# runs for N seconds (default 45) or N inputs. Inputs are at most 4096 bytes
# unless the target's source says otherwise. Findings are written to
# BUILD/fuzz-findings/NAME/ (crash-*, timeout-*, leak-*, oom-*). Exit code 1
# when any target found something, 2 for bad usage.
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
usage() { sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
[ $# -ge 1 ] || usage
BUILD="$(cd "$1" && pwd)" || usage
shift
SECONDS_EACH=45
RUNS=""
TARGETS=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) [ $# -ge 2 ] || usage; SECONDS_EACH="$2"; shift 2 ;;
    --runs) [ $# -ge 2 ] || usage; RUNS="$2"; shift 2 ;;
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
  mkdir -p "$corpus" "$findings"
  args=(-artifact_prefix="$findings/" -timeout=10 -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1)
  [ -f "$ROOT/fuzz/dict/$name.dict" ] && args+=(-dict="$ROOT/fuzz/dict/$name.dict")
  # A target's own libFuzzer options: a line "// fuzz options: -max_len=N ..." in its source.
  # shellcheck disable=SC2207
  args+=($(sed -n 's|^// fuzz options: ||p' "$ROOT/fuzz/targets/$name.cpp"))
  if [ -n "$RUNS" ]; then args+=(-runs="$RUNS"); else args+=(-max_total_time="$SECONDS_EACH"); fi
  seeds=()
  [ -d "$BUILD/fuzz-seeds/$name" ] && seeds+=("$BUILD/fuzz-seeds/$name")
  log="$findings/last-run.log"
  echo "== fuzz_$name"
  "$program" "${args[@]}" "$corpus" "${seeds[@]}" >"$log" 2>&1
  rc=$?
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" | sed 's/^/   /'
  if [ $rc -ne 0 ]; then
    echo "   FOUND a fault (exit $rc): $(grep -m1 -E 'ERROR|runtime error|SUMMARY' "$log")"
    echo "   log: $log"
    ls "$findings" | grep -v last-run.log | sed 's/^/   /'
    failed+=("$name")
  fi
done
[ ${#failed[@]} -eq 0 ] || echo "targets that found faults: ${failed[*]}"
echo "fuzz: $(( ${#TARGETS[@]} - ${#failed[@]} )) passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
