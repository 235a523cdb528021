#!/usr/bin/env bash
# A match against the Debian glaurung with a version 1 book built from the
# match runner's own opening lines, book learning, position learning and its
# log on; afterwards every changed byte of the book must be a stats byte of
# a book move the engine played, and the learning file must be well formed.
#
#   run_book_match.sh BUILD_DIR MATCH_DIR [GAMES] [WORK_DIR]
#
# BUILD_DIR is a build of the engine with the tests (dravelnor, values.txt,
# tests/book_games_tool); MATCH_DIR the UCI match runner (match.mjs), copied
# into WORK_DIR (default: a new temporary folder) and set up with npm there.
# The games start from the first two plies of the lines, so that the engine
# meets the rest of each line in its book. They run one at a time: all the
# engines share one book and one learning file.
set -euo pipefail
BUILD="$(realpath "$1")"
MATCH="$(realpath "$2")"
GAMES="${3:-20}"
WORK="${4:-$(mktemp -d)}"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export PATH="$PATH:/usr/games"
# From the build folder, where it finds values.txt.
tool() { (cd "$BUILD" && tests/book_games_tool "$@"); }

mkdir -p "$WORK/engine"
cp -r "$MATCH"/. "$WORK/match"
(cd "$WORK/match" && npm install --silent >/dev/null)
cp "$HERE/pgn_to_moves.mjs" "$WORK/match/"

tool build "$HERE/lines.txt" "$WORK/engine/Book.vop"
cp "$WORK/engine/Book.vop" "$WORK/book-before.vop"
cp "$BUILD/values.txt" "$WORK/engine/"
printf 'Learning = on\nUseLearningData = on\nLogLearningIntoFile = on\n' >"$WORK/engine/Dravelnor.ini"
grep -v '^#' "$HERE/lines.txt" | awk '{ print $1, $2 }' >"$WORK/openings.txt"

(cd "$WORK/match" && node match.mjs --a "$BUILD/dravelnor" --cwd-a "$WORK/engine" \
   --b glaurung --opts-b "Threads=1;Hash=32" --openings "$WORK/openings.txt" \
   --games "$GAMES" --tc 10+0.1 --concurrency 1 --pgn "$WORK/games.pgn" --verbose)

(cd "$WORK/match" && node pgn_to_moves.mjs "$WORK/games.pgn") >"$WORK/games.txt"
status=0
tool check "$WORK/book-before.vop" "$WORK/engine/Book.vop" "$WORK/games.txt" || status=1
if [ -f "$WORK/engine/Learn.vo1" ]; then
  tool learncheck "$WORK/engine/Learn.vo1" || status=1
else
  echo "no learning file was written"
fi
[ -f "$WORK/engine/learn.log" ] && echo "learn.log: $(wc -l <"$WORK/engine/learn.log") lines"
echo "work folder: $WORK"
exit $status
