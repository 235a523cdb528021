#!/usr/bin/env bash
# Installs what building Dravelnor ("run") or building and testing it
# ("tests", the default) needs on a Debian or Ubuntu machine: only the
# packages that are missing, fetching the package lists first, since a fresh
# machine has never fetched them. Run as root, or with sudo on PATH.
#
#   ./install-dependencies.sh [run|tests]
set -euo pipefail

mode="${1:-tests}"
# The compiler and the build tool.
packages=(cmake make g++)
case "$mode" in
  run) ;;
  # GoogleTest; the peers and oracles that tests play against or compare
  # with: stockfish (perft oracle, opponent), the 3-man gaviota tables, node
  # and npm for the chessops referee (the tests install chessops themselves),
  # pgn-extract for its file of real PGN opening lines that the PGN scan reads.
  # python3 runs the session fuzzer and its reproducers; clang and
  # libfuzzer-14-dev build the fuzz targets with libFuzzer. The real xboard
  # GUI on a virtual display (xvfb, xauth for xvfb-run) and polyglot play
  # the engine as a user's front end would.
  tests) packages+=(libgtest-dev googletest stockfish gaviotatb libgaviotatb-dev nodejs npm pgn-extract python3 clang libfuzzer-14-dev xboard xvfb xauth polyglot) ;;
  *) echo "usage: $0 [run|tests]" >&2; exit 2 ;;
esac
# Further packages from the caller (CI adds the 32-bit tool chain).
packages+=(${DRAVELNOR_EXTRA_PACKAGES:-})

installed() {
  case "$1" in
    # A node from elsewhere (with its own npm) serves as well as Debian's.
    nodejs) command -v node >/dev/null 2>&1 ;;
    npm) command -v npm >/dev/null 2>&1 ;;
    *) dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed' ;;
  esac
}
missing=()
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
done
[ "${#missing[@]}" -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
echo "Installing: ${missing[*]}"
for attempt in 1 2 3; do
  if $sudo apt-get update -q && $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null; then
    exit 0
  fi
  echo "apt-get failed (attempt $attempt)" >&2
  sleep 10
done
exit 1
