# Sourced by the peer scripts: copies the package files and the referee
# scripts into WORK_DIR and installs chessops there with `npm ci` unless the
# version the lock file names is already in place. Needs HERE (this folder),
# WORK_DIR, SCRATCH (for the npm log) and SKIP (the exit code for a missing
# tool); exits with SKIP when chessops cannot be installed.
cp "$HERE"/package.json "$HERE"/package-lock.json "$HERE"/*.mjs "$WORK_DIR"/
have_chessops() {
  (cd "$WORK_DIR" && node -e "import('chessops/chess').then(() => {
    const v = JSON.parse(require('fs').readFileSync('node_modules/chessops/package.json', 'utf8')).version;
    process.exit(v === '0.15.1' ? 0 : 1);
  }, () => process.exit(1))") >/dev/null 2>&1
}
if ! have_chessops; then
  echo "-- installing chessops into $WORK_DIR/node_modules"
  if ! (cd "$WORK_DIR" && npm ci --no-audit --no-fund --loglevel=error >"$SCRATCH/npm.log" 2>&1); then
    cat "$SCRATCH/npm.log"
    echo "SKIP: could not install chessops (npm ci failed)"
    exit $SKIP
  fi
  have_chessops || { echo "SKIP: chessops 0.15.1 does not load after npm ci"; exit $SKIP; }
fi
