source "$(dirname "$0")/lib.bash"
cp "$SRC/content/timeline/greetz.timeline" "$OUT/show.timeline"
cat >"$OUT/small.timeline" <<'SRC'
name "Seed"
start 1.5
end 12.25
marker 0.5 3.75
tempo 120
track "one"
  start 0.5
  length 2
  offset 0.25
  layer 4
  speed -1.5
  item GL STATE
    NAME = "clear"
    VALUE = 7
  item GL FULLSCREENPOLY
    R = smooth 0:0.25 0.3:1 0.75:-2 1:0.5 min -1 max 0.75
    G = sine frequency 1.5 amplitude 0.3 offset 0.1 phase 33.3
    B = mode 9 constant 0.2 text "odd \"q\"" keys 0.5:1
track "two"
  start bars 3
  length beats 2
  item SCENE3D RENDER
    NAME = "City"
SRC
