// Writes the games of a match PGN (engine A against B) as lines of
// coordinate moves for book_games_tool: "w" or "b" (A's colour), then the
// moves from the start.
//   node pgn_to_moves.mjs GAMES.pgn > GAMES.txt
import { readFileSync } from 'node:fs';
import { parsePgn, startingPosition } from 'chessops/pgn';
import { parseSan } from 'chessops/san';
import { makeUci } from 'chessops/util';

for (const game of parsePgn(readFileSync(process.argv[2], 'utf8'))) {
  const pos = startingPosition(game.headers).unwrap();
  const moves = [];
  for (const node of game.moves.mainline()) {
    const move = parseSan(pos, node.san);
    if (!move) throw new Error(`bad move ${node.san} in round ${game.headers.get('Round')}`);
    // chessops writes castling as the king taking its rook; the engines
    // write the king's two-square step.
    const piece = pos.board.get(move.from), target = pos.board.get(move.to);
    const castles = piece?.role === 'king' && target?.role === 'rook' && target.color === piece.color;
    moves.push(makeUci(castles ? { from: move.from, to: move.from + (move.to > move.from ? 2 : -2) } : move));
    pos.play(move);
  }
  console.log([game.headers.get('White') === 'A' ? 'w' : 'b', ...moves].join(' '));
}
