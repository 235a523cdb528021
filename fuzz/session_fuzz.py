#!/usr/bin/env python3
"""Session fuzzer for the engine binary (best run on the sanitizer build).

  session_fuzz.py fuzz --engine PATH [--seed N] [--time SECONDS] [--out DIR]
  session_fuzz.py replay --engine PATH FILE...

"fuzz" generates command sessions from the grammar of the three dialects
(console, xboard, UCI) with random and extreme arguments, broken FENs, long
and binary lines, searches interleaved with the lines a front end sends
during them and dialect switches, and byte mutations of the sessions it
generated. Each session runs in a fresh working directory. A session fails
on a crash or a sanitizer report, on no "readyok" for an "isready" while the
engine is not in a blocking command, on an exit status other than 0 after
"quit", on a missing or repeated answer to a search, on an illegal move or
bestmove and on a legal typed move that is refused (the Debian stockfish is
the referee). A failing session is cut
down to a minimal one that still reaches every position it claims (the
moves that lead to a position mark stay with it) and written to DIR as a
.session file.

"replay" runs session files with the same judgement (the regression tests
under tests/sessions/ use it). A session file holds the lines sent, one a
line; lines starting with "#!" are directives:
  #!file NAME TEXT     a file written into the working directory first
                       (TEXT in Python string escapes)
  #!hex HEX            one line of any bytes
  #!sleep MS           a pause
  #!sync               "isready" must be answered
  #!answer             the search started before must answer exactly once
                       (move or bestmove), legally where the position is known
  #!answer-optional    as #!answer, but no answer is fine as well (a line that
                       may have stopped the search before its move)
  #!quiet MS           no move or bestmove may come for MS milliseconds
  #!known FEN|moves    the engine's position, for the referee
  #!unknown            the position is no longer followed
  #!holds              the next answer leaves the position as it is
                       (a held "go ponder" result)
Lines starting with "#" and no "!" are comments.
"""

import argparse
import os
import queue
import random
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
VALUES = os.path.join(ROOT, "data", "values.txt")

SANITIZER_MARKS = ("runtime error:", "ERROR: AddressSanitizer", "ERROR: LeakSanitizer",
                   "ERROR: UndefinedBehaviorSanitizer", "AddressSanitizer:DEADLYSIGNAL")

START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
KNOWN_FENS = [
    START,
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1",
    "8/P6k/8/8/8/8/6Kp/8 b - - 0 60",
    "7k/8/8/8/8/8/8/K5R1 w - - 0 1",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
    "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1",
    "8/8/8/8/8/5k2/5p2/5K2 w - - 0 1",  # no legal move
    "2b1k2r/3pn2q/r7/p1PP2p1/P5Pp/1P2p2P/2K2P2/1R4RN w - - 1 35",
]
# Knights out and back: a game of any length without a capture.
DANCE = ["g1f3", "g8f6", "f3g1", "f6g8"]
# The plies the engine's game history holds: a game that long has no room
# for a search (the answer is "0000"), so a generated long game leaves room
# for the moves a session plays after it.
MAX_GAME_PLIES = 4096
LONG_GAME_PLIES = MAX_GAME_PLIES - 100
EXTREME_NUMBERS = ["0", "-1", "1", "2147483647", "-2147483648", "2147483648", "99999999999999999999",
                   "-99999999999", "4294967295", "+5", "-0", "00012", "12abc", "", " "]


def escape_text(text):
    return text.encode("unicode_escape").decode("ascii")


def unescape_text(text):
    return text.encode("ascii").decode("unicode_escape")


# ---------------------------------------------------------------------------
# The referee: the Debian stockfish's "go perft 1" lists the legal moves.

class Referee:
    def __init__(self, path):
        self.path = path
        self.cache = {}
        self._start()

    def _start(self):
        self.proc = subprocess.Popen([self.path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self._send("uci")
        self._until(lambda line: line == "uciok")

    def _send(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()

    def _until(self, done):
        lines = []
        while True:
            line = self.proc.stdout.readline()
            if not line:
                raise RuntimeError("the referee ended")
            line = line.strip()
            lines.append(line)
            if done(line):
                return lines

    def legal_moves(self, fen, moves):
        key = (fen, tuple(moves))
        if key not in self.cache:
            self._send("position fen %s%s" % (fen, (" moves " + " ".join(moves)) if moves else ""))
            self._send("go perft 1")
            try:
                lines = self._until(lambda line: line.startswith("Nodes searched"))
            except RuntimeError:
                # A position the referee cannot take (a generator's slip):
                # not judged, and the referee starts again.
                print("note: the referee ended on %s moves %s" % (fen, " ".join(moves)), file=sys.stderr)
                self.proc.kill()
                self._start()
                return None
            self.cache[key] = sorted(line.split(":")[0] for line in lines if re.match(r"^[a-h][1-8][a-h][1-8][qrbn]?: ", line))
        return self.cache[key]

    def close(self):
        try:
            self._send("quit")
            self.proc.wait(timeout=5)
        except Exception:
            self.proc.kill()


def find_stockfish():
    for path in ("/usr/games/stockfish", "/usr/bin/stockfish", "/usr/local/bin/stockfish"):
        if os.access(path, os.X_OK):
            return path
    return shutil.which("stockfish")


# ---------------------------------------------------------------------------
# One engine process in a fresh directory.

class Engine:
    def __init__(self, path, files):
        self.dir = tempfile.mkdtemp(prefix="dravelnor_session_")
        shutil.copy(VALUES, os.path.join(self.dir, "values.txt"))
        for name, content in files:
            with open(os.path.join(self.dir, name), "wb") as f:
                f.write(content.encode("latin-1"))
        env = dict(os.environ)
        env.setdefault("ASAN_OPTIONS", "detect_leaks=0")
        env.setdefault("UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1")
        self.stderr = open(os.path.join(self.dir, "stderr.txt"), "wb")
        self.proc = subprocess.Popen([path], cwd=self.dir, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=self.stderr, bufsize=0)
        self.lines = queue.Queue()
        self.transcript = []
        threading.Thread(target=self._read, daemon=True).start()
        self.input_open = True

    def _read(self):
        pending = b""
        while True:
            chunk = self.proc.stdout.read1(65536) if hasattr(self.proc.stdout, "read1") else self.proc.stdout.read(1)
            if not chunk:
                break
            pending += chunk
            while b"\n" in pending:
                line, pending = pending.split(b"\n", 1)
                self.lines.put(line.decode("latin-1").rstrip("\r"))
        self.lines.put(None)

    def send(self, data):
        if not self.input_open:
            return False
        try:
            self.proc.stdin.write(data)
            self.proc.stdin.flush()
            return True
        except (BrokenPipeError, OSError):
            self.input_open = False
            return False

    def next_line(self, timeout):
        try:
            line = self.lines.get(timeout=max(timeout, 0))
        except queue.Empty:
            return "", False
        if line is None:
            self.lines.put(None)
            return None, True
        self.transcript.append(line)
        return line, True

    def close_input(self):
        if self.input_open:
            self.input_open = False
            try:
                self.proc.stdin.close()
            except OSError:
                pass

    def wait_exit(self, timeout):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            return None

    def stderr_text(self):
        self.stderr.flush()
        with open(os.path.join(self.dir, "stderr.txt"), "rb") as f:
            return f.read().decode("latin-1")

    def cleanup(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.stderr.close()
        shutil.rmtree(self.dir, ignore_errors=True)


class Failure(Exception):
    def __init__(self, kind, detail):
        super().__init__("%s: %s" % (kind, detail))
        self.kind = kind


# ---------------------------------------------------------------------------
# Running and judging one session (a list of steps: ("line", bytes) or
# ("directive", name, argument)).

ANSWER_RE = re.compile(r"^(bestmove|move) (\S+)")
MOVE_RE = re.compile(rb"^[a-h][1-8][a-h][1-8][qrbn]?\r?$")
REFUSED_RE = re.compile(r"^Illegal move[^:]*: (.*)$")


def parse_session(text):
    steps, files = [], []
    for raw in text.split("\n"):
        if raw.startswith("#!"):
            name, _, arg = raw[2:].partition(" ")
            if name == "file":
                fname, _, content = arg.partition(" ")
                files.append((fname, unescape_text(content)))
            elif name == "hex":
                steps.append(("line", bytes.fromhex(arg)))
            else:
                steps.append(("directive", name, arg))
        elif raw.startswith("#"):
            continue
        else:
            steps.append(("line", raw.encode("latin-1")))
    # The file's last line feed makes no empty line of its own.
    if steps and steps[-1] == ("line", b"") and text.endswith("\n"):
        steps.pop()
    return files, steps


def format_session(files, steps, comment=""):
    out = []
    for line in comment.splitlines():
        out.append("# " + line)
    for name, content in files:
        out.append("#!file %s %s" % (name, escape_text(content)))
    for step in steps:
        if step[0] == "line":
            data = step[1]
            printable = all(32 <= b < 127 for b in data) and not data.startswith(b"#")
            out.append(data.decode("latin-1") if printable else "#!hex " + data.hex())
        else:
            out.append("#!%s %s" % (step[1], step[2]) if step[2] else "#!" + step[1])
    return "\n".join(out) + "\n"


class Judge:
    """Runs one session and judges it; raises Failure. The steps may come from
    a generator that reads self.position between steps (the position the
    engine is in as far as it is followed; None when it is not)."""

    def __init__(self, engine_path, referee, timeout):
        # Absolute: the engine starts in a directory of its own.
        self.engine_path = os.path.abspath(engine_path)
        self.referee = referee
        self.timeout = timeout

    def run(self, files, steps, strict=True):
        """strict=False (mutants): only crashes, sanitizer reports, isready,
        the exit status and hangs are judged."""
        self.recorded = []
        # The position the judge followed before each recorded step.
        self.trail = []
        self.position = (START, [])
        engine = Engine(self.engine_path, files)
        try:
            self._run(engine, steps, strict)
        except Failure as failure:
            err = engine.stderr_text()
            if failure.kind != "sanitizer" and any(mark in err for mark in SANITIZER_MARKS):
                raise Failure("sanitizer", first_report(err))
            raise failure
        finally:
            engine.cleanup()

    def _check_alive(self, engine, quit_sent):
        code = engine.proc.poll()
        if code is not None and not quit_sent:
            err = engine.stderr_text()
            if any(mark in err for mark in SANITIZER_MARKS):
                raise Failure("sanitizer", first_report(err))
            raise Failure("exit", "the engine ended with status %s before quit" % code)

    def _collect(self, engine, seconds, on_line):
        """Reads lines for up to seconds; on_line returns True to stop."""
        deadline = time.time() + seconds
        while True:
            line, got = engine.next_line(deadline - time.time())
            if not got or line is None:
                return False
            if on_line(line):
                return True

    def _legal(self, position):
        fen, moves = position
        return self.referee.legal_moves(fen, moves) if self.referee else None

    def _run(self, engine, steps, strict):
        holds = False
        answers = []  # answers read and not yet judged
        quit_sent = False

        legal_typed = set()  # typed moves that were legal where they were typed

        def note(line):
            m = ANSWER_RE.match(line)
            if m:
                answers.append(m.group(2))
            refused = REFUSED_RE.match(line)
            if strict and refused and refused.group(1).strip() in legal_typed:
                raise Failure("refused", "a legal typed move was refused: " + line)
            return False

        def sync(what):
            engine.send(b"isready\n")
            if not self._collect(engine, self.timeout, lambda line: note(line) or line == "readyok"):
                self._check_alive(engine, quit_sent)
                raise Failure("isready", "no readyok %s within %d s" % (what, self.timeout))

        def judge_answer(move):
            nonlocal holds
            if self.position is not None and strict:
                legal = self._legal(self.position)
                if legal is not None:
                    if move == "0000":
                        if legal:
                            raise Failure("illegal", "0000 where %s has %d legal moves"
                                          % (describe(self.position), len(legal)))
                    elif move not in legal:
                        raise Failure("illegal", "%s is not legal after %s" % (move, describe(self.position)))
                if not holds and move != "0000":
                    self.position = (self.position[0], self.position[1] + [move])
            holds = False

        for step in steps:
            self.recorded.append(step)
            self.trail.append(self.position)
            self._check_alive(engine, quit_sent)
            if step[0] == "line":
                data = step[1]
                if re.match(rb"^ *[qQ]", data):
                    quit_sent = True
                if strict and self.position is not None and MOVE_RE.match(data):
                    text = data.decode("ascii").rstrip("\r")
                    if text in (self._legal(self.position) or []):
                        legal_typed.add(text)
                    else:
                        legal_typed.discard(text)
                engine.send(data + b"\n")
                continue
            name, arg = step[1], step[2]
            if name == "sleep":
                self._collect(engine, int(arg) / 1000.0, note)
            elif name == "known":
                fen, _, moves = arg.partition("|")
                self.position = (fen.strip(), moves.split())
            elif name == "unknown":
                self.position = None
            elif name == "holds":
                holds = True
            elif name == "sync":
                sync("")
            elif name == "quiet":
                self._collect(engine, int(arg) / 1000.0, note)
                if answers and strict:
                    raise Failure("answer", "a move came while none was due: %s" % answers[0])
                answers.clear()
            elif name in ("answer", "answer-optional"):
                optional = name == "answer-optional"
                if not answers:
                    self._collect(engine, 3 if optional else self.timeout, lambda line: note(line) or bool(answers))
                # Anything more before the engine is idle again is a second answer.
                sync("after an answer")
                if strict and len(answers) > 1:
                    raise Failure("answer", "more than one answer to a search: %s" % " ".join(answers))
                if answers:
                    judge_answer(answers[0])
                elif not optional and strict:
                    self._check_alive(engine, quit_sent)
                    raise Failure("answer", "no answer to a search within %d s" % self.timeout)
                else:
                    holds = False
                answers.clear()
            else:
                raise RuntimeError("unknown directive " + name)

        if not quit_sent:
            engine.send(b"quit\n")
        engine.close_input()
        code = engine.wait_exit(self.timeout)
        err = engine.stderr_text()
        if any(mark in err for mark in SANITIZER_MARKS):
            raise Failure("sanitizer", first_report(err))
        if code is None:
            raise Failure("hang", "no exit within %d s of quit" % self.timeout)
        if code != 0:
            raise Failure("exit", "exit status %d on quit" % code)


def first_report(err):
    for line in err.splitlines():
        if any(mark in line for mark in SANITIZER_MARKS):
            return line.strip()
    return err.strip().splitlines()[0] if err.strip() else "?"


def describe(position):
    fen, moves = position
    return "%s%s" % (fen, (" moves " + " ".join(moves)) if moves else "")


# ---------------------------------------------------------------------------
# The generator: it plays a front end of one dialect at a time, reading the
# judge's position between steps, and yields every line with the directives
# that judge the answers.

def L(text):
    return ("line", text.encode("latin-1") if isinstance(text, str) else text)


def D(name, arg=""):
    return ("directive", name, arg)


def known(position):
    return D("known", "%s|%s" % (position[0], " ".join(position[1])))


class Generator:
    def __init__(self, rng, referee):
        self.r = rng
        self.referee = referee
        self.force = False  # the engine's force mode, as the lines sent left it

    def legal(self, position):
        return self.referee.legal_moves(position[0], position[1]) or []

    def number(self, low, high):
        if self.r.random() < 0.2:
            return self.r.choice(EXTREME_NUMBERS)
        return str(self.r.randint(low, high))

    def broken_fen(self):
        r = self.r
        chars = list(r.choice(KNOWN_FENS))
        for _ in range(r.randint(1, 4)):
            at = r.randrange(len(chars))
            op = r.random()
            if op < 0.3:
                del chars[at]
            elif op < 0.6:
                chars.insert(at, r.choice("KQRBNPkqrbnp12345678/9- wb0x"))
            else:
                chars[at] = r.choice("KQRBNPkqrbnp12345678/9- wb")
        text = "".join(chars)
        if r.random() < 0.1:
            text = text.split(" ")[0]
        return r.choice([text, text, text, "8/8/8/8/8/8/8/8 w - - 0 1", "", "k7/8/8/8/8/8/8/7K w - - 0 1 extra words"])

    def garbage_line(self):
        r = self.r
        # Never a first letter: a line that starts with 'q' quits, others may
        # be commands.
        first = r.choice("!#$%&*+<>|~^()[]{}0123456789")
        kind = r.random()
        if kind < 0.3:
            return (first + "x" * r.choice([200, 254, 255, 256, 1000, 5000, 20000])).encode()
        if kind < 0.6:
            body = bytes(r.randrange(256) for _ in range(r.randint(1, 300)))
            return first.encode() + body.replace(b"\n", b" ")
        return (first + " ".join(r.choice(["go", "stop", "moves", "fen", "1", "-5", "\t", "\r", "e2e4"])
                                 for _ in range(r.randint(1, 30)))).encode()

    def ini_file(self):
        r = self.r
        lines = []
        for _ in range(r.randint(1, 6)):
            key = r.choice(["ResignValue", "ResignTimes", "Aggressivity", "Cowardice", "VarietyOfPlay",
                            "BookLearningBound", "Pondering", "UseBookWeights", "BookLearningMode",
                            "TranspositionSize", "PawnHashSize", "EGTBCacheSize", "UseEGTB", "EGTBPath",
                            "UseBookLearning", "Learning"])
            value = r.choice(EXTREME_NUMBERS + ["on", "off", "discover", "kill", "x" * 300])
            lines.append(key + r.choice([" = ", "=", " ", "\t"]) + value)
        return "\r\n".join(lines) + "\n"

    def files(self):
        return [("Dravelnor.ini", self.ini_file())] if self.r.random() < 0.25 else []

    def idle_command(self, dialect):
        r = self.r
        pick = r.choice([
            "brd", "evl", "moves", "mvd", "bkm", "egtbstat", "post", "nopost", "clean", "reload",
            "perft %d" % r.randint(0, 3),
            # perft does not read input until it is done: only depths it
            # refuses or finishes at once.
            "perft " + r.choice(["0", "-1", "65", "2147483647", "-2147483648", "", "x", "2abc", "+1"]), "sd " + self.number(0, 6),
            "st " + self.number(0, 2), "time " + self.number(0, 5000), "otim " + self.number(0, 5000),
            "level " + " ".join(self.number(0, 60) for _ in range(r.randint(0, 4))), "level 40 0:30 0",
            "debug on", "ucinewgame", "reset", "analyze", "edit", "selftest", "epdevl missing.epd", "pgneval",
            "isready", "setoption name %s value %s" % (
                r.choice(["Aggressivity", "Defensivity", "MultiPV", "OwnBook", "NalimovCache", "NalimovPath",
                          "OpeningsBook"]), r.choice(EXTREME_NUMBERS + ["true", "false", "x"])),
            "setoption name Hash value %d" % r.randint(0, 16), "setoption name PawnHash value %d" % r.randint(0, 8),
            "setoption name Clear Hash", "setoption", "setoption name", "position", "easy", "help",
        ])
        yield L(pick)
        if pick == "help":
            yield L("")  # the key press the help page waits for
        elif pick == "analyze":
            yield L("exit")  # analysis searches until it is left
        elif pick == "edit":
            yield L(".")  # edit reads pieces until its end mark
            # The edit rebuilds the men with rights of their own and no
            # history (no en passant, nothing to take back): not followed.
            yield D("unknown")

    def session(self, judge):
        """Yields the steps of one session; judge.position is read between them."""
        # Some front ends end their lines with CR LF.
        line_end = b"\r" if self.r.random() < 0.15 else b""
        for step in self.session_lines(judge):
            yield ("line", step[1] + line_end) if step[0] == "line" else step

    def session_lines(self, judge):
        r = self.r
        self.force = False
        dialect = r.choice(["uci", "xboard", "console"])
        yield D("sync")
        yield L("uci" if dialect == "uci" else "xboard" if dialect == "xboard" else "easy")
        if dialect == "xboard":
            yield L("new")
            yield L("easy")
        yield D("sync")
        for _ in range(r.randint(5, 25)):
            choice = r.random()
            if choice < 0.05:
                dialect = r.choice(["uci", "xboard"])
                yield L(dialect)
                if dialect == "xboard":
                    yield L("easy")
                yield D("sync")
            elif choice < 0.10:
                yield L(self.garbage_line())
                yield D("sync")
            elif choice < 0.22:
                yield from self.idle_command(dialect)
                yield D("sync")
            elif dialect == "uci":
                yield from self.uci_turn(judge)
            else:
                yield from self.xboard_turn(judge)
        yield D("sync")
        yield L("quit")

    def random_position(self):
        r = self.r
        fen = r.choice(KNOWN_FENS) if r.random() < 0.6 else START
        moves = []
        for _ in range(r.randint(0, 8)):
            legal = self.legal((fen, moves))
            if not legal:
                break
            moves.append(r.choice(legal))
        return fen, moves

    def during_search(self, dialect, ponder=False):
        r = self.r
        # A "ponderhit" turns a ponder search into the engine's own: it is
        # sent during other searches only, where it changes nothing.
        lines = ["isready", ".", "otim 100"] + (["post", "nopost", "easy", "time 100"] + ([] if ponder else ["ponderhit"])
                                                 if dialect == "uci" else [])
        for _ in range(r.randint(0, 4)):
            yield D("sleep", str(r.randint(0, 150)))
            yield L(r.choice(lines))

    def uci_turn(self, judge):
        r = self.r
        if judge.position is None or r.random() < 0.35:
            if r.random() < 0.05:
                # A front end sends the whole game in one line: a long one.
                moves = [DANCE[i % 4] for i in range(r.choice([400, 931, 1500, LONG_GAME_PLIES]))]
                yield L("position startpos moves " + " ".join(moves))
                yield known((START, moves))
                yield D("sync")
                return
            if r.random() < 0.85:
                fen, moves = self.random_position()
                sent = list(moves)
                if r.random() < 0.2:
                    # Illegal and malformed moves in the list are skipped.
                    sent.insert(r.randrange(len(sent) + 1), r.choice(["e2e5", "zz99", "a1a1", "e7e8x", "0000"]))
                kept = []
                for move in sent:
                    if move in self.legal((fen, kept)):
                        kept.append(move)
                text = "position startpos" if fen == START and r.random() < 0.5 else "position fen " + fen
                if sent:
                    text += " moves " + " ".join(sent)
                yield L(text)
                yield known((fen, kept))
            else:
                yield L("position fen " + self.broken_fen() + r.choice(["", " moves e2e4", " moves"]))
                yield D("unknown")
            yield D("sync")
            return
        kind = r.random()
        if kind < 0.25:
            yield L("go depth %d" % r.randint(1, 4))
        elif kind < 0.4:
            yield L("go movetime %d" % r.randint(1, 300))
        elif kind < 0.5:
            yield L("go nodes %d" % r.randint(1, 20000))
        elif kind < 0.6:
            yield L("go wtime %d btime %d winc %d binc %d movestogo %d" % (
                r.randint(1, 3000), r.randint(1, 3000), r.randint(0, 100), r.randint(0, 100), r.randint(0, 40)))
        elif kind < 0.65:
            yield L("go mate %d depth 4" % r.randint(1, 3))
        elif kind < 0.7:
            yield L("go depth 3 searchmoves " + " ".join(r.sample(["e2e4", "d2d4", "a2a3", "zz11", "g1f3"], 3)))
        elif kind < 0.85:
            # A mate goal alone is no limit: where there is no such mate
            # only "stop" ends it.
            yield L(r.choice(["go infinite", "go", "go mate %d" % r.randint(1, 3)]))
            yield from self.during_search("uci")
            yield D("sleep", str(r.randint(0, 200)))
            if r.random() < 0.3:
                yield L("new")
                yield D("answer")
                yield known((START, []))
                return
            yield L("stop")
        else:
            limit = r.choice(["", " depth 3", " wtime 2000 btime 2000"])
            yield L("go ponder" + limit)
            yield from self.during_search("uci", ponder=True)
            yield D("sleep", str(r.randint(0, 200)))
            ending = r.random()
            if ending < 0.15:
                yield L("new")
                yield D("answer")
                yield known((START, []))
                return
            if ending < 0.55 or not limit:
                # Without a limit "ponderhit" leaves a search that only
                # "stop" ends. A "stop" read during the search plays the move on the
                # engine's board, one read after it only gives the held
                # answer: the next search gets its position anew.
                yield L("stop")
                yield D("answer")
                yield D("unknown")
                return
            else:
                yield L("ponderhit")
        yield D("answer")

    def xboard_limits(self):
        r = self.r
        # A clock is always set: an earlier "time" would rule the search.
        yield L("time %d" % r.randint(20, 400))
        pick = r.random()
        if pick < 0.5:
            yield L("st 0")
            yield L("sd %d" % r.randint(1, 4))
        elif pick < 0.8:
            yield L("st 1")
        else:
            yield L("st 0")
            yield L("level %d %d %d" % (r.randint(0, 40), r.randint(0, 2), r.randint(0, 2)))

    def xboard_turn(self, judge):
        r = self.r
        pick = r.random()
        if judge.position is None or pick < 0.15:
            if r.random() < 0.8:
                fen, moves = self.random_position()
                if fen == START and not moves and r.random() < 0.5:
                    self.force = False
                    yield L("new")
                    yield L("easy")
                else:
                    self.force = True
                    yield L("force")
                    yield L("loadfen " + fen)
                    for move in moves:
                        yield L(move)
                yield known((fen, moves))
            else:
                yield L("loadfen " + self.broken_fen())
                yield D("unknown")
            yield D("sync")
            return
        if pick < 0.22:
            # A side switch: refused or not, the position is not followed.
            self.force = True
            yield L("force")
            yield L(r.choice(["white", "black"]))
            yield D("unknown")
            yield D("sync")
            return
        if pick < 0.3:
            yield L(r.choice(["undo", "remove"]))
            fen, moves = judge.position
            count = 1 if self.recorded_last_was("undo", judge) else 2
            yield known((fen, moves[:max(0, len(moves) - count)]))
            yield D("sync")
            return
        legal = self.legal(judge.position)
        if not legal:
            self.force = False
            yield L("go")
            yield D("answer-optional")
            return
        yield from self.xboard_limits()
        if pick < 0.42:
            self.force = True
            yield L("force")
            move = r.choice(legal)
            yield L(move)
            yield known((judge.position[0], judge.position[1] + [move]))
            yield D("quiet", "200")
            return
        if pick < 0.55 or self.force:
            self.force = False
            yield L("go")
        else:
            move = r.choice(legal)
            yield L(move)
            after = (judge.position[0], judge.position[1] + [move])
            yield known(after)
            if not self.legal(after):
                yield D("answer-optional")
                return
        yield from self.during_search("xboard")
        ending = r.random()
        if ending < 0.15:
            # "force" during the engine's search: a move only if it came
            # before the line was read, then none until "go".
            yield D("sleep", str(r.randint(0, 300)))
            self.force = True
            yield L("force")
            yield D("answer-optional")
            yield D("quiet", "300")
            return
        if ending < 0.25:
            self.force = False
            yield L("new")
            yield L("easy")
            yield D("answer-optional")
            yield known((START, []))
            return
        if ending < 0.35:
            yield L(r.choice(["post", "nopost"]))
        yield D("answer")

    @staticmethod
    def recorded_last_was(word, judge):
        for step in reversed(judge.recorded):
            if step[0] == "line":
                return step[1].strip() == word.encode()
        return False


# ---------------------------------------------------------------------------
# Byte mutations of a valid session: only the engine's safety is judged.

MUTANT_DROPPED = re.compile(rb"^\s*(pe|de|he|q)", re.IGNORECASE)
MUTANT_TOKENS = [b"-2147483648", b"2147483647", b"99999999999", b"0", b"-1", b" ", b"\t", b"\r", b"\x00",
                 b"\xff", b"moves", b"fen", b"go", b"stop", b"e2e4", b"e7e8q", b"/", b"8", b"K"]


def mutate_session(rng, steps):
    lines = [s[1] for s in steps if s[0] == "line" and s[1] != b"quit"]
    sleeps = [s for s in steps if s[0] == "directive" and s[1] == "sleep"]
    for _ in range(rng.randint(1, 8)):
        if not lines:
            lines.append(b"")
        at = rng.randrange(len(lines))
        data = bytearray(lines[at])
        op = rng.random()
        if op < 0.15:
            del lines[at]
            continue
        if op < 0.3:
            lines.insert(rng.randrange(len(lines) + 1), lines[at])
            continue
        if op < 0.4:
            other = rng.randrange(len(lines))
            lines[at], lines[other] = lines[other], lines[at]
            continue
        if op < 0.55 and data:
            data[rng.randrange(len(data))] = rng.randrange(256)
        elif op < 0.75:
            token = rng.choice(MUTANT_TOKENS)
            pos = rng.randrange(len(data) + 1)
            data[pos:pos] = token
        elif op < 0.85 and data:
            pos = rng.randrange(len(data))
            del data[pos:pos + rng.randint(1, 8)]
        else:
            data += bytes(rng.randrange(256) for _ in range(rng.randint(1, 20)))
        lines[at] = bytes(data).replace(b"\n", b" ")
    out = []
    for line in lines:
        # Lines that block by design (perft, demo, help) or quit are left out,
        # and large hash sizes would only measure the allocator.
        if MUTANT_DROPPED.match(line) or (b"hash" in line.lower() and b"clear" not in line.lower()):
            continue
        out.append(("line", line))
        if rng.random() < 0.2:
            out.append(D("sleep", str(rng.randint(0, 100))))
    # An "edit" whose "." a mutation dropped reads every later line as piece
    # tokens, "isready" too, by design: the end mark closes any such edit and
    # is no command anywhere else.
    out.append(("line", b"."))
    out.append(D("sync"))
    return out


# ---------------------------------------------------------------------------
# Cutting a failing session down: drop chunks of steps while the failure of
# the same kind remains and the kept steps still reach the positions they
# claim.

JUDGING = ("sync", "answer", "answer-optional", "quiet")
MARKS = ("known", "unknown")
# Lines that set up a whole position: the moves typed after one in the same
# turn, and the position mark that follows, do not build on the position
# before the turn.
SETUP_RE = re.compile(rb"^(new|loadfen |position (startpos|fen ))")


def split_turns(steps):
    """Step indices in turns: each ends at a judging directive and the
    position marks right after it, so that a cut never separates a search
    from its judgement or from the position it leaves."""
    turns, turn = [], []
    for index, step in enumerate(steps):
        if not turn and turns and step[0] == "directive" and step[1] in MARKS:
            turns[-1].append(index)
            continue
        turn.append(index)
        if step[0] == "directive" and step[1] in JUDGING:
            turns.append(turn)
            turn = []
    if turn:
        turns.append(turn)
    return turns


def builds_on_start(steps, turn):
    """True when the turn's lines or claims assume the position that the
    judge followed before it: an answer judged there, a move typed there, or
    a position mark made from it (a take-back, a move played) rather than
    from a set-up of the turn's own."""
    set_up, marked = False, False
    for index in turn:
        step = steps[index]
        if step[0] == "line":
            if SETUP_RE.match(step[1]):
                set_up = True
            elif MOVE_RE.match(step[1]) and not set_up:
                return True
        elif step[1] in MARKS:
            if not set_up and step[1] == "known":
                return True
            marked = True
        elif step[1] in ("answer", "answer-optional", "holds") and not marked:
            return True
    return False


def changes_position(steps, turn):
    return any(steps[i][0] == "directive" and steps[i][1] in MARKS + ("answer", "answer-optional") for i in turn)


def claims_hold(steps, trail, turns):
    """True when the kept turns still reach every position they claim: each
    turn that builds on the position before it finds the position it was
    made for, as the failing run followed it. A cut that dropped the moves
    leading to a position would otherwise keep the mark and fail for the
    wrong reason."""
    position = (START, [])
    for turn in turns:
        if builds_on_start(steps, turn) and trail[turn[0]] != position:
            return False
        if changes_position(steps, turn):
            end = turn[-1] + 1
            position = trail[end] if end < len(trail) else None
    return True


def minimise(judge, files, steps, failure, strict, budget_seconds=300, trail=None):
    """Cuts the failing steps down; trail holds the position the failing run
    followed before each step (judge.trail), so that a cut keeps the moves
    that lead to the positions the kept turns claim."""
    trail = list(trail) if trail is not None else list(judge.trail)

    def fails(turns, candidate_files):
        try:
            judge.run(candidate_files, [steps[i] for t in turns for i in t], strict)
        except Failure as again:
            return again.kind == failure.kind
        return False

    def cut(turns, i, chunk):
        # The chunk at i, stretched over the turns after it that build on
        # what it leads to (a take-back after the move it takes back).
        for end in range(i + chunk, len(turns) + 1):
            candidate = turns[:i] + turns[end:]
            if candidate and claims_hold(steps, trail, candidate):
                return candidate
        return None

    deadline = time.time() + budget_seconds
    turns = split_turns(steps)
    chunk = max(1, len(turns) // 2)
    while chunk >= 1 and time.time() < deadline:
        i, changed = 0, False
        while i < len(turns) and time.time() < deadline:
            candidate = cut(turns, i, chunk)
            if candidate and fails(candidate, files):
                turns, changed = candidate, True
            else:
                i += chunk
        if not changed:
            chunk //= 2
    if files and time.time() < deadline and fails(turns, []):
        files = []
    return files, [steps[i] for t in turns for i in t]


# ---------------------------------------------------------------------------

def run_fuzz(args):
    seed = args.seed if args.seed is not None else random.SystemRandom().randrange(2 ** 32)
    print("session fuzzer seed %d (replay the same sessions with --seed %d)" % (seed, seed), flush=True)
    referee_path = find_stockfish()
    if not referee_path:
        print("stockfish not found: it is the referee", file=sys.stderr)
        return 2
    referee = Referee(referee_path)
    judge = Judge(args.engine, referee, args.timeout)
    rng = random.Random(seed)
    generator = Generator(rng, referee)
    os.makedirs(args.out, exist_ok=True)
    start = time.time()
    sessions = lines = failures = 0
    valid = []
    while time.time() - start < args.time and (args.sessions is None or sessions < args.sessions):
        files = generator.files()
        if valid and rng.random() < 0.3:
            base_files, base_steps = rng.choice(valid)
            files, steps_in, strict, label = base_files, mutate_session(rng, base_steps), False, "mutant"
        else:
            steps_in, strict, label = generator.session(judge), True, "generated"
        try:
            judge.run(files, steps_in, strict)
            if strict and len(valid) < 200:
                valid.append((files, list(judge.recorded)))
        except Failure as failure:
            failures += 1
            recorded, trail = list(judge.recorded), list(judge.trail)
            print("session %d (%s) failed: %s" % (sessions, label, failure), flush=True)
            name = os.path.join(args.out, "seed%d-session%d-%s.session" % (seed, sessions, failure.kind))
            with open(name.replace(".session", ".full"), "w") as f:
                f.write(format_session(files, recorded, "%s\nthe whole session" % failure))
            files, small = minimise(judge, files, recorded, failure, strict, args.minimise_seconds, trail)
            with open(name, "w") as f:
                f.write(format_session(files, small, "%s\nfound with seed %d, session %d (%s)%s" % (
                    failure, seed, sessions, label, "" if strict else "\njudged as a mutant: #!mutant")))
            print("  reproducer: %s (%d steps)" % (name, len(small)), flush=True)
        sessions += 1
        lines += sum(1 for s in judge.recorded if s[0] == "line")
        if args.progress and sessions % args.progress == 0:
            print("  %d sessions, %d lines, %.0f s" % (sessions, lines, time.time() - start), flush=True)
    referee.close()
    print("done: %d sessions (%d lines) in %.0f s with seed %d, %d failed"
          % (sessions, lines, time.time() - start, seed, failures), flush=True)
    return 1 if failures else 0


def run_replay(args):
    referee_path = find_stockfish()
    referee = Referee(referee_path) if referee_path else None
    if not referee:
        print("stockfish not found: moves are not refereed", file=sys.stderr)
    judge = Judge(args.engine, referee, args.timeout)
    bad = 0
    for path in args.files:
        with open(path, encoding="latin-1") as f:
            text = f.read()
        files, steps = parse_session(text)
        strict = "#!mutant" not in text
        try:
            judge.run(files, steps, strict)
            print("ok    %s" % path, flush=True)
        except Failure as failure:
            bad += 1
            print("FAIL  %s: %s" % (path, failure), flush=True)
    if referee:
        referee.close()
    return 1 if bad else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="mode", required=True)
    fuzz = sub.add_parser("fuzz")
    fuzz.add_argument("--engine", required=True)
    fuzz.add_argument("--seed", type=int)
    fuzz.add_argument("--time", type=float, default=60, help="seconds to run")
    fuzz.add_argument("--sessions", type=int, help="stop after this many sessions")
    fuzz.add_argument("--out", default="session-reproducers")
    fuzz.add_argument("--timeout", type=int, default=30)
    fuzz.add_argument("--progress", type=int, default=25)
    fuzz.add_argument("--minimise-seconds", type=int, default=300)
    replay = sub.add_parser("replay")
    replay.add_argument("--engine", required=True)
    replay.add_argument("--timeout", type=int, default=30)
    replay.add_argument("files", nargs="+")
    args = parser.parse_args()
    return run_fuzz(args) if args.mode == "fuzz" else run_replay(args)


if __name__ == "__main__":
    sys.exit(main())
