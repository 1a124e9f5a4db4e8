# A PulseAudio server of the test's own: a null sink "glorbe" at 44100 Hz
# whose monitor can be recorded, in its own runtime folder, reached through
# PULSE_SERVER only (no autospawn, no D-Bus, no other client's server). Runs
# as root too. Source it, then: start_pulse DIR; ...; stop_pulse.
PULSE_PID=""

start_pulse() {
  local dir="$1" i
  mkdir -p "$dir/home" "$dir/runtime"
  printf 'autospawn = no\n' >"$dir/client.conf"
  export PULSE_CLIENTCONFIG="$dir/client.conf"
  export PULSE_SERVER="unix:$dir/native"
  HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" PULSE_RUNTIME_PATH="$dir/runtime" \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --realtime=no --high-priority=no \
      --disallow-module-loading=no --log-target=file:"$dir/pulse.log" \
      -L "module-null-sink sink_name=glorbe rate=44100 channels=2" \
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
