#!/usr/bin/env node
// Full games of an engine in UCI mode against a UCI peer, every move,
// principal variation and ponder move checked by the chessops referee.
//
//   node uci_games.mjs --engine PATH [--engine-cwd DIR] [--peer /usr/games/stockfish]
//     [--games 2] [--limit nodes|movetime|clock] [--nodes 4000] [--peer-nodes 2000]
//     [--movetime 100] [--tc 10+0.1] [--maxply 200] [--openings "e2e4 e7e5,d2d4 d7d5"]
//     [--engine-opts "Name=V;..."] [--peer-opts "Threads=1;Hash=16"] [--pgn FILE]
//     [--ponder] [--verbose] [--no-pv-check] [--no-final-probe] [--max-wait MS]
//
// With --ponder the engine gets "go ponder" on its predicted reply during the
// peer's turn, then "ponderhit" or "stop"; an "isready" during the ponder
// search must be answered at once, and no bestmove may come before
// "ponderhit" or "stop".
//
// Exit code 0 when every game ended by the rules or the ply limit with no
// protocol error; 1 on an illegal or malformed move, a missing bestmove, a
// false game-over claim, a lost clock, a crash or an unclean exit.
import { appendFileSync } from 'node:fs';
import { LineProcess, Referee, TestFailure, parseArgs, reportFailure, openingLines, killStarted } from './peerlib.mjs';

const args = parseArgs(process.argv.slice(2), {
  peer: '/usr/games/stockfish', games: 2, limit: 'nodes', nodes: 4000, 'peer-nodes': 2000,
  movetime: 100, tc: '10+0.1', maxply: 200, 'peer-opts': 'Threads=1;Hash=16', 'engine-opts': '',
  'engine-name': 'engine',
});
if (!args.engine) { console.log('usage: node uci_games.mjs --engine PATH [options]'); process.exit(2); }
const GAMES = +args.games, MAXPLY = +args.maxply;
const [TC_BASE, TC_INC] = String(args.tc).split('+').map(x => Math.round(1000 * Number(x || 0)));
if (!['nodes', 'movetime', 'clock'].includes(args.limit)) { console.log(`unknown --limit ${args.limit}`); process.exit(2); }
// Time the engine may run over its clock before it counts as lost: pipe and
// scheduling delays of a loaded test machine, not thinking time.
const CLOCK_SLACK = 150, MOVETIME_SLACK = 1000;
const OPENINGS = openingLines(args.openings, ['e2e4 e7e5 g1f3 b8c6', 'd2d4 d7d5 c2c4 e7e6', 'c2c4 g8f6 b1c3 e7e5']);

const OPTION_LINE = /^option name (.+?) type (check|spin|combo|button|string)(?: (.*))?$/;

// The handshake must be id and option lines only, ending in uciok; spin
// options must have a default within their bounds, check options a boolean
// default, combo options a default among their values.
async function uciHandshake(p, strict) {
  p.send('uci');
  const seen = [];
  let banner = 0;
  for (; ;) {
    const line = await p.next(10000);
    if (line === null) throw new TestFailure(`${p.label} ${p.describeExit()} during the uci handshake`, p);
    if (line === undefined) throw new TestFailure(`${p.label}: no uciok within 10 s of 'uci'`, p);
    if (line === 'uciok') break;
    // A greeting before the first id line is common and harmless.
    if (!seen.length && !line.startsWith('id ')) { banner++; continue; }
    if (line.trim() === '') continue;
    seen.push(line);
    if (!strict) continue;
    if (/^id (name|author) \S/.test(line)) continue;
    const m = OPTION_LINE.exec(line);
    if (!m) throw new TestFailure(`${p.label}: unexpected line in the uci handshake: '${line}'`, p);
    const rest = m[3] || '';
    if (m[2] === 'spin') {
      // default, min and max in any order
      const v = k => { const x = new RegExp(`(?:^| )${k} (-?\\d+)(?: |$)`).exec(rest); return x ? +x[1] : NaN; };
      const [d, lo, hi] = [v('default'), v('min'), v('max')];
      if (!(lo <= d && d <= hi)) throw new TestFailure(`${p.label}: bad spin option: '${line}'`, p);
    } else if (m[2] === 'check') {
      if (!/^default (true|false)$/.test(rest)) throw new TestFailure(`${p.label}: bad check option: '${line}'`, p);
    } else if (m[2] === 'combo') {
      const d = /^default (.+?)((?: var .+?)+)$/.exec(rest);
      const vars = d ? d[2].split(' var ').slice(1).map(s => s.trim()) : [];
      if (!d || !vars.includes(d[1])) throw new TestFailure(`${p.label}: bad combo option: '${line}'`, p);
    }
  }
  if (strict) {
    if (!seen.some(l => l.startsWith('id name '))) throw new TestFailure(`${p.label}: no 'id name' before uciok`, p);
    if (!seen.some(l => l.startsWith('id author '))) throw new TestFailure(`${p.label}: no 'id author' before uciok`, p);
  }
  seen.banner = banner;
  return seen;
}

async function ready(p) {
  p.send('isready');
  for (; ;) {
    const line = await p.next(10000);
    if (line === null) throw new TestFailure(`${p.label} ${p.describeExit()} while waiting for readyok`, p);
    if (line === undefined) throw new TestFailure(`${p.label}: no readyok within 10 s of 'isready'`, p);
    if (line === 'readyok') return;
    if (!line.startsWith('info')) throw new TestFailure(`${p.label}: unexpected line while waiting for readyok: '${line}'`, p);
  }
}

async function startUci(label, cmd, cwd, opts, strict) {
  const p = new LineProcess(label, cmd, cwd);
  const lines = await uciHandshake(p, strict);
  for (const kv of String(opts || '').split(';').filter(Boolean)) {
    const i = kv.indexOf('=');
    p.send(`setoption name ${kv.slice(0, i)} value ${kv.slice(i + 1)}`);
  }
  await ready(p);
  return { p, lines };
}

const stats = { infoLines: 0, pvMoves: 0, ponderMoves: 0, unexpected: [], maxNodes: 0, lastNodes: 0, ponderSearches: 0, ponderHits: 0, ponderMisses: 0 };

// Checks one info line of the engine against the position it searches.
function checkInfo(line, ref, p, root = ref.pos) {
  const tok = line.split(/\s+/);
  stats.infoLines++;
  const at = k => tok.indexOf(k);
  if (at('score') >= 0) {
    const kind = tok[at('score') + 1], val = tok[at('score') + 2];
    if (!['cp', 'mate'].includes(kind) || !/^-?\d+$/.test(val || '')) throw new TestFailure(`${p.label}: malformed score in '${line}'`, p);
  }
  for (const k of ['depth', 'seldepth', 'nodes', 'time', 'nps', 'multipv', 'currmovenumber', 'hashfull', 'tbhits']) {
    if (at(k) >= 0 && !/^\d+$/.test(tok[at(k) + 1] || '')) throw new TestFailure(`${p.label}: '${k}' is not a count in '${line}'`, p);
  }
  if (at('nodes') >= 0) stats.lastNodes = Math.max(stats.lastNodes, +tok[at('nodes') + 1]);
  if (args['no-pv-check']) return;
  if (at('currmove') >= 0) {
    const r = ref.checkLine([tok[at('currmove') + 1]], root);
    if (r) throw new TestFailure(`${p.label}: bad currmove at ply ${ref.ply}: ${r}\n  line: ${line}`, p);
  }
  if (at('pv') >= 0) {
    const pv = tok.slice(at('pv') + 1);
    if (!pv.length) throw new TestFailure(`${p.label}: empty pv in '${line}'`, p);
    const r = ref.checkLine(pv, root);
    if (r) throw new TestFailure(`${p.label}: illegal pv at ply ${ref.ply}${root !== ref.pos ? ' (pondering)' : ''}: ${r}\n  line: ${line}`, p);
    stats.pvMoves += pv.length;
  }
}

// The go command and how long to wait for its bestmove (--max-wait caps it).
function goCommand(stm, clock) {
  const cap = l => Math.min(l, +(args['max-wait'] || Infinity));
  if (args.limit === 'nodes') return [`go nodes ${args.nodes}`, cap(60000)];
  if (args.limit === 'movetime') return [`go movetime ${args.movetime}`, cap(+args.movetime + 10000)];
  return [`go wtime ${Math.max(1, clock[0])} btime ${Math.max(1, clock[1])} winc ${TC_INC} binc ${TC_INC}`, cap(clock[stm] + 10000)];
}

// Reads up to the engine's bestmove, checking every info line against the
// position searched; returns the parsed line. after names the command the
// wait is for.
async function readBestmove(e, ref, root, limit, after) {
  const t0 = Date.now();
  stats.lastNodes = 0;
  for (; ;) {
    const line = await e.next(limit - (Date.now() - t0));
    if (line === null) throw new TestFailure(`${e.label} ${e.describeExit()} while searching at ply ${ref.ply} (${ref.fen()})`, e);
    if (line === undefined) throw new TestFailure(`${e.label}: no bestmove within ${limit} ms of '${after}' at ply ${ref.ply} (${ref.fen()})`, e);
    if (line.startsWith('info')) { checkInfo(line, ref, e, root); continue; }
    if (!line.startsWith('bestmove')) { stats.unexpected.push(line); continue; }
    const m = /^bestmove (\S+)(?: ponder (\S+))?$/.exec(line.trim());
    if (!m) throw new TestFailure(`${e.label}: malformed bestmove line '${line}'`, e);
    return { m, line, spent: Date.now() - t0 };
  }
}

// The lines the engine printed while pondering: info lines about the
// ponder position, and no bestmove before "ponderhit" or "stop". Ends with an
// "isready" that must be answered during the search.
async function checkPondering(e, ref, ponder) {
  e.send('isready');
  const t0 = Date.now();
  for (; ;) {
    const line = await e.next(5000 - (Date.now() - t0));
    if (line === null) throw new TestFailure(`${e.label} ${e.describeExit()} while pondering at ply ${ref.ply}`, e);
    if (line === undefined) throw new TestFailure(`${e.label}: no readyok within 5000 ms of 'isready' while pondering`, e);
    if (line === 'readyok') return;
    if (line.startsWith('info')) { checkInfo(line, ref, e, ponder.pos); continue; }
    if (line.startsWith('bestmove')) throw new TestFailure(`${e.label}: '${line}' while pondering, before 'ponderhit' or 'stop'`, e);
    stats.unexpected.push(line);
  }
}

// Ends a ponder search that missed (or outlived the game): after "stop" its
// bestmove must come and be legal in the ponder position.
async function stopPondering(e, ref, ponder) {
  e.send('stop');
  const { m, line } = await readBestmove(e, ref, ponder.pos, 5000, 'stop');
  if (m[1] === '0000' || m[1] === '(none)') {
    if (!ponder.hasMoves) return;
    throw new TestFailure(`${e.label}: '${line}' after 'stop' of a ponder search with legal moves`, e);
  }
  const r = ref.check(m[1], ponder.pos);
  if (typeof r === 'string') throw new TestFailure(`${e.label}: illegal bestmove after 'stop' of a ponder search: ${r}`, e);
}

// Asks the engine for a move; returns {move, ponder} with move null for a
// "no move" answer (0000 or (none)), after checking every line it printed.
// With a ponder search running, a predicted reply turns it into this search
// ("ponderhit"); otherwise it is stopped first.
async function askEngine(e, ref, clock, ponder) {
  const stm = ref.turn === 'white' ? 0 : 1;
  let [go, limit] = goCommand(stm, clock);
  let t;
  if (ponder) await checkPondering(e, ref, ponder);
  if (ponder && ponder.ply === ref.ply && ref.moves[ref.ply - 1] === ponder.move) {
    stats.ponderHits++;
    e.send('ponderhit');
    go = 'ponderhit';
    t = await readBestmove(e, ref, ref.pos, limit, go);
  } else {
    if (ponder) { stats.ponderMisses++; await stopPondering(e, ref, ponder); }
    await ready(e);
    e.send(`position startpos${ref.ply ? ' moves ' + ref.moves.join(' ') : ''}`);
    e.send(go);
    t = await readBestmove(e, ref, ref.pos, limit, go);
  }
  const { m, line, spent } = t;
  if (stats.lastNodes > stats.maxNodes) { stats.maxNodes = stats.lastNodes; stats.maxNodesAt = `ply ${ref.ply}, ${ref.fen()}`; }
  if (args.limit === 'clock') {
    clock[stm] -= spent;
    if (clock[stm] < -CLOCK_SLACK) throw new TestFailure(`${e.label} lost on time at ply ${ref.ply}: ${spent} ms spent, clock now ${clock[stm]} ms`, e);
    clock[stm] += TC_INC;
  } else if (args.limit === 'movetime' && spent > +args.movetime + MOVETIME_SLACK) {
    throw new TestFailure(`${e.label} took ${spent} ms for '${go}' (movetime ${args.movetime}) at ply ${ref.ply}`, e);
  }
  if (m[1] === '0000' || m[1] === '(none)') return { move: null, ponder: null, line };
  const mv = ref.check(m[1]);
  if (typeof mv === 'string') throw new TestFailure(`${e.label} played an illegal move at ply ${ref.ply}: ${mv}\n  line: ${line}`, e);
  if (m[2]) {
    const after = ref.pos.clone(); after.play(mv);
    const r = ref.check(m[2], after);
    if (typeof r === 'string') throw new TestFailure(`${e.label}: illegal ponder move at ply ${ref.ply}: ${r}\n  line: ${line}`, e);
    stats.ponderMoves++;
  }
  return { move: m[1], ponder: m[2] || null, line };
}

// Starts "go ponder" on the predicted reply; the position searched is the
// one after it.
function startPondering(e, ref, clock, move) {
  const pos = ref.pos.clone();
  pos.play(ref.check(move));
  const stm = pos.turn === 'white' ? 0 : 1;
  e.send(`position startpos moves ${[...ref.moves, move].join(' ')}`);
  e.send(goCommand(stm, clock)[0].replace(/^go /, 'go ponder '));
  stats.ponderSearches++;
  return { move, ply: ref.ply + 1, pos, hasMoves: [...pos.allDests().values()].some(d => d.nonEmpty()) };
}

async function askPeer(s, ref) {
  s.send(`position startpos${ref.ply ? ' moves ' + ref.moves.join(' ') : ''}`);
  s.send(`go nodes ${args['peer-nodes']}`);
  for (; ;) {
    const line = await s.next(60000);
    if (line === null || line === undefined) throw new TestFailure(`peer ${line === null ? s.describeExit() : 'gave no bestmove within 60 s'} at ply ${ref.ply}`, s);
    const m = /^bestmove (\S+)/.exec(line);
    if (!m) continue;
    const mv = ref.check(m[1]);
    if (typeof mv === 'string') throw new TestFailure(`peer played an illegal move at ply ${ref.ply}: ${mv}`, s);
    return m[1];
  }
}

// After the game the engine is shown the final position: where no move
// exists it must answer "no move"; where a draw rule applies it may claim
// with "no move" or play on legally; otherwise it must play a legal move.
async function finalProbe(e, ref, end, clock) {
  const r = await askEngine(e, ref, clock);
  const noMoves = !ref.hasLegalMoves();
  if (noMoves && r.move !== null) throw new TestFailure(`${e.label} answered '${r.line}' in a final position with no legal moves (${end.reason})`, e);
  if (!noMoves && r.move === null && (end.reason === 'ply limit'))
    throw new TestFailure(`${e.label} claimed the game over ('${r.line}') after the ply limit, where no rule ends it (${ref.fen()})`, e);
  return r.move === null ? 'claimed' : 'played on';
}

async function playGame(e, s, gameNo, opening, engineWhite) {
  const ref = new Referee();
  for (const m of opening.split(/\s+/).filter(Boolean)) ref.play(m);
  const clock = [TC_BASE, TC_BASE];
  e.send('ucinewgame');
  s.send('ucinewgame');
  await ready(s);
  let end = ref.status();
  let ponder = null, ponderNext = null;
  while (!end) {
    const engineToMove = (ref.turn === 'white') === engineWhite;
    if (engineToMove) {
      const r = await askEngine(e, ref, clock, ponder);
      ponder = null;
      if (r.move === null) throw new TestFailure(`${e.label} claimed the game over ('${r.line}') at ply ${ref.ply}, but no rule ends it: ${ref.fen()}`, e);
      ref.play(r.move);
      ponderNext = args.ponder ? r.ponder : null;
    } else {
      // The engine thinks on the peer's time about the reply it predicted.
      if (ponderNext) { ponder = startPondering(e, ref, clock, ponderNext); ponderNext = null; }
      const clockStm = ref.turn === 'white' ? 0 : 1;
      const t0 = Date.now();
      ref.play(await askPeer(s, ref));
      clock[clockStm] += TC_INC - (Date.now() - t0);
    }
    end = ref.status() || (ref.ply >= MAXPLY ? { result: '*', reason: 'ply limit' } : null);
  }
  if (ponder) { await checkPondering(e, ref, ponder); await stopPondering(e, ref, ponder); }
  const probe = args['no-final-probe'] ? 'not asked' : await finalProbe(e, ref, end, clock);
  if (args.pgn) {
    const names = engineWhite ? [args['engine-name'], 'peer'] : ['peer', args['engine-name']];
    appendFileSync(args.pgn, `[Event "uci peer games"]\n[Round "${gameNo}"]\n[White "${names[0]}"]\n[Black "${names[1]}"]\n` +
      `[Result "${end.result}"]\n[Termination "${end.reason}"]\n\n${ref.pgnMoves()} ${end.result}\n\n`);
  }
  return { end, ref, probe };
}

const context = [];
let e = null, s = null;
try {
  const started = await startUci(args['engine-name'], args.engine, args['engine-cwd'], args['engine-opts'], true);
  e = started.p;
  const idName = started.lines.find(l => l.startsWith('id name ')) || '';
  s = (await startUci('peer', args.peer, null, args['peer-opts'], false)).p;
  const limitText = args.limit === 'nodes' ? `nodes ${args.nodes} vs peer nodes ${args['peer-nodes']}`
    : args.limit === 'movetime' ? `movetime ${args.movetime} ms vs peer nodes ${args['peer-nodes']}` : `clock ${args.tc} vs peer nodes ${args['peer-nodes']}`;
  if (args.ponder && !started.lines.some(l => /^option name Ponder type check/.test(l))) console.log(`note: no 'Ponder' option announced; 'go ponder' is used anyway`);
  console.log(`uci: ${idName.slice(8)}${args.ponder ? ', pondering' : ''} (${started.lines.banner} greeting and ${started.lines.length} id/option lines before uciok), ${GAMES} games, ${limitText}, max ${MAXPLY} plies`);
  const score = { w: 0, d: 0, l: 0, unfinished: 0 };
  for (let g = 0; g < GAMES; g++) {
    const opening = OPENINGS[Math.floor(g / 2) % OPENINGS.length];
    const engineWhite = g % 2 === 0;
    context[0] = `in game ${g + 1} (engine ${engineWhite ? 'white' : 'black'}, opening '${opening}')`;
    const before = { ...stats };
    const { end, ref, probe } = await playGame(e, s, g + 1, opening, engineWhite);
    if (end.result === '*') score.unfinished++;
    else if (end.result === '1/2-1/2') score.d++;
    else if ((end.result === '1-0') === engineWhite) score.w++;
    else score.l++;
    const pondering = args.ponder ? `; ${stats.ponderSearches - before.ponderSearches} ponder searches (${stats.ponderHits - before.ponderHits} hits, ${stats.ponderMisses - before.ponderMisses} misses)` : '';
    console.log(`game ${g + 1}: engine ${engineWhite ? 'white' : 'black'}, opening '${opening}': ${end.result} ${end.reason} after ${ref.ply} plies;` +
      ` ${stats.infoLines - before.infoLines} info lines, ${stats.pvMoves - before.pvMoves} pv moves and ${stats.ponderMoves - before.ponderMoves} ponder moves checked${pondering}; final position: ${probe}`);
    if (args.verbose) console.log(`  ${ref.pgnMoves()}`);
  }
  context[0] = 'at the end';
  const q = await e.quit();
  if (q) throw new TestFailure(`${e.label} ${q}`, e);
  await s.quit();
  if (args.limit === 'nodes') console.log(`note: largest node count reported in a search of 'go nodes ${args.nodes}': ${stats.maxNodes} (at ${stats.maxNodesAt})`);
  if (stats.unexpected.length) console.log(`note: ${stats.unexpected.length} unrecognised engine lines, first: '${stats.unexpected[0]}'`);
  console.log(`uci: PASS: engine +${score.w} =${score.d} -${score.l}${score.unfinished ? ` (${score.unfinished} stopped at the ply limit)` : ''} in ${GAMES} games`);
} catch (err) {
  reportFailure(err, context[0]);
  if (err instanceof TestFailure && err.proc !== s && s) console.log(s.tail(6));
  killStarted();
}
