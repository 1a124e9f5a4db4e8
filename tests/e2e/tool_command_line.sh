# glorbe-tool and glorbe-render share one command-line parser: options
# anywhere, "--opt value" and "--opt=value", a message naming an option
# that lacks its value, --help for every command, --version, exit code 2 for
# bad usage and 1 for failures, output folders made when missing.
source "$(dirname "$0")/lib.bash"
RENDER="$GLORBE_BIN/glorbe-render"
cd "$WORK" || fail "no scratch folder"

"$TOOL" --version | grep -qE '^glorbe-tool [0-9]+\.[0-9]+' || fail "glorbe-tool --version"
"$RENDER" --version | grep -qE '^glorbe-render [0-9]+\.[0-9]+' || fail "glorbe-render --version"

# Every command listed by --help answers --help with its usage and exit code 0.
"$TOOL" --help >help.txt || fail "glorbe-tool --help failed"
grep -E '^  glorbe-tool ' help.txt | sed 's/^  glorbe-tool //' | awk '{ w = $1; if ($2 ~ /^[a-z]+$/) w = w " " $2; print w }' |
  sort -u >commands.txt
[ "$(wc -l <commands.txt)" -ge 15 ] || fail "too few commands in --help: $(cat commands.txt)"
while read -r words; do
  # shellcheck disable=SC2086
  "$TOOL" $words --help >one.txt 2>&1 || fail "$words --help: exit $?"
  grep -q "^usage: glorbe-tool $words" one.txt || fail "$words --help: $(cat one.txt)"
done <commands.txt
"$RENDER" --help | grep -q -- "--frame-at" || fail "glorbe-render --help"

# Options anywhere, in either form; the output's folder is made.
"$TOOL" mp3 tune --seconds=0.5 out/a/tune.mp3 || fail "--seconds=0.5 before the file"
"$TOOL" mp3 tune out/b.mp3 --seconds 0.5 || fail "--seconds 0.5 after the file"
[ -s out/a/tune.mp3 ] && [ -s out/b.mp3 ] || fail "no tunes written"
"$TOOL" archive pack --seek-every=1000 packed/x.zip out || fail "pack with the option first"
"$TOOL" archive list packed/x.zip >list.txt || fail "list of a packed archive"

# Bad usage: exit code 2 and a message that says what is wrong.
expect_usage() {  # expect_usage MESSAGE COMMAND...
  local message="$1"
  shift
  "$@" >/dev/null 2>err.txt
  local rc=$?
  [ $rc -eq 2 ] || fail "$* gave exit code $rc: $(cat err.txt)"
  grep -qF -- "$message" err.txt || fail "$*: $(cat err.txt)"
}
expect_usage "option --seconds needs a value" "$TOOL" mp3 tune x.mp3 --seconds
expect_usage "option --store takes no value" "$TOOL" archive pack x.zip out --store=yes
expect_usage "unknown option --loud" "$TOOL" hwl decode a.hwl b.png --loud
expect_usage 'unexpected argument "c"' "$TOOL" archive cat a b c
expect_usage "art text needs the words" "$TOOL" art text 64x16 t.png
expect_usage 'unknown command "paint"' "$TOOL" paint
expect_usage "option --fps needs a value" "$RENDER" --frames f --fps
expect_usage "say where the frames go" "$RENDER" --fps 10
[ ! -e t.png ] || fail "art text without --text wrote a picture"

# Failures: exit code 1 with the reason.
expect_failure() {  # expect_failure MESSAGE COMMAND...
  local message="$1"
  shift
  timeout 20 "$@" >out.txt 2>err.txt
  local rc=$?
  [ $rc -eq 1 ] || fail "$* gave exit code $rc: $(cat err.txt)"
  grep -qF -- "$message" err.txt || fail "$*: $(cat err.txt)"
}
printf 'not a zip archive at all' >plain.txt
expect_failure "plain.txt is not an archive the player can read (status 306)" "$TOOL" archive list plain.txt
grep -qx "status 306" out.txt || fail "list of a non-archive: $(cat out.txt)"
expect_failure "is not a score" "$TOOL" music info out/b.mp3
LC_ALL=C grep -q '[^[:print:][:space:]]' err.txt && fail "music info printed bytes of the MP3: $(cat -v err.txt)"
"$TOOL" art orb 8x8 orb.png || fail "art orb"
expect_failure "the line holds a NUL byte" "$TOOL" sqp build orb.png x.sqp
echo "ok"
