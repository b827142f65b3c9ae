#!/usr/bin/env python3
"""Two builds of Vell timed at once, each pinned to a core of its own (the cores swap every run), to a fixed
depth on four positions with a 64 MB table. Both feel the same load from the rest of the machine, so the
ratio of their times holds still where timing one build after the other swings by 10% and more.

usage: bench/paired.py A B [RUNS]      prints B's time over A's per run and the median (below 1: B is faster)
e.g.   bench/paired.py /tmp/vell-before build/vell 8"""
import statistics, sys, threading

from uci_engine import FOUR_POSITIONS, Engine, last

DEPTHS = [14, 14, 14, 22]  # of the four positions, in their order


def times(engine, core, out):
    e = Engine(engine, ["-nolog"], ["taskset", "-c", str(core)])
    e.say("setoption name Hash value 64"), e.ready()
    for pos, depth in zip(FOUR_POSITIONS, DEPTHS):
        e.say("ucinewgame"), e.say("position " + pos), e.ready()
        e.say("go depth %d" % depth)
        out.append(int(last(e.until("bestmove"), "time")))
    e.quit()


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    a, b = sys.argv[1], sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 8
    ratios, per = [], []
    for r in range(runs):
        ta, tb = [], []
        jobs = [threading.Thread(target=times, args=(a, r % 2, ta)),
                threading.Thread(target=times, args=(b, 1 - r % 2, tb))]
        for j in jobs:
            j.start()
        for j in jobs:
            j.join()
        ratios.append(sum(tb) / sum(ta))
        per.append([y / x for x, y in zip(ta, tb)])
        print("run %d: %d ms against %d ms, %.3f" % (r + 1, sum(ta), sum(tb), ratios[-1]), flush=True)
    print("median %.3f; by position %s" % (statistics.median(ratios),
          " ".join("%.3f" % statistics.median(p[i] for p in per) for i in range(len(DEPTHS)))))


main()
