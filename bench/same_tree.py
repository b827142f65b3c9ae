#!/usr/bin/env python3
"""Do two builds search the same tree? Each searches every position of the EPD files to a fixed depth on a
16 MB table, and the node counts and best moves are compared. A change meant only to make Vell faster must
leave all of them equal: the bench's one count covers 30 positions, this covers as many as the files hold.

usage: bench/same_tree.py A B [--depth 7] FILE.epd [FILE.epd ...]
e.g.   bench/same_tree.py /tmp/vell-before build/vell ../shared/data/suites/wacnew.epd"""
import sys

from uci_engine import Engine, last


def results(engine, fens, depth):
    e = Engine(engine, ["-nolog"])
    e.say("setoption name Hash value 16"), e.ready()
    got = []
    for fen in fens:
        e.say("ucinewgame"), e.say("position fen " + fen), e.say("go depth %d" % depth)
        lines = e.until("bestmove")
        got.append((last(lines, "nodes") or "-", " ".join(lines[-1])))
    e.quit()
    return got


def main():
    args = sys.argv[1:]
    depth = 7
    if "--depth" in args:
        i = args.index("--depth")
        depth = int(args[i + 1])
        del args[i:i + 2]
    if len(args) < 3:
        sys.exit(__doc__)
    fens = []
    for name in args[2:]:
        with open(name) as f:
            fens += [" ".join(l.split()[:4]) + " 0 1" for l in f if len(l.split()) >= 4]
    a, b = results(args[0], fens, depth), results(args[1], fens, depth)
    differ = [i for i in range(len(fens)) if a[i] != b[i]]
    print("%d positions to depth %d, %d differ" % (len(fens), depth, len(differ)))
    for i in differ[:10]:
        print(fens[i], a[i], b[i])
    sys.exit(1 if differ else 0)


main()
