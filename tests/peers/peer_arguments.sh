# Sourced by the peer runners: their two arguments and the exit code of a
# skip. Sets SKIP (77; 1 when CI sets PEER_GAMES_NO_SKIP=1, so that a missing
# tool fails instead of skipping), ENGINE and DATA_DIR (absolute), and ends
# the script when the engine or DATA_DIR/values.txt is missing.
SKIP=77
[ "${PEER_GAMES_NO_SKIP:-0}" = 1 ] && SKIP=1
if [ "$#" -lt 2 ]; then
  echo "usage: $0 ENGINE_PATH DATA_DIR [WORK_DIR]" >&2
  exit 2
fi
ENGINE="$(realpath "$1")"
DATA_DIR="$(realpath "$2")"
[ -x "$ENGINE" ] || { echo "no engine program at $ENGINE" >&2; exit 1; }
[ -f "$DATA_DIR/values.txt" ] || { echo "no values.txt in $DATA_DIR" >&2; exit 1; }
