#!/usr/bin/env python3
"""Search speed beside other UCI engines: one thread, a 64 MB table, four positions, a fixed time each;
prints each engine's mean of the nodes per second it reports, and the first engine's ratio to the fastest other.
With --threads, also how much sooner two threads of the first engine reach depth 13 on the four positions than one.

usage: bench/side_by_side.py [--ms 3000] [--threads] ENGINE [ENGINE ...]
e.g.   bench/side_by_side.py --threads build/vell /usr/games/glaurung"""
import sys
import time

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


def to_depth(path, threads, depth=13):
    """Seconds from go to bestmove, summed over the four positions, each from an empty table."""
    e = Engine(path)
    e.say("setoption name Hash value 128"), e.say("setoption name Threads value %d" % threads), e.ready()
    total = 0.0
    for pos in FOUR_POSITIONS:
        e.say("ucinewgame"), e.say("position " + pos), e.ready()
        t = time.monotonic()
        e.say("go depth %d" % depth)
        e.until("bestmove")
        total += time.monotonic() - t
    e.quit()
    return total


args = sys.argv[1:]
ms, threads = 3000, "--threads" in args
args = [a for a in args if a != "--threads"]
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
if threads:
    one, two = to_depth(args[0], 1), to_depth(args[0], 2)
    print("depth 13, four positions: one thread %.2f s, two threads %.2f s, %.2fx" % (one, two, one / two))
