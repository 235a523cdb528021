#!/usr/bin/env node
// A stand-in engine for the harness self-test: speaks UCI and the plain
// xboard dialect, plays pseudo-random legal moves, and on request commits one
// protocol fault from ply --at on, so that each check of the game scripts can
// be seen to catch it.
//   node fake_engine.mjs [--fault NAME] [--at PLY] [--seed N]
import { createInterface } from 'node:readline';
import { Chess } from 'chessops/chess';
import { parseFen, INITIAL_FEN } from 'chessops/fen';
import { parseUci, makeSquare } from 'chessops/util';

const argv = process.argv.slice(2);
const opt = (name, dflt) => { const i = argv.indexOf('--' + name); return i >= 0 ? argv[i + 1] : dflt; };
const FAULT = opt('fault', 'none'), AT = +opt('at', 6);
let seed = +opt('seed', 1);

const out = s => process.stdout.write(s + '\n');
const start = () => Chess.fromSetup(parseFen(INITIAL_FEN).unwrap()).unwrap();
let pos = start(), ply = 0;

function legalMoves(p) {
  const list = [];
  for (const [from, dests] of p.allDests()) {
    for (const to of dests) {
      // Castling as the two-square king move, as both protocols expect.
      let t = to;
      if (p.board.king.has(from) && p.board[p.turn].has(to)) t = to > from ? from + 2 : from - 2;
      const promo = p.board.pawn.has(from) && (t >> 3 === 7 || t >> 3 === 0);
      list.push(makeSquare(from) + makeSquare(t) + (promo ? 'q' : ''));
    }
  }
  return list.sort();
}

function pick(p) {
  const list = legalMoves(p);
  if (!list.length) return null;
  seed = (seed * 1103515245 + 12345) % 2147483648;
  return list[seed % list.length];
}

// A well-formed move that is not legal here: an own piece to a square it
// cannot reach.
function illegalMove(p) {
  const legal = new Set(legalMoves(p));
  for (const from of p.board[p.turn]) for (let to = 0; to < 64; to++) {
    const m = makeSquare(from) + makeSquare(to);
    if (from !== to && !legal.has(m) && !legal.has(m + 'q')) return m;
  }
  return 'a1a1';
}

const play = m => { pos.play(parseUci(m)); ply++; };
const faulty = () => ply >= AT;

// ---- xboard state ----
let held = null;   // the answer of a ponder search
let xboard = false, force = false, engineSide = 'black', post = false, ponder = false;

function xbMove() {
  if (faulty() && FAULT === 'crash') process.exit(3);
  if (faulty() && FAULT === 'silent') return;
  if (faulty() && FAULT === 'claim') { out('1/2-1/2 {fake claim}'); return; }
  const m = faulty() && FAULT === 'illegal' ? illegalMove(pos) : pick(pos);
  if (!m) return;
  // The illegal move alone, so that the move check (not the pv check) meets it.
  if (post && !(faulty() && FAULT === 'illegal')) {
    const reply = (() => { const c = pos.clone(); c.play(parseUci(m)); return pick(c); })();
    const pv = faulty() && FAULT === 'badpv' ? `${m} ${m}` : reply ? `${m} ${reply}` : m;
    out(`1 0 0 1 ${pv}`);
  }
  out(`move ${m}`);
  if (!faulty() || FAULT !== 'illegal') play(m);
  if (faulty() && FAULT === 'easyponder' && !ponder) out(`1 0 0 1 ${pick(pos) || ''}`);
  if (ponder && !(faulty() && FAULT === 'noponder')) {
    const hint = faulty() && FAULT === 'badhint' ? illegalMove(pos) : pick(pos);
    if (hint) {
      out(`Hint: ${hint}`);
      const c = pos.clone();
      if (FAULT !== 'badhint' || !faulty()) { c.play(parseUci(hint)); const r = pick(c); if (post && r) out(`1 0 0 1 ${r}`); }
    }
  }
}

function xboardCommand(line) {
  const [cmd] = line.split(' ');
  if (/^[a-h][1-8][a-h][1-8][qrbn]?$/.test(cmd)) {
    if (faulty() && FAULT === 'refuse') { out(`Illegal move: ${cmd}`); return; }
    if (!legalMoves(pos).includes(cmd)) { out(`Illegal move: ${cmd}`); return; }
    play(cmd);
    if (!force) xbMove();
    return;
  }
  switch (cmd) {
    case 'new': pos = start(); ply = 0; force = false; engineSide = 'black'; break;
    case 'force': force = true; break;
    case 'go': force = false; engineSide = pos.turn; xbMove(); break;
    case 'post': post = true; break;
    case 'nopost': post = false; break;
    case 'hard': ponder = true; break;
    case 'easy': ponder = false; break;
    case 'result':
      // Thinking lines well after the result, as an engine that goes on searching.
      if (FAULT === 'lateresult') setTimeout(() => { let k = 0; const t = setInterval(() => { out('2 0 0 5 a2a3'); if (++k > 30) clearInterval(t); }, 100); }, 1300);
      break;
    default: break;   // protover, level, st, sd, time, otim
  }
}

function uciCommand(line) {
  const tok = line.split(/\s+/);
  switch (tok[0]) {
    case 'uci':
      out('id name Fake');
      out('id author the peer game tests');
      out('option name Hash type spin default 1 min 1 max 8');
      if (FAULT === 'badoption') out('option name Hash2 type spin default 9 min 1 max 8');
      out('uciok');
      break;
    case 'isready': out('readyok'); break;
    case 'ucinewgame': break;
    case 'position': {
      pos = start(); ply = 0;
      const i = tok.indexOf('moves');
      if (i >= 0) for (const m of tok.slice(i + 1)) play(m);
      break;
    }
    case 'ponderhit':
    case 'stop':
      if (held) { out(held); held = null; }
      break;
    case 'go': {
      if (faulty() && FAULT === 'crash') process.exit(3);
      // A ponder search keeps its answer until "ponderhit" or "stop".
      const hold = tok[1] === 'ponder' && !(faulty() && FAULT === 'ponderearly');
      if (faulty() && FAULT === 'silent') break;
      const m = faulty() && FAULT === 'claim' ? null : faulty() && FAULT === 'illegal' ? illegalMove(pos) : pick(pos);
      if (!m) { if (hold) held = 'bestmove 0000'; else out('bestmove 0000'); break; }
      const c = pos.clone();
      if (!(faulty() && FAULT === 'illegal')) c.play(parseUci(m));
      const reply = faulty() && FAULT === 'badponder' ? illegalMove(c) : pick(c);
      const pv = faulty() && FAULT === 'badpv' ? `${m} ${m}` : m;
      if (!(faulty() && FAULT === 'illegal')) out(`info depth 1 score cp 0 nodes 1 pv ${pv}`);
      const best = `bestmove ${m}${reply ? ' ponder ' + reply : ''}`;
      if (hold) held = best; else out(best);
      break;
    }
    default: break;
  }
}

createInterface({ input: process.stdin }).on('line', raw => {
  const line = raw.trim();
  if (line === 'quit') process.exit(FAULT === 'badexit' ? 1 : 0);
  if (line === 'xboard') { xboard = true; return; }
  if (xboard) xboardCommand(line); else uciCommand(line);
});
