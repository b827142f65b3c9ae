#!/usr/bin/env python3
"""Do two builds search the same tree? Each searches every position of the EPD files to a fixed depth on a
16 MB table, and the node counts and best moves are compared. A change meant only to make Vell faster must
leave all of them equal: the bench's one count covers 30 positions, this covers as many as the files hold.

usage: bench/same_tree.py A B [--depth 7] FILE.epd [FILE.epd ...]
e.g.   bench/same_tree.py /tmp/vell-before build/vell ../shared/data/suites/wacnew.epd"""
import os, subprocess, sys


def results(engine, fens, depth):
    p = subprocess.Popen([os.path.abspath(engine), "-nolog"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         text=True, bufsize=1)

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
    say("setoption name Hash value 16"), say("isready"), until("readyok")
    got = []
    for fen in fens:
        say("ucinewgame"), say("position fen " + fen), say("go depth %d" % depth)
        lines = until("bestmove")
        counts = [w[w.index("nodes") + 1] for w in lines if "nodes" in w]
        got.append((counts[-1] if counts else "-", " ".join(lines[-1])))
    say("quit")
    p.wait()
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
