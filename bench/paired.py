#!/usr/bin/env python3
"""Two builds of Vell timed at once, each pinned to a core of its own (the cores swap every run), to a fixed
depth on four positions with a 64 MB table. Both feel the same load from the rest of the machine, so the
ratio of their times holds still where timing one build after the other swings by 10% and more.

usage: bench/paired.py A B [RUNS]      prints B's time over A's per run and the median (below 1: B is faster)
e.g.   bench/paired.py /tmp/vell-before build/vell 8"""
import os, statistics, subprocess, sys, threading

POSITIONS = [  # with the depth each is searched to
    ("startpos", 14),
    ("fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 14),
    ("fen r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 8", 14),
    ("fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 22),
]


def times(engine, core, out):
    p = subprocess.Popen(["taskset", "-c", str(core), os.path.abspath(engine), "-nolog"], stdin=subprocess.PIPE,
                         stdout=subprocess.PIPE, text=True, bufsize=1)

    def say(line):
        p.stdin.write(line + "\n")
        p.stdin.flush()

    def until(word):
        seen = []
        for line in p.stdout:
            seen.append(line.split())
            if seen[-1][:1] == [word]:
                return seen
        sys.exit(engine + " ended early")

    say("uci"), until("uciok")
    say("setoption name Hash value 64"), say("isready"), until("readyok")
    for pos, depth in POSITIONS:
        say("ucinewgame"), say("position " + pos), say("isready"), until("readyok")
        say("go depth %d" % depth)
        last = [w for w in until("bestmove") if "time" in w][-1]
        out.append(int(last[last.index("time") + 1]))
    say("quit")
    p.wait()


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
          " ".join("%.3f" % statistics.median(p[i] for p in per) for i in range(len(POSITIONS)))))


main()
