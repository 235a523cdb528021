#!/usr/bin/env bash
# The real xboard GUI, on a virtual X display, plays a match of the engine
# as installed (a working directory with values.txt only: no ini file, no
# book, no tables) as an xboard engine against itself as a UCI engine
# through polyglot. The games xboard saves are refereed by chessops
# (xboard_gui_referee.mjs): all of them played, each ended by the rules.
#
#   run_xboard_gui.sh ENGINE_PATH DATA_DIR [WORK_DIR]
#
# XBOARD_GUI_GAMES sets the games (default 2, colours alternate) and
# XBOARD_GUI_TC the time control of xboard's -tc (default 0:10, ten seconds
# for 40 moves). Exit code 77 (skip) when xboard, Xvfb, polyglot, node or
# chessops is unavailable (1 with PEER_GAMES_NO_SKIP=1).
set -uo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$HERE/peer_arguments.sh"
GAMES="${XBOARD_GUI_GAMES:-2}"
TC="${XBOARD_GUI_TC:-0:10}"

export PATH="$PATH:/usr/games"
for tool in xboard polyglot xvfb-run node npm; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit $SKIP; }
done

SCRATCH="$(mktemp -d)"
XBOARD_PID=""
cleanup() {
  [ -n "$XBOARD_PID" ] && kill -TERM -- "-$XBOARD_PID" 2>/dev/null
  rm -rf "$SCRATCH"
}
trap cleanup EXIT
WORK_DIR="${3:-$SCRATCH/work}"
mkdir -p "$WORK_DIR"
WORK_DIR="$(realpath "$WORK_DIR")"
. "$HERE/chessops_setup.sh"

# Each engine gets a folder of its own holding only values.txt, as a user
# who just built it has.
for side in xboard uci gui; do mkdir -p "$SCRATCH/$side"; done
cp "$ENGINE" "$DATA_DIR/values.txt" "$SCRATCH/xboard/"
cp "$ENGINE" "$DATA_DIR/values.txt" "$SCRATCH/uci/"
cat >"$SCRATCH/polyglot.ini" <<EOF
[PolyGlot]
EngineDir = $SCRATCH/uci
EngineCommand = ./$(basename "$ENGINE")
Book = false
Log = true
LogFile = $SCRATCH/polyglot.log
[Engine]
EOF

GAMES_FILE="$SCRATCH/gui/games.pgn"
echo "-- xboard $(xboard -v 2>&1 | head -n1), $GAMES games at -tc $TC"
# setsid: xboard, its X server and both engines in one process group that the
# clean-up can end; xboard stays up after the match, so the script ends it
# once every game is saved.
(cd "$SCRATCH/gui" && exec setsid xvfb-run -a xboard \
   -fcp "./$(basename "$ENGINE")" -fd "$SCRATCH/xboard" \
   -scp "polyglot $SCRATCH/polyglot.ini" -sd "$SCRATCH/uci" \
   -mm -mg "$GAMES" -tc "$TC" -debug -sgf "$GAMES_FILE" \
   -popupExitMessage false -popupMoveErrors false >"$SCRATCH/xboard.out" 2>&1) &
XBOARD_PID=$!

saved_games() { [ -f "$GAMES_FILE" ] && grep -c '^\[Result ' "$GAMES_FILE" || echo 0; }
# A session xboard has given up ("xboard exit") waits on its error dialog.
gave_up() { grep -q 'xboard exit' "$SCRATCH/gui/xboard.debug" 2>/dev/null; }
deadline=$((SECONDS + 780))
while [ "$(saved_games)" -lt "$GAMES" ] && ! gave_up && kill -0 "$XBOARD_PID" 2>/dev/null &&
      [ "$SECONDS" -lt "$deadline" ]; do
  sleep 1
done
kill -TERM -- "-$XBOARD_PID" 2>/dev/null
wait "$XBOARD_PID" 2>/dev/null
XBOARD_PID=""

status=0
echo "-- how xboard saw each game end:"
grep -h 'GameEnds' "$SCRATCH/gui/xboard.debug" 2>/dev/null | grep -v '(null)' | sort -u
# xboard itself has ended the session when it took an engine's line for a
# failed start.
if gave_up; then
  echo "FAIL: xboard dropped an engine:"
  grep -h -B3 'xboard exit' "$SCRATCH/gui/xboard.debug"
  status=1
fi
[ -f "$GAMES_FILE" ] || : >"$GAMES_FILE"
(cd "$WORK_DIR" && node xboard_gui_referee.mjs "$GAMES_FILE" "$GAMES") || status=1
if [ "$status" -ne 0 ]; then
  echo "-- the last lines xboard exchanged:"
  tail -n 40 "$SCRATCH/gui/xboard.debug" 2>/dev/null
  echo "xboard GUI games: FAILED"
  exit 1
fi
echo "xboard GUI games: PASS"
