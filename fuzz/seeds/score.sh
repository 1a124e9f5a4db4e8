source "$(dirname "$0")/lib.bash"
cp "$SRC/content/music/quendar.score" "$OUT/"
cat >"$OUT/small.score" <<'SRC'
tempo 124
steps 4
beats 4
tail 1.5
instrument k kick gain=0.8
instrument b bass cutoff=400 octave=-1
instrument l lead detune=0.2
pattern p 8
k x . o . X . x .
b C2 - - . Eb2 . G#2 .
l C4+E4+G4! - . . A4 . Bb3 -
end
section intro 2 p
sweep b cutoff 300 900
section rest 1
SRC
