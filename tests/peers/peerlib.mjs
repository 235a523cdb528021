// Shared pieces of the peer game tests: a line-oriented child process with a
// full transcript, a strict chessops referee, option parsing and failure
// reporting. Every check lives here or in the two game scripts, so that a
// failure always names the game, the ply and the exact lines exchanged.
import { spawn } from 'node:child_process';
import { Chess } from 'chessops/chess';
import { parseFen, makeFen, INITIAL_FEN } from 'chessops/fen';
import { parseUci } from 'chessops/util';
import { makeSan } from 'chessops/san';

// --name value pairs; a flag with no value is true.
export function parseArgs(argv, defaults) {
  const out = { ...defaults };
  for (let i = 0; i < argv.length; i++) {
    const a = argv[i];
    if (!a.startsWith('--')) throw new TestFailure(`unexpected argument '${a}'`);
    const name = a.slice(2);
    const next = argv[i + 1];
    if (next !== undefined && !next.startsWith('--')) { out[name] = next; i++; } else out[name] = true;
  }
  return out;
}

export class TestFailure extends Error {
  constructor(message, proc, extra) {
    super(message);
    this.proc = proc;      // the process whose transcript explains the failure
    this.extra = extra;    // further processes worth a shorter look
  }
}

// Prints the failure with the tail of each involved transcript and exits 1.
export function reportFailure(err, context, tail = 40) {
  console.log(`FAIL${context ? ' ' + context : ''}: ${err.message}`);
  if (err instanceof TestFailure) {
    if (err.proc) console.log(err.proc.tail(tail));
    for (const p of err.extra || []) if (p) console.log(p.tail(12));
  } else if (err && err.stack) console.log(err.stack);
  process.exitCode = 1;
}

// A program spoken to line by line. Lines are consumed strictly in order
// (next()), so that no output of the engine escapes the checks.
const started = new Set();

// Ends every process this script started (and only those).
export function killStarted() { for (const p of started) p.kill(); }

export class LineProcess {
  constructor(label, command, cwd) {
    started.add(this);
    this.label = label;
    this.command = command;
    const argv = command.trim().split(/\s+/);
    this.transcript = [];
    this.queue = [];
    this.waiter = null;
    this.exited = false;
    this.exitCode = null;
    this.exitSignal = null;
    this.t0 = Date.now();
    this.proc = spawn(argv[0], argv.slice(1), { cwd: cwd || process.cwd(), stdio: ['pipe', 'pipe', 'pipe'] });
    this.spawnError = null;
    this.proc.on('error', e => { this.spawnError = e; this.onExit(null, null); });
    this.proc.stdin.on('error', () => { });   // a dead engine is reported by the exit handler
    let buf = '';
    this.proc.stdout.on('data', d => {
      buf += d.toString();
      let i;
      while ((i = buf.indexOf('\n')) >= 0) {
        const line = buf.slice(0, i).replace(/\r$/, '');
        buf = buf.slice(i + 1);
        this.record('<', line);
        this.queue.push(line);
        this.wake();
      }
    });
    this.proc.stdout.on('end', () => { if (buf) { this.record('<', buf); this.queue.push(buf); buf = ''; this.wake(); } });
    let ebuf = '';
    this.proc.stderr.on('data', d => {
      ebuf += d.toString();
      let i;
      while ((i = ebuf.indexOf('\n')) >= 0) { this.record('!', ebuf.slice(0, i)); ebuf = ebuf.slice(i + 1); }
    });
    this.exitPromise = new Promise(resolve => {
      this.proc.on('exit', (code, signal) => { this.onExit(code, signal); started.delete(this); resolve(); });
    });
  }

  onExit(code, signal) {
    if (this.exited) return;
    this.exited = true;
    this.exitCode = code;
    this.exitSignal = signal;
    this.record('*', this.spawnError ? `could not start: ${this.spawnError.message}`
      : `exited with code ${code}${signal ? ' signal ' + signal : ''}`);
    this.wake();
  }

  record(dir, text) {
    this.transcript.push(`${String(Date.now() - this.t0).padStart(7)}ms ${this.label} ${dir} ${text}`);
  }

  wake() { if (this.waiter) { const w = this.waiter; this.waiter = null; w(); } }

  send(line) {
    this.record('>', line);
    if (!this.exited) this.proc.stdin.write(line + '\n');
  }

  // The next output line; null when the process has ended and nothing is
  // left, undefined after ms milliseconds without output.
  async next(ms) {
    const deadline = Date.now() + ms;
    for (; ;) {
      if (this.queue.length) return this.queue.shift();
      // Output may still be in the pipe when the exit event arrives.
      if (this.exited) { await new Promise(r => setTimeout(r, 20)); if (this.queue.length) continue; return null; }
      const left = deadline - Date.now();
      if (left <= 0) return undefined;
      let timer;
      await new Promise(resolve => { this.waiter = resolve; timer = setTimeout(resolve, left); });
      clearTimeout(timer);
      this.waiter = null;
    }
  }

  describeExit() {
    if (this.spawnError) return `could not be started (${this.spawnError.message})`;
    return `exited with code ${this.exitCode}${this.exitSignal ? ' (signal ' + this.exitSignal + ')' : ''}`;
  }

  // Sends quit and requires a clean exit (code 0, no signal) within ms.
  async quit(ms = 5000, quitCommand = 'quit') {
    if (!this.exited) this.send(quitCommand);
    const done = await Promise.race([this.exitPromise.then(() => true), new Promise(r => setTimeout(() => r(false), ms))]);
    if (!done) {
      this.proc.kill('SIGKILL');
      await this.exitPromise;
      return `did not exit within ${ms} ms of '${quitCommand}'`;
    }
    if (this.exitCode !== 0 || this.exitSignal) return this.describeExit();
    return null;
  }

  kill() { if (!this.exited) this.proc.kill('SIGKILL'); }

  tail(n) {
    const t = this.transcript;
    return `--- last ${Math.min(n, t.length)} of ${t.length} transcript lines of ${this.label} (${this.command}) ---\n` +
      t.slice(-n).join('\n');
  }
}

const MOVE_TEXT = /^[a-h][1-8][a-h][1-8][qrbn]?$/;

// The referee: a chessops position plus the repetition count and the
// game-ending rules. Moves must be in plain coordinate notation with the king
// moving two squares for castling, as UCI and xboard without features use.
export class Referee {
  constructor() {
    this.pos = Chess.fromSetup(parseFen(INITIAL_FEN).unwrap()).unwrap();
    this.moves = [];
    this.sans = [];
    this.seen = new Map();
    this.seen.set(this.key(), 1);
  }

  key() { return makeFen(this.pos.toSetup()).split(' ').slice(0, 4).join(' '); }
  fen() { return makeFen(this.pos.toSetup()); }
  get turn() { return this.pos.turn; }
  get ply() { return this.moves.length; }

  // The move for text in the current position, or a string saying why not.
  check(text, pos = this.pos) {
    if (typeof text !== 'string' || !MOVE_TEXT.test(text)) return `'${text}' is not a move in coordinate notation`;
    const mv = parseUci(text);
    if (!pos.isLegal(mv)) return `'${text}' is illegal in ${makeFen(pos.toSetup())}`;
    // chessops also takes the king-takes-rook form of castling; standard
    // chess protocols require the two-square king move.
    if (pos.board.king.has(mv.from) && pos.board[pos.turn].has(mv.to)) return `'${text}' is castling written as king takes rook`;
    return mv;
  }

  play(text) {
    const mv = this.check(text);
    if (typeof mv === 'string') throw new Error(mv);
    this.sans.push(makeSan(this.pos, mv));
    this.pos.play(mv);
    this.moves.push(text);
    const k = this.key();
    this.seen.set(k, (this.seen.get(k) || 0) + 1);
  }

  // Checks that a sequence of moves (a principal variation) is legal from
  // the current position or another; returns null or the reason it is not.
  checkLine(texts, from = this.pos) {
    const p = from.clone();
    for (let i = 0; i < texts.length; i++) {
      const mv = this.check(texts[i], p);
      if (typeof mv === 'string') return `move ${i + 1} of the line: ${mv}`;
      p.play(mv);
    }
    return null;
  }

  // {result, reason} when the game is over by the rules, else null.
  status() {
    const p = this.pos;
    if (p.isCheckmate()) return { result: p.turn === 'white' ? '0-1' : '1-0', reason: 'checkmate' };
    if (p.isStalemate()) return { result: '1/2-1/2', reason: 'stalemate' };
    if (p.isInsufficientMaterial()) return { result: '1/2-1/2', reason: 'insufficient material' };
    if (this.seen.get(this.key()) >= 3) return { result: '1/2-1/2', reason: 'threefold repetition' };
    if (p.halfmoves >= 100) return { result: '1/2-1/2', reason: 'fifty-move rule' };
    return null;
  }

  hasLegalMoves() { return [...this.pos.allDests().values()].some(s => s.nonEmpty()); }

  pgnMoves() {
    let t = '';
    this.sans.forEach((s, i) => { if (i % 2 === 0) t += `${i / 2 + 1}. `; t += s + ' '; });
    return t.trim();
  }
}

export function openingLines(arg, fallback) {
  if (arg === undefined || arg === true) return fallback;
  return String(arg).split(',').map(s => s.trim());
}

