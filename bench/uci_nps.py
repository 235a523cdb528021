#!/usr/bin/env python3
"""Nodes per second of two UCI engines on the same middlegame positions, one
thread each, searched one after the other in one run so that both see the
same machine.

    bench/uci_nps.py ENGINE PEER [MILLISECONDS]

Each engine gets "go movetime MILLISECONDS" (default 3000) on every position
after "ucinewgame"; its rate is the last "info" line's nodes over its time.
Prints both rates per position, their means and the ratio ENGINE / PEER.
"""
import re
import subprocess
import sys

POSITIONS = [
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r1bq1rk1/pp2bppp/2n1pn2/2pp4/3P4/2PBPN2/PP1N1PPP/R1BQ1RK1 w - - 0 8",
    "2rq1rk1/pb1nbppp/1p2pn2/2pp4/2PP4/1P2PN2/PB1NBPPP/R2Q1RK1 w - - 0 11",
]


def Rates(command, milliseconds):
    engine = subprocess.Popen([command], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)

    def Send(line):
        engine.stdin.write(line + "\n")
        engine.stdin.flush()

    def ReadUntil(prefix):
        lines = []
        for line in engine.stdout:
            lines.append(line)
            if line.startswith(prefix):
                return lines
        sys.exit(f"{command} ended before \"{prefix}\"")

    Send("uci")
    ReadUntil("uciok")
    Send("setoption name Threads value 1")
    Send("isready")
    ReadUntil("readyok")
    rates = []
    for fen in POSITIONS:
        Send("ucinewgame")
        Send("position fen " + fen)
        Send("isready")
        ReadUntil("readyok")
        Send(f"go movetime {milliseconds}")
        nodes = time = 0
        for line in ReadUntil("bestmove"):
            n = re.search(r"\bnodes (\d+)", line)
            t = re.search(r"\btime (\d+)", line)
            if n and t and int(t.group(1)) > 0:
                nodes, time = int(n.group(1)), int(t.group(1))
        if time == 0:
            sys.exit(f"{command} printed no nodes and time for {fen}")
        rates.append(nodes * 1000.0 / time)
    Send("quit")
    engine.wait()
    return rates


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    milliseconds = int(sys.argv[3]) if len(sys.argv) == 4 else 3000
    ours = Rates(sys.argv[1], milliseconds)
    theirs = Rates(sys.argv[2], milliseconds)
    for fen, a, b in zip(POSITIONS, ours, theirs):
        print(f"{a / 1e6:7.3f} M {b / 1e6:7.3f} M  {fen}")
    mean_ours, mean_theirs = sum(ours) / len(ours), sum(theirs) / len(theirs)
    print(f"mean {mean_ours / 1e6:.3f} M against {mean_theirs / 1e6:.3f} M: ratio {mean_ours / mean_theirs:.3f}")


if __name__ == "__main__":
    main()
