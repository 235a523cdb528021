// The position each game of a PGN file ends in, by the chessops library, one
// line a game: "placement side castling".
//   node final_positions.mjs GAMES.pgn > POSITIONS.txt
import { readFileSync } from 'node:fs';
import { defaultHeaders, parsePgn, startingPosition } from 'chessops/pgn';
import { parseSan } from 'chessops/san';
import { makeFen } from 'chessops/fen';

// A text without tags before the first game (a file's opening comment)
// comes as a game of default headers and no moves: it is no game.
const defaults = defaultHeaders();
const isPreamble = (game) =>
  [...game.moves.mainline()].length === 0 &&
  [...game.headers].every(([name, value]) => defaults.get(name) === value);

let index = 0;
for (const game of parsePgn(readFileSync(process.argv[2], 'utf8'))) {
  index++;
  if (isPreamble(game)) continue;
  const pos = startingPosition(game.headers).unwrap();
  for (const node of game.moves.mainline()) {
    const move = parseSan(pos, node.san);
    if (!move) throw new Error(`game ${index}: move ${node.san} is not legal`);
    pos.play(move);
  }
  console.log(makeFen(pos.toSetup()).split(' ').slice(0, 3).join(' '));
}
