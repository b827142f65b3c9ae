#!/usr/bin/env python3
"""Search speed beside other UCI engines: one thread, a 64 MB table, four positions, a fixed time each;
prints each engine's mean of the nodes per second it reports, and the first engine's ratio to the fastest other.

usage: bench/side_by_side.py [--ms 3000] ENGINE [ENGINE ...]
e.g.   bench/side_by_side.py build/vell /usr/games/glaurung"""
import os, subprocess, sys, tempfile

POSITIONS = [
    "startpos",
    "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "fen r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 8",
    "fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
]


def mean_nps(path, ms):
    # Run elsewhere: engines may leave log files in their working directory.
    p = subprocess.Popen([os.path.abspath(path)], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, text=True, bufsize=1, cwd=tempfile.gettempdir())

    def say(line):
        p.stdin.write(line + "\n")
        p.stdin.flush()

    def until(word):
        seen = []
        for line in p.stdout:
            seen.append(line.split())
            if seen[-1][:1] == [word]:
                return seen
        sys.exit(path + " ended early")

    say("uci"), until("uciok")
    say("setoption name Hash value 64"), say("setoption name Threads value 1")
    total = 0
    for pos in POSITIONS:
        say("ucinewgame"), say("position " + pos), say("isready"), until("readyok")
        say("go movetime %d" % ms)
        nps = [int(w[w.index("nps") + 1]) for w in until("bestmove") if "nps" in w[:-1]]
        total += nps[-1] if nps else 0
    say("quit")
    p.wait(10)
    return total / len(POSITIONS)


args = sys.argv[1:]
ms = 3000
if args[:1] == ["--ms"]:
    ms, args = int(args[1]), args[2:]
if not args:
    sys.exit(__doc__)
rows = [(a, mean_nps(a, ms)) for a in args]
for name, n in rows:
    print("%-24s %10.0f nodes/s" % (name, n))
if len(rows) > 1:
    best = max(rows[1:], key=lambda r: r[1])
    print("%s / %s: %.2fx" % (rows[0][0], best[0], rows[0][1] / best[1]))
