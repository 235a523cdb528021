// Referees the games a real xboard GUI saved: every move legal, every game
// ended by the rules, and the result the one the final position gives.
//
//   node xboard_gui_referee.mjs GAMES.pgn COUNT
//
// Accepted ends: checkmate, stalemate, insufficient material, threefold
// repetition or the fifty-move rule as the final position shows them (a
// claim by an engine or xboard's own adjudication of one of these), and a
// resignation. Anything else fails: a game cut short (xboard dropped an
// engine, "*"), a loss on time, an illegal move, a false claim.
import { readFileSync } from 'node:fs';
import { parsePgn } from 'chessops/pgn';
import { parseSan } from 'chessops/san';
import { makeUci } from 'chessops/util';
import { Referee } from './peerlib.mjs';

// chessops writes castling as the king taking its rook; the referee takes
// the two-square king move that the protocols use.
function CoordinateMove(pos, move) {
  if (pos.board.king.has(move.from) && pos.board[pos.turn].has(move.to))
    return makeUci({ from: move.from, to: move.from + (move.to > move.from ? 2 : -2) });
  return makeUci(move);
}

const [file, countText] = process.argv.slice(2);
const want = Number(countText);
const games = parsePgn(readFileSync(file, 'utf8'));
let failed = 0;
const fail = (i, why) => { console.log(`FAIL game ${i + 1}: ${why}`); failed++; };

if (games.length !== want) {
  console.log(`FAIL: ${games.length} games saved, ${want} expected`);
  failed++;
}
games.forEach((game, i) => {
  const ref = new Referee();
  let last = null;
  for (const node of game.moves.mainlineNodes()) {
    const move = parseSan(ref.pos, node.data.san);
    if (!move) return fail(i, `'${node.data.san}' is not legal after ${ref.pgnMoves()}`);
    ref.play(CoordinateMove(ref.pos, move));
    last = node.data;
  }
  const result = game.headers.get('Result');
  const white = game.headers.get('White');
  const black = game.headers.get('Black');
  const reason = (last?.comments || []).join(' ') + ' ' + (game.comments || []).join(' ');
  const end = ref.status();
  const summary = `${white} - ${black} ${result} after ${ref.ply} plies (${reason.trim() || 'no reason given'})`;
  if (end) {
    if (end.result !== result) return fail(i, `${summary}: the position is ${end.reason}, which is ${end.result}`);
  } else if (/resigns/i.test(reason)) {
    // The side to move resigned, or the side that just moved: either way the
    // other one won, and it must not be a drawn position.
    if (result !== '1-0' && result !== '0-1') return fail(i, `${summary}: a resignation with no winner`);
  } else {
    return fail(i, `${summary}: the game did not end by the rules`);
  }
  console.log(`game ${i + 1}: ${summary}`);
});
if (failed) process.exit(1);
console.log(`xboard GUI games: ${games.length} games, each ended by the rules`);
