# A PulseAudio server of the test's own: a null sink "glorbe" at 44100 Hz
# whose monitor can be recorded, in its own runtime folder, reached through
# PULSE_SERVER only (no autospawn, no D-Bus, no other client's server). Runs
# as root too, with real-time priority where allowed so that a busy machine
# does not starve the sink. Source it, then: start_pulse DIR; ...; stop_pulse.
PULSE_PID=""

start_pulse() {
  local dir="$1" i
  mkdir -p "$dir/home" "$dir/runtime"
  printf 'autospawn = no\nenable-shm = no\nenable-memfd = no\n' >"$dir/client.conf"
  export PULSE_CLIENTCONFIG="$dir/client.conf"
  export PULSE_SERVER="unix:$dir/native"
  HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" PULSE_RUNTIME_PATH="$dir/runtime" \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --realtime=yes --high-priority=yes --disable-shm \
      --disallow-module-loading=no --log-target=file:"$dir/pulse.log" \
      -L "module-null-sink sink_name=glorbe rate=44100 channels=2 norewinds=1" \
      -L "module-native-protocol-unix auth-anonymous=1 socket=$dir/native" \
      </dev/null >/dev/null 2>&1 &
  PULSE_PID=$!
  for i in $(seq 1 200); do
    pactl info >/dev/null 2>&1 && { pactl set-default-sink glorbe >/dev/null 2>&1; return 0; }
    kill -0 "$PULSE_PID" 2>/dev/null || break
    sleep 0.05
  done
  echo "cannot start PulseAudio: $(tail -3 "$dir/pulse.log" 2>/dev/null)" >&2
  return 1
}

stop_pulse() {
  [ -n "$PULSE_PID" ] || return 0
  kill "$PULSE_PID" 2>/dev/null
  wait "$PULSE_PID" 2>/dev/null
  PULSE_PID=""
}

# record_start FILE_PREFIX: records the null sink's monitor into PREFIX.raw
# (16-bit stereo at 44100 Hz) with the arrival time of every read in
# PREFIX.times, until record_stop.
RECORD_PIDS=""
record_start() {
  local prefix="$1" probe="$GLORBE_BIN/tests/glorbe-sound-probe"
  rm -f "$prefix.fifo"
  mkfifo "$prefix.fifo"
  "$probe" record "$prefix.times" "$prefix.raw" <"$prefix.fifo" &
  local reader=$!
  parec -d glorbe.monitor --raw --format=s16le --rate=44100 --channels=2 --latency-msec=5 >"$prefix.fifo" &
  RECORD_PIDS="$! $reader"
  # The monitor delivers from the moment the recording stream is connected.
  sleep 0.3
}

record_stop() {
  local pid
  sleep 0.3
  set -- $RECORD_PIDS
  kill "$1" 2>/dev/null
  for pid in $RECORD_PIDS; do wait "$pid" 2>/dev/null; done
  RECORD_PIDS=""
}
