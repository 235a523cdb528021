#!/usr/bin/env node
// Full games of an engine in xboard mode (this script is its GUI) against a
// UCI peer, with a chessops referee for every move, thinking line and hint.
//
//   node xboard_games.mjs --engine PATH [--engine-cwd DIR] [--peer /usr/games/stockfish]
//     [--games 2] [--ponder off|on|both] [--tc "level 0 0:20 0" | "st 1" | "sd 5"]
//     [--peer-nodes 2000] [--ponder-wait 150] [--maxply 160] [--nopost]
//     [--openings ",e2e4 e7e5 g1f3 b8c6"] [--pgn FILE] [--verbose] [--max-wait MS]
//
// --games counts games per pondering mode; "both" plays them with "easy" and
// again with "hard". The engine plays white in odd games: from the initial
// position it starts on "go" after "new", as black it answers the peer's
// first move; after an opening line it is given the moves in force mode.
// Exit code 0 when every game ended cleanly; 1 on an illegal move (either
// way), an "Illegal move"/"Error" answer, a false result claim, a missing
// move, a lost clock, thinking while pondering is off, no thinking on the
// opponent's time while it is on, a crash or an unclean exit.
import { appendFileSync } from 'node:fs';
import { makeFen } from 'chessops/fen';
import { LineProcess, Referee, TestFailure, parseArgs, reportFailure, openingLines, killStarted } from './peerlib.mjs';

const args = parseArgs(process.argv.slice(2), {
  peer: '/usr/games/stockfish', games: 2, ponder: 'both', tc: 'level 0 0:20 0', 'peer-nodes': 2000,
  'ponder-wait': 150, maxply: 160, 'peer-opts': 'Threads=1;Hash=16', 'engine-name': 'engine',
});
if (!args.engine) { console.log('usage: node xboard_games.mjs --engine PATH [options]'); process.exit(2); }
const GAMES = +args.games, MAXPLY = +args.maxply, PONDER_WAIT = +args['ponder-wait'];
const MODES = args.ponder === 'both' ? ['easy', 'hard'] : args.ponder === 'on' ? ['hard'] : args.ponder === 'off' ? ['easy'] : null;
if (!MODES) { console.log(`unknown --ponder ${args.ponder}`); process.exit(2); }
const POST = !args.nopost;
const OPENINGS = openingLines(args.openings, ['', 'e2e4 e7e5 g1f3 b8c6', 'd2d4 d7d5 c2c4 e7e6']);

// The time control: the command sent, the clock the GUI keeps and how long
// a move may take.
const tcText = String(args.tc).trim();
const TC = (() => {
  let m = /^level (\d+) (\d+)(?::(\d+))? (\d+(?:\.\d+)?)$/.exec(tcText);
  if (m) return { kind: 'level', base: (60 * +m[2] + +(m[3] || 0)) * 1000, inc: Math.round(1000 * +m[4]) };
  m = /^st (\d+)$/.exec(tcText);
  if (m) return { kind: 'st', perMove: 1000 * +m[1] };
  m = /^sd (\d+)$/.exec(tcText);
  if (m) return { kind: 'sd' };
  console.log(`unsupported --tc '${tcText}'`); process.exit(2);
})();
// Pipe and scheduling delays of a loaded machine, not thinking time.
const CLOCK_SLACK = 200, ST_SLACK = 1500;
// How long lines already on their way may arrive after "result".
const RESULT_GRACE = 1000;
// Clocks sent with "st" and "sd", where the GUI keeps no game clock.
const NOMINAL_CS = 30000;

const THINKING = /^(\d+) (-?\d+) (\d+) (\d+)(?: (.*))?$/;
const CLAIM = /^(1-0|0-1|1\/2-1\/2)(?: \{.*\})?$/;

async function startPeer() {
  const s = new LineProcess('peer', args.peer);
  s.send('uci');
  for (; ;) {
    const l = await s.next(10000);
    if (l === null || l === undefined) throw new TestFailure(`peer: no uciok (${l === null ? s.describeExit() : 'timeout'})`, s);
    if (l === 'uciok') break;
  }
  for (const kv of String(args['peer-opts']).split(';').filter(Boolean)) {
    const i = kv.indexOf('=');
    s.send(`setoption name ${kv.slice(0, i)} value ${kv.slice(i + 1)}`);
  }
  return s;
}

async function peerReady(s) {
  s.send('isready');
  for (; ;) {
    const l = await s.next(10000);
    if (l === null || l === undefined) throw new TestFailure(`peer: no readyok`, s);
    if (l === 'readyok') return;
  }
}

async function askPeer(s, ref) {
  s.send(`position startpos${ref.ply ? ' moves ' + ref.moves.join(' ') : ''}`);
  s.send(`go nodes ${args['peer-nodes']}`);
  for (; ;) {
    const l = await s.next(60000);
    if (l === null || l === undefined) throw new TestFailure(`peer ${l === null ? s.describeExit() : 'gave no bestmove within 60 s'} at ply ${ref.ply}`, s);
    const m = /^bestmove (\S+)/.exec(l);
    if (!m) continue;
    const mv = ref.check(m[1]);
    if (typeof mv === 'string') throw new TestFailure(`peer played an illegal move at ply ${ref.ply}: ${mv}`, s);
    return m[1];
  }
}

// One game's view of the engine's output. Each line is judged in the phase
// in which it arrives: the engine's own turn, the opponent's turn, or after
// the result.
class Session {
  constructor(e, s) {
    this.e = e; this.s = s;
    this.unexpected = [];
    this.features = [];
    this.startupLines = 0;
  }

  startGame(mode) {
    this.ref = new Referee();
    this.mode = mode;
    this.ponderPos = null;     // position after the hinted reply, while pondering
    this.afterEngine = null;   // position after the engine's last move
    this.hint = null;
    this.resigned = false;
    this.claim = null;
    this.count = { thinking: 0, pvMoves: 0, oppTimeLines: 0, hints: 0, hintsWithoutPiece: 0 };
  }

  fail(msg) { throw new TestFailure(`${msg}\n  at ply ${this.ref.ply}, position ${this.ref.fen()}`, this.e, [this.s]); }

  // PV legality from any position the engine may be thinking about now.
  checkThinking(line, m, roots, phase) {
    this.count.thinking++;
    const pv = (m[5] || '').trim().split(/\s+/).filter(Boolean);
    if (!pv.length) this.fail(`thinking line without a principal variation: '${line}'`);
    const reasons = [];
    for (const root of roots) {
      const r = this.ref.checkLine(pv, root);
      if (!r) { this.count.pvMoves += pv.length; return; }
      reasons.push(r);
    }
    this.fail(`illegal principal variation ${phase}: ${reasons.join('; ')}\n  line: ${line}`);
  }

  // Judges a line that is not the awaited answer. Returns true when the line
  // was a thinking line.
  judge(line, phase) {
    if (/^Illegal move/.test(line)) this.fail(`the engine refused a move: '${line}'`);
    if (/^Error \(/.test(line)) this.fail(`the engine reported an error: '${line}'`);
    if (phase === 'startup') { this.startupLines++; return false; }
    const t = THINKING.exec(line);
    if (t) {
      if (phase === 'own turn') {
        const roots = [this.ref.pos];
        if (this.ponderPos) roots.push(this.ponderPos);
        this.checkThinking(line, t, roots, 'on its own turn');
      } else if (phase === 'opponent turn') {
        this.count.oppTimeLines++;
        if (this.mode === 'easy') this.fail(`thinking on the opponent's time with pondering off ("easy"): '${line}'`);
        this.checkThinking(line, t, [this.ponderPos || this.ref.pos], 'while pondering');
      } else if (phase === 'result grace') {
        // A search still running when "result" was sent.
        this.checkThinking(line, t, [this.ref.pos, this.ponderPos || this.ref.pos], 'as the game ended');
      } else if (phase === 'after result') {
        this.fail(`still thinking more than ${RESULT_GRACE} ms after the result was sent: '${line}'`);
      }
      return true;
    }
    const h = /^Hint: (\S+)$/.exec(line);
    if (h) {
      // A hint is the reply the engine expects to its last move; it may be
      // read after that reply has been sent.
      const base = this.afterEngine;
      if (!base || phase === 'startup') { this.unexpected.push(`${line} (${phase})`); return false; }
      let mv = this.ref.check(h[1], base);
      if (typeof mv === 'string' && /^[a-h][1-8][a-h][1-8]$/.test(h[1]) && typeof this.ref.check(h[1] + 'q', base) !== 'string') {
        // The hint names the squares of a promotion but not the piece.
        this.count.hintsWithoutPiece++;
        if (!this.hintWithoutPieceExample) this.hintWithoutPieceExample = `'${line}' in ${makeFen(base.toSetup())}`;
        mv = this.ref.check(h[1] + 'q', base);
      }
      if (typeof mv === 'string') this.fail(`illegal hint: ${mv}\n  line: ${line}`);
      this.count.hints++;
      this.hint = h[1];
      this.ponderPos = base.clone();
      this.ponderPos.play(mv);
      return false;
    }
    if (/^feature /.test(line)) {
      this.features.push(line);
      if (/\b(usermove|san|colors|setboard)=1\b/.test(line)) this.fail(`the engine asked for a protocol feature this GUI does not use: '${line}'`);
      return false;
    }
    if (CLAIM.test(line)) {
      const st = this.ref.status();
      const result = CLAIM.exec(line)[1];
      if (!st) this.fail(`the engine claimed '${line}', but no rule ends the game`);
      if (st.result !== result) this.fail(`the engine claimed '${line}', but the game ended ${st.result} by ${st.reason}`);
      this.claim = line;
      return false;
    }
    if (line === 'resign') {
      if (phase !== 'own turn') this.fail(`'resign' outside the engine's own turn (${phase})`);
      this.resigned = true;
      return false;
    }
    if (/^move /.test(line)) this.fail(`a move ${phase === 'opponent turn' ? 'on the opponent\'s turn' : 'after the game ended'}: '${line}'`);
    this.unexpected.push(line);
    return false;
  }

  // Judges the lines that arrive within ms milliseconds (all lines already
  // received, for ms 0), or until the engine has been quiet for quietMs.
  async drain(ms, phase, quietMs) {
    const end = Date.now() + ms;
    let last = Date.now();
    for (; ;) {
      let wait = Math.max(0, end - Date.now());
      if (quietMs) wait = Math.min(wait, Math.max(0, quietMs - (Date.now() - last)));
      const l = this.e.queue.length ? this.e.queue.shift() : wait > 0 ? await this.e.next(wait) : undefined;
      if (l === null) this.fail(`the engine ${this.e.describeExit()}`);
      if (l === undefined) {
        if (Date.now() >= end || (quietMs && Date.now() - last >= quietMs)) return;
        continue;
      }
      last = Date.now();
      this.judge(l, phase);
    }
  }

  // Waits for "move X" on the engine's turn; returns the move text.
  async awaitMove(limitMs) {
    const t0 = Date.now();
    for (; ;) {
      const l = await this.e.next(limitMs - (Date.now() - t0));
      if (l === null) this.fail(`the engine ${this.e.describeExit()} on its turn`);
      if (l === undefined) this.fail(`no move within ${limitMs} ms`);
      const m = /^move (\S+)$/.exec(l);
      if (m) return { move: m[1], spent: Date.now() - t0 };
      this.judge(l, 'own turn');
    }
  }
}

function clockLine(sess, clock, engineColour) {
  const own = TC.kind === 'level' ? clock[engineColour] : NOMINAL_CS * 10;
  const opp = TC.kind === 'level' ? clock[1 - engineColour] : NOMINAL_CS * 10;
  sess.e.send(`time ${Math.max(0, Math.floor(own / 10))}`);
  sess.e.send(`otim ${Math.max(0, Math.floor(opp / 10))}`);
}

// How long to wait for a move (--max-wait caps it).
function moveLimit(clock, engineColour) {
  const cap = l => Math.min(l, +(args['max-wait'] || Infinity));
  if (TC.kind === 'level') return cap(clock[engineColour] + 5000);
  if (TC.kind === 'st') return cap(TC.perMove + 5000);
  return cap(60000);
}

async function playGame(sess, gameNo, opening, engineWhite, mode) {
  const { e, s } = sess;
  sess.startGame(mode);
  const ref = sess.ref;
  const engineColour = engineWhite ? 0 : 1;
  const clock = TC.kind === 'level' ? [TC.base, TC.base] : [0, 0];
  e.send('new');
  e.send(tcText);
  e.send(POST ? 'post' : 'nopost');
  e.send(mode);
  s.send('ucinewgame');
  await peerReady(s);
  const openingMoves = opening.split(/\s+/).filter(Boolean);
  let forced = false;
  if (openingMoves.length) {
    e.send('force');
    forced = true;
    for (const m of openingMoves) { ref.play(m); e.send(m); }
  }
  let end = null, engineMoves = 0;
  const engineTurn = () => (ref.turn === 'white') === engineWhite;
  // From the initial position with the engine as black, "new" alone makes it
  // answer the first move; everything else starts with "go".
  let needGo = forced || engineWhite;
  let pendingReply = false;   // the engine has been given the move it must answer
  while (!end) {
    if (engineTurn()) {
      if (needGo) { clockLine(sess, clock, engineColour); e.send('go'); needGo = false; forced = false; }
      else if (!pendingReply) throw new Error('internal: engine turn without a trigger');
      pendingReply = false;
      const { move, spent } = await sess.awaitMove(moveLimit(clock, engineColour));
      if (TC.kind === 'level') {
        clock[engineColour] -= spent;
        if (clock[engineColour] < -CLOCK_SLACK) sess.fail(`the engine lost on time: ${spent} ms for this move, clock ${clock[engineColour]} ms`);
        clock[engineColour] += TC.inc;
      } else if (TC.kind === 'st' && spent > TC.perMove + ST_SLACK) {
        sess.fail(`the engine took ${spent} ms on '${tcText}'`);
      }
      const mv = ref.check(move);
      if (typeof mv === 'string') sess.fail(`the engine played an illegal move: ${mv}`);
      ref.play(move);
      engineMoves++;
      sess.afterEngine = ref.pos.clone();
      sess.ponderPos = null;
      sess.hint = null;
      if (sess.resigned) { end = { result: engineWhite ? '0-1' : '1-0', reason: 'engine resigned' }; break; }
    } else {
      // The opponent's turn: the engine may ponder meanwhile.
      if (engineMoves > 0 || !forced) await sess.drain(PONDER_WAIT, 'opponent turn');
      const t0 = Date.now();
      const move = await askPeer(s, ref);
      if (TC.kind === 'level') clock[1 - engineColour] += TC.inc - (Date.now() - t0);
      await sess.drain(0, 'opponent turn');
      ref.play(move);
      if (forced) {
        e.send(move);          // in force mode: recorded, not answered
      } else {
        clockLine(sess, clock, engineColour);
        e.send(move);
        pendingReply = true;
      }
    }
    end = end || ref.status() || (ref.ply >= MAXPLY ? { result: '*', reason: 'ply limit' } : null);
    if (sess.claim) end = end || { result: CLAIM.exec(sess.claim)[1], reason: 'engine claim' };
  }
  // A GUI lets the engine answer the last move unless it has none; the
  // answer is checked and recorded, and the engine may ponder after it.
  if (pendingReply && ref.hasLegalMoves()) {
    const { move } = await sess.awaitMove(moveLimit(clock, engineColour));
    const r = ref.check(move);
    if (typeof r === 'string') sess.fail(`the engine answered the final move illegally: ${r}`);
    ref.play(move);
    sess.afterEngine = ref.pos.clone();
    sess.ponderPos = null;
  }
  e.send(`result ${end.result} {${end.reason}}`);
  // Then the engine must fall silent: lines already on their way are judged
  // for a moment, after which any thinking output is a failure.
  await sess.drain(RESULT_GRACE, 'result grace');
  await sess.drain(3000, 'after result', 500);
  if (mode === 'hard' && POST && engineMoves >= 5 && sess.count.oppTimeLines === 0)
    sess.fail(`pondering on ("hard") but no thinking output on the opponent's time in ${engineMoves} engine moves`);
  if (args.pgn) {
    const names = engineWhite ? [args['engine-name'], 'peer'] : ['peer', args['engine-name']];
    appendFileSync(args.pgn, `[Event "xboard peer games (${mode}, ${tcText})"]\n[Round "${gameNo}"]\n[White "${names[0]}"]\n[Black "${names[1]}"]\n` +
      `[Result "${end.result}"]\n[Termination "${end.reason}"]\n\n${ref.pgnMoves()} ${end.result}\n\n`);
  }
  return end;
}

let context = '';
try {
  const e = new LineProcess(args['engine-name'], args.engine, args['engine-cwd']);
  const s = await startPeer();
  await peerReady(s);
  const sess = new Session(e, s);
  sess.startGame('easy');
  e.send('xboard');
  e.send('protover 2');
  // The engine announces no features; anything it prints is judged here.
  await sess.drain(3000, 'startup', 500);
  console.log(`xboard: ${MODES.length * GAMES} games ('${tcText}', ${MODES.join(' and ')}, ${POST ? 'post' : 'nopost'}) against peer nodes ${args['peer-nodes']}, max ${MAXPLY} plies`);
  const score = { w: 0, d: 0, l: 0, unfinished: 0 };
  let n = 0;
  for (const mode of MODES) {
    for (let g = 0; g < GAMES; g++) {
      n++;
      const opening = OPENINGS[Math.floor(g / 2) % OPENINGS.length];
      const engineWhite = g % 2 === 0;
      context = `in game ${n} (${mode}, engine ${engineWhite ? 'white' : 'black'}, opening '${opening || 'none'}')`;
      const end = await playGame(sess, n, opening, engineWhite, mode);
      if (end.result === '*') score.unfinished++;
      else if (end.result === '1/2-1/2') score.d++;
      else if ((end.result === '1-0') === engineWhite) score.w++;
      else score.l++;
      const c = sess.count;
      console.log(`game ${n}: ${mode}, engine ${engineWhite ? 'white' : 'black'}, opening '${opening || 'none'}': ${end.result} ${end.reason} after ${sess.ref.ply} plies;` +
        ` ${c.thinking} thinking lines (${c.oppTimeLines} on the opponent's time), ${c.pvMoves} pv moves, ${c.hints} hints checked` +
        (c.hintsWithoutPiece ? `; ${c.hintsWithoutPiece} promotion hints without the piece` : ''));
      if (args.verbose) console.log(`  ${sess.ref.pgnMoves()}`);
    }
  }
  context = 'at the end';
  const q = await e.quit();
  if (q) throw new TestFailure(`the engine ${q}`, e);
  await s.quit();
  if (sess.unexpected.length) console.log(`note: ${sess.unexpected.length} other engine lines, first: '${sess.unexpected[0]}'`);
  if (sess.hintWithoutPieceExample) console.log(`note: a promotion hint without the piece: ${sess.hintWithoutPieceExample}`);
  console.log(`note: ${sess.startupLines} lines before and in answer to 'xboard'/'protover 2'`);
  if (sess.features.length) console.log(`note: features announced: ${sess.features.join(' | ')}`);
  console.log(`xboard: PASS: engine +${score.w} =${score.d} -${score.l}${score.unfinished ? ` (${score.unfinished} stopped at the ply limit)` : ''} in ${n} games`);
} catch (err) {
  reportFailure(err, context);
  killStarted();
}
