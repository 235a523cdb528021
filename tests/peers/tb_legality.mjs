// Judges the tablebase tests' positions with chessops: reads "FEN<TAB>0|1"
// lines (the tests' verdict) and reports every position where chessops
// disagrees. Legal here: a valid setup (an impossible check of the side to
// move is allowed: the tables hold such positions) and, with an en-passant
// square, a pawn that has just stepped twice past it onto an empty square
// with a pawn of the side to move beside it.
import { readFileSync } from 'node:fs';
import { parseFen } from 'chessops/fen';
import { Chess } from 'chessops/chess';

const lines = readFileSync(process.argv[2], 'utf8').split('\n').filter((l) => l.length > 0);
let mismatches = 0, legal = 0;
for (const line of lines) {
  const [fen, verdict] = line.split('\t');
  const setup = parseFen(fen).unwrap();
  const result = Chess.fromSetup(setup);
  let ok = result.isOk || result.error.message === 'ERR_IMPOSSIBLE_CHECK';
  if (ok && setup.epSquare !== undefined) {
    const e = setup.epSquare;
    const white = setup.turn === 'white';
    const pushed = white ? e - 8 : e + 8, from = white ? e + 8 : e - 8;
    const board = setup.board;
    const them = white ? board.black : board.white, us = white ? board.white : board.black;
    const file = pushed & 7;
    const beside = [file > 0 ? pushed - 1 : -1, file < 7 ? pushed + 1 : -1].filter((s) => s >= 0);
    ok = (e >> 3) === (white ? 5 : 2) && board.pawn.has(pushed) && them.has(pushed) && !board.occupied.has(e) &&
      !board.occupied.has(from) && beside.some((s) => board.pawn.has(s) && us.has(s));
  }
  if (ok) legal++;
  if (ok !== (verdict === '1')) {
    mismatches++;
    if (mismatches <= 10) console.log(`mismatch: ${fen}: tests ${verdict}, chessops ${ok ? 1 : 0}`);
  }
}
console.log(`${lines.length} positions, ${legal} legal, ${mismatches} mismatches`);
process.exit(mismatches === 0 && lines.length > 0 ? 0 : 1);
