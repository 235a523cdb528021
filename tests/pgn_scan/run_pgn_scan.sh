#!/usr/bin/env bash
# Real PGN files through the engine's PGN scan: every game of each file is
# scanned on its own (pgn_scan_tool) and must end in the position that the
# chessops library reaches from the same SAN moves, with no move refused.
#
#   run_pgn_scan.sh TOOL VALUES_TXT WORK_DIR PGN...
#
# WORK_DIR keeps the installed node packages between runs. Exit code 77
# (skip) when node, npm or chessops is unavailable, or when a PGN file is
# missing (1 with PEER_GAMES_NO_SKIP=1, as in CI).
set -uo pipefail

SKIP=77
[ "${PEER_GAMES_NO_SKIP:-0}" = 1 ] && SKIP=1
if [ "$#" -lt 4 ]; then
  echo "usage: $0 TOOL VALUES_TXT WORK_DIR PGN..." >&2
  exit 2
fi
TOOL="$(realpath "$1")"
VALUES="$(realpath "$2")"
WORK_DIR="$3"
shift 3
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
PEERS="$HERE/../peers"

command -v node >/dev/null 2>&1 || { echo "SKIP: node is not installed"; exit $SKIP; }
command -v npm >/dev/null 2>&1 || { echo "SKIP: npm is not installed"; exit $SKIP; }
for pgn in "$@"; do
  [ -f "$pgn" ] || { echo "SKIP: $pgn is missing"; exit $SKIP; }
done

mkdir -p "$WORK_DIR"
WORK_DIR="$(realpath "$WORK_DIR")"
cp "$PEERS"/package.json "$PEERS"/package-lock.json "$HERE"/final_positions.mjs "$WORK_DIR"/
have_chessops() {
  (cd "$WORK_DIR" && node -e "import('chessops/pgn').then(() => process.exit(0), () => process.exit(1))") >/dev/null 2>&1
}
if ! have_chessops; then
  if ! (cd "$WORK_DIR" && npm ci --no-audit --no-fund --loglevel=error >npm.log 2>&1); then
    cat "$WORK_DIR/npm.log"
    echo "SKIP: could not install chessops (npm ci failed)"
    exit $SKIP
  fi
  have_chessops || { echo "SKIP: chessops does not load after npm ci"; exit $SKIP; }
fi

SCRATCH="$(mktemp -d)"
trap 'rm -rf "$SCRATCH"' EXIT
cp "$VALUES" "$SCRATCH/values.txt"

status=0
for pgn in "$@"; do
  name="$(basename "$pgn")"
  (cd "$WORK_DIR" && node final_positions.mjs "$(realpath "$pgn")") >"$SCRATCH/$name.expected" || {
    echo "FAIL: chessops could not read $pgn"
    status=1
    continue
  }
  (cd "$SCRATCH" && "$TOOL" "$(realpath "$pgn")" "$SCRATCH/$name.actual") >"$SCRATCH/$name.log" || {
    echo "FAIL: the scan tool failed on $pgn"
    status=1
  }
  games="$(wc -l <"$SCRATCH/$name.expected")"
  # The scan reports every move it could not play, and every cut-off game.
  if grep -E "Can't recognize|Ambigous|cut off|Bad tag|Error" "$SCRATCH/$name.log" | head -5 | grep -q .; then
    echo "FAIL: $name: the scan refused moves or games:"
    grep -E "Can't recognize|Ambigous|cut off|Bad tag|Error" "$SCRATCH/$name.log" | head -5
    status=1
  fi
  if ! diff -q "$SCRATCH/$name.expected" "$SCRATCH/$name.actual" >/dev/null; then
    echo "FAIL: $name: final positions differ (chessops < > engine):"
    diff "$SCRATCH/$name.expected" "$SCRATCH/$name.actual" | head -10
    status=1
  fi
  echo "-- $name: $games games, $(wc -l <"$SCRATCH/$name.actual") scanned"
done
[ "$status" -eq 0 ] && echo "all final positions agree"
exit $status
