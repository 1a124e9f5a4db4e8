# glorbe-tool archive and script: packing, listing and reading archives, with
# Info-ZIP and Python's zipfile as the other side.
source "$(dirname "$0")/lib.bash"
cd "$WORK" || fail "no scratch folder"
mkdir -p src/Scripts src/models
python3 - <<'PY'
import random
random.seed(4)
words = ['OBJ', 'SCENE', '=', '0.5,', 'LIGHT', 'camera', 'texture', '1', '2', '\r\n']
open('src/Scripts/Wembo.ini', 'w', newline='', encoding='latin-1').write(
    '[Materials]\r\n  Ambient = 0.2, 0.2 ,0.2  // warm\r\nname = "quoted" \\ \xe9\r\n[OBJS]\r\nEMPTY =\r\nA = 1,,3\r\n')
open('src/models/big.bin', 'w').write(' '.join(random.choice(words) for _ in range(120000)))
open('src/models/noise.bin', 'wb').write(random.randbytes(5000))
open('src/empty.txt', 'wb').write(b'')
PY

# Deflated with seek points: standard readers accept it, list shows the points.
"$TOOL" archive pack velk.dat src --seek-every 100000 2>pack.err || fail "pack failed: $(cat pack.err)"
grep -q "big.bin is [0-9]* bytes" pack.err || fail "no warning about the large file: $(cat pack.err)"
unzip -tq velk.dat >/dev/null || fail "unzip rejects the packed archive"
python3 -c "import zipfile; assert zipfile.ZipFile('velk.dat').testzip() is None" || fail "zipfile rejects it"
"$TOOL" archive list velk.dat >list.txt || fail "list failed"
[ "$(tail -1 list.txt)" = "status 0" ] || fail "last line: $(tail -1 list.txt)"
awk -F'\t' '$1 == "models/big.bin" { exit !($2 == 8 && $5 >= 5) }' list.txt || fail "big.bin: $(cat list.txt)"
awk -F'\t' '$1 == "Scripts/Wembo.ini" { exit !($2 == 0 || $2 == 8) }' list.txt || fail "no Wembo.ini: $(cat list.txt)"

# cat gives the bytes back under any spelling; a disk file wins; missing names fail.
for f in Scripts/Wembo.ini models/big.bin models/noise.bin empty.txt; do
  upper=$(echo "$f" | tr 'a-z/' 'A-Z\\')
  "$TOOL" archive cat velk.dat "$upper" >out.bin || fail "cat $upper failed"
  cmp -s out.bin "src/$f" || fail "cat $upper differs"
done
mkdir -p models && echo "on disk" >models/NOISE.BIN
[ "$("$TOOL" archive cat velk.dat 'models\noise.bin')" = "on disk" ] || fail "the disk file does not win"
"$TOOL" archive cat velk.dat nothing.txt >/dev/null 2>err.txt && fail "a missing name succeeded"
grep -q "nothing.txt" err.txt || fail "no message for a missing name"

# A deflated entry claiming four gigabytes gets no buffer of that size: cat
# reads what its data gives (here under a 1 GB address-space limit) and fails.
python3 - <<'PY' || fail "cannot write the lying archive"
import struct, zlib
data = zlib.compress(b'x' * 5000)[2:-4]
head = struct.pack('<IHHHHHIIIHH', 0x04034B50, 20, 0, 8, 0, 0, 0, len(data), 0xFFFFFFF0, 8, 0)
open('liar.zip', 'wb').write(head + b'liar.bin' + data + struct.pack('<I', 0x02014B50))
PY
(ulimit -v 1000000; "$TOOL" archive cat liar.zip liar.bin >liar.out 2>liar.err)
[ $? -eq 1 ] || fail "cat of a lying entry: $(cat liar.err)"
grep -q "only 5000 of 4294967280 bytes could be read" liar.err || fail "cat of a lying entry: $(cat liar.err)"
[ "$(wc -c <liar.out)" -eq 5000 ] || fail "cat of a lying entry did not give the bytes its data holds"

# Stored packing, and an archive written by Info-ZIP.
"$TOOL" archive pack stored.dat src --store 2>/dev/null || fail "pack --store failed"
"$TOOL" archive list stored.dat | awk -F'\t' 'NF == 5 && $2 != 0 { bad = 1 } END { exit bad }' || fail "--store deflated"
(cd src && zip -q -r -9 ../info.zip .) || fail "zip failed"
"$TOOL" archive cat info.zip 'scripts\wembo.ini' | cmp -s - src/Scripts/Wembo.ini || fail "Info-ZIP entry differs"
[ "$("$TOOL" archive list info.zip | tail -1)" = "status 0" ] || fail "Info-ZIP archive status"

# The script as the engine's reader sees it.
rm -rf models
"$TOOL" script dump 'scripts\WEMBO.INI' --archive velk.dat >dump.txt || fail "dump failed"
python3 - <<'PY' || fail "dump: $(cat dump.txt)"
import json
lines = [json.loads(l) for l in open('dump.txt', encoding='utf-8')]
assert lines == [
    {'section': 'MATERIALS'},
    {'key': 'AMBIENT', 'values': ['0.2', '0.2', '0.2']},
    {'key': 'NAME', 'values': ['"QUOTED" \\ \xe9']},
    {'section': 'OBJS'},
    {'key': 'EMPTY', 'values': []},
    {'key': 'A', 'values': ['1', '', '3']},
], lines
PY
"$TOOL" script dump missing.ini --archive velk.dat 2>/dev/null && fail "dump of a missing file succeeded"

# Bad usage.
"$TOOL" archive pack x.dat src --seek-every lots 2>/dev/null
[ $? -eq 2 ] || fail "a bad --seek-every was accepted"
"$TOOL" archive list nowhere.dat 2>/dev/null && fail "list of a missing archive succeeded"
echo "ok"
