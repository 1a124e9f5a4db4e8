# Shared by the seed scripts: bash fuzz/seeds/NAME.sh TOOL SOURCE OUT
# TOOL is glorbe-tool of the fuzz build, SOURCE the source tree, OUT the
# (empty) folder that receives the seed inputs. Seeds are made by our own
# tools or written here; nothing comes from elsewhere.
set -euo pipefail
TOOL="$1"
SRC="$2"
OUT="$3"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT"

# A line-ending-correct script from the lines given (CR LF, as the player reads).
crlf() { printf '%s\r\n' "$@"; }
