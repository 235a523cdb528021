#!/usr/bin/env bash
# The tablebase tests' legality check against chessops: positions of every
# table with the tests' verdict, judged by tests/peers/tb_legality.mjs.
#
#   tb_legality_referee.sh DUMP_PROGRAM WORK_DIR
#
# Exit code 77 (skip) when node, npm or chessops is unavailable (1 with
# PEER_GAMES_NO_SKIP=1).
set -uo pipefail
SKIP=77
[ "${PEER_GAMES_NO_SKIP:-0}" = 1 ] && SKIP=1
DUMP="$1"
WORK_DIR="$2"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/peers"
command -v node >/dev/null 2>&1 || { echo "SKIP: node is not installed"; exit $SKIP; }
command -v npm >/dev/null 2>&1 || { echo "SKIP: npm is not installed"; exit $SKIP; }
mkdir -p "$WORK_DIR"
cp "$HERE"/package.json "$HERE"/package-lock.json "$HERE"/tb_legality.mjs "$WORK_DIR"/
if ! (cd "$WORK_DIR" && node -e "import('chessops/chess').then(() => process.exit(0), () => process.exit(1))") >/dev/null 2>&1; then
  (cd "$WORK_DIR" && npm ci --no-audit --no-fund --loglevel=error) || { echo "SKIP: could not install chessops"; exit $SKIP; }
fi
"$DUMP" 8 >"$WORK_DIR/positions.txt" || exit 1
cd "$WORK_DIR" && node tb_legality.mjs positions.txt
