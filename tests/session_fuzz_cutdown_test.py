#!/usr/bin/env python3
"""The session fuzzer's cut-down: a session cut down from a failing one must
still reach every position it claims, or it fails for another reason than
the one it was found for. A stand-in judge fails any session that holds the
lines of the fault; a model of a sound engine follows the cut-down session
and compares each position mark with the position the lines lead to."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzz"))
import session_fuzz as fuzz  # noqa: E402

FEN = "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3"
L, D = fuzz.L, fuzz.D


def known(fen, moves):
    return fuzz.known((fen, moves))


# The failing session as the generator recorded it: a FEN set up in force
# mode, a move, "remove" back to the FEN, an idle command, then "go", whose
# answer was judged illegal.
SESSION = [
    D("sync"),
    L("xboard"), L("new"), L("easy"), D("sync"),
    L("force"), L("loadfen " + FEN), known(FEN, []), D("sync"),
    L("time 100"), L("st 1"), L("force"), L("d1g4"), known(FEN, ["d1g4"]), D("quiet", "200"),
    L("remove"), known(FEN, []), D("sync"),
    L("brd"), D("sync"),
    L("time 100"), L("st 1"), L("go"), D("answer"),
    D("sync"), L("quit"),
]


def followed_positions(steps):
    """The position the judge follows before each step (its trail)."""
    position, trail = (fuzz.START, []), []
    for step in steps:
        trail.append(position)
        if step[0] == "directive" and step[1] == "known":
            fen, _, moves = step[2].partition("|")
            position = (fen, moves.split())
        elif step[0] == "directive" and step[1] == "unknown":
            position = None
    return trail


def wrong_marks(steps):
    """The position marks that the lines before them do not lead to, on an
    engine that takes back nothing behind its set-up position."""
    fen, moves, wrong = fuzz.START, [], []
    for step in steps:
        if step[0] == "line":
            text = step[1].decode("latin-1")
            if text == "new":
                fen, moves = fuzz.START, []
            elif text.startswith("loadfen "):
                fen, moves = text[len("loadfen "):], []
            elif text in ("undo", "remove"):
                moves = moves[:max(0, len(moves) - (1 if text == "undo" else 2))]
            elif fuzz.MOVE_RE.match(step[1]):
                moves = moves + [text]
        elif step[1] == "known" and step[2] != "%s|%s" % (fen, " ".join(moves)):
            wrong.append("%s where the lines lead to %s|%s" % (step[2], fen, " ".join(moves)))
    return wrong


class StandInJudge:
    """Fails every session that still sends the lines of the fault."""

    def __init__(self, steps, fault):
        self.trail = followed_positions(steps)
        self.fault = fault

    def run(self, files, steps, strict=True):
        lines = [s[1] for s in steps if s[0] == "line"]
        if all(line in lines for line in self.fault):
            raise fuzz.Failure("illegal", "b8c6 is not legal after " + FEN)


class CutDown(unittest.TestCase):
    def cut(self, fault):
        self.assertEqual(wrong_marks(SESSION), [])
        judge = StandInJudge(SESSION, fault)
        failure = fuzz.Failure("illegal", "b8c6 is not legal after " + FEN)
        files, steps = fuzz.minimise(judge, [], SESSION, failure, True, budget_seconds=30)
        self.assertEqual(wrong_marks(steps), [], fuzz.format_session(files, steps))
        return steps

    def test_keeps_the_moves_that_lead_to_a_claimed_position(self):
        # The fault needs "remove" and "go": the cut keeps what leads to the
        # position "remove" claims, the FEN and the move it takes back.
        steps = self.cut([b"remove", b"go"])
        lines = [s[1] for s in steps if s[0] == "line"]
        for line in (b"loadfen " + FEN.encode(), b"d1g4", b"remove", b"go"):
            self.assertIn(line, lines, fuzz.format_session([], steps))
        self.assertNotIn(b"brd", lines)

    def test_drops_what_no_claim_needs(self):
        # "go" alone fails: its answer is judged where the FEN stands, which
        # the set-up alone reaches.
        steps = self.cut([b"go"])
        lines = [s[1] for s in steps if s[0] == "line"]
        self.assertIn(b"loadfen " + FEN.encode(), lines)
        self.assertNotIn(b"d1g4", lines)
        self.assertNotIn(b"brd", lines)


if __name__ == "__main__":
    unittest.main()
