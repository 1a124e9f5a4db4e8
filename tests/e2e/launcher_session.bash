# Helpers of the launcher session scripts, which run on the virtual X server.
set -u
LAUNCHER_TITLE='^glORBE System Launcher$'

# wait_window PATTERN [SECONDS]: prints the id of the first mapped window
# whose name matches, waiting at most SECONDS (default 60).
wait_window() {
  timeout "${2:-60}" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -1
}

# press WINDOW KEY...: gives WINDOW the keyboard focus and types the keys.
press() {
  local win="$1"
  shift
  timeout 10 xdotool windowfocus --sync "$win" && xdotool key "$@"
}

# click WINDOW X Y: a left click at window coordinates.
click() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
}

# close_window WINDOW: asks the window to close as a window manager does
# (WM_DELETE_WINDOW); there is no window manager on the virtual server.
close_window() {
  python3 - "$1" <<'PY'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]

class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

d = x.XOpenDisplay(None)
assert d, "no display"
window = int(sys.argv[1])
e = Event()
e.xclient.type = 33  # ClientMessage
e.xclient.window = window
e.xclient.message_type = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
e.xclient.format = 32
e.xclient.data[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
assert x.XSendEvent(d, window, 0, 0, ctypes.byref(e))
x.XFlush(d)
x.XCloseDisplay(d)
PY
}

# wait_exit PID [SECONDS]: prints "rc=CODE" once the player has ended, or
# "still running" (and stops it) after SECONDS (default 30).
wait_exit() {
  local pid="$1" limit="${2:-30}" i
  for ((i = 0; i < limit * 10; ++i)); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      echo "rc=$?"
      return
    fi
    sleep 0.1
  done
  echo "still running"
  kill "$pid"
}
