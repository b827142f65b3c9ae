#!/usr/bin/env python3
"""Search speed beside other UCI engines: one thread, a 64 MB table, four positions, a fixed time each;
prints each engine's mean of the nodes per second it reports, and the first engine's ratio to the fastest other.

usage: bench/side_by_side.py [--ms 3000] ENGINE [ENGINE ...]
e.g.   bench/side_by_side.py build/vell /usr/games/glaurung"""
import sys

from uci_engine import FOUR_POSITIONS, Engine, last


def mean_nps(path, ms):
    e = Engine(path)
    e.say("setoption name Hash value 64"), e.say("setoption name Threads value 1")
    total = 0
    for pos in FOUR_POSITIONS:
        e.say("ucinewgame"), e.say("position " + pos), e.ready()
        e.say("go movetime %d" % ms)
        total += int(last(e.until("bestmove"), "nps") or 0)
    e.quit()
    return total / len(FOUR_POSITIONS)


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
