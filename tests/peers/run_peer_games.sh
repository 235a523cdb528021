#!/usr/bin/env bash
# Peer games: the engine plays short full games in UCI and in xboard mode
# against stockfish, every move checked by the chessops referee.
#
#   run_peer_games.sh ENGINE_PATH DATA_DIR [WORK_DIR]
#
# DATA_DIR holds values.txt (copied, with Dravelnor.ini and Book.vop if
# present, into a scratch directory that becomes the engine's working
# directory, so that nothing the engine writes lands in the build tree).
# WORK_DIR keeps the installed node packages between runs (default: a
# temporary directory). PEER_GAMES sets the games per script (default 2),
# PEER_STOCKFISH the peer program (default: stockfish on PATH or /usr/games).
# Exit code 77 (skip) when node, npm, chessops or stockfish is unavailable
# (1 with PEER_GAMES_NO_SKIP=1).
set -uo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$HERE/peer_arguments.sh"
GAMES="${PEER_GAMES:-2}"

# Debian puts its chess programs in the games folder.
export PATH="$PATH:/usr/games"
command -v node >/dev/null 2>&1 || { echo "SKIP: node is not installed"; exit $SKIP; }
command -v npm >/dev/null 2>&1 || { echo "SKIP: npm is not installed"; exit $SKIP; }
STOCKFISH="${PEER_STOCKFISH:-$(command -v stockfish || true)}"
[ -n "$STOCKFISH" ] && [ -x "$STOCKFISH" ] || { echo "SKIP: stockfish is not installed"; exit $SKIP; }
node_major="$(node -p 'process.versions.node.split(".")[0]')"
if [ "$node_major" -lt 18 ]; then
  echo "SKIP: node $(node --version) is older than 18"
  exit $SKIP
fi

SCRATCH="$(mktemp -d)"
trap 'rm -rf "$SCRATCH"' EXIT
WORK_DIR="${3:-$SCRATCH/work}"
mkdir -p "$WORK_DIR"
WORK_DIR="$(realpath "$WORK_DIR")"

# The scripts run from WORK_DIR beside its node_modules; the package files
# are refreshed every run, the packages only when chessops is not the one
# the lock file names.
. "$HERE/chessops_setup.sh"

RUN_DIR="$SCRATCH/engine"
mkdir -p "$RUN_DIR"
for f in values.txt Dravelnor.ini Book.vop; do
  [ -f "$DATA_DIR/$f" ] && cp "$DATA_DIR/$f" "$RUN_DIR/"
done

echo "-- engine $ENGINE (working directory with a copy of $DATA_DIR/values.txt)"
echo "-- peer $STOCKFISH, node $(node --version), $GAMES games per run"

failed=0
# The runs are independent single-threaded games: they run side by side,
# each into its own log, printed in order afterwards.
pids=()
logs=()
start_step() {
  local log="$SCRATCH/step${#logs[@]}.log"
  logs+=("$log")
  (echo "== $*"; cd "$WORK_DIR" && "$@") >"$log" 2>&1 &
  pids+=($!)
}
common=(--engine "$ENGINE" --engine-cwd "$RUN_DIR" --peer "$STOCKFISH" --games "$GAMES")
start_step node selftest.mjs
start_step node uci_games.mjs "${common[@]}" --limit nodes --nodes 4000 --peer-nodes 2000
start_step node uci_games.mjs "${common[@]}" --limit clock --tc 5+0.05 --ponder --openings "d2d4 d7d5 c2c4 e7e6"
start_step node xboard_games.mjs "${common[@]}" --ponder off --tc "level 0 0:20 0" --openings ""
start_step node xboard_games.mjs "${common[@]}" --ponder on --tc "st 1" --openings "e2e4 e7e5 g1f3 b8c6" --maxply 100
for i in "${!pids[@]}"; do
  if ! wait "${pids[$i]}"; then
    echo "== FAILED: $(head -1 "${logs[$i]}")" >>"${logs[$i]}"
    failed=1
  fi
  echo
  cat "${logs[$i]}"
done
echo
if [ "$failed" -ne 0 ]; then
  echo "peer games: FAILED"
  exit 1
fi
echo "peer games: PASS"
