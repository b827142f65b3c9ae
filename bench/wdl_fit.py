#!/usr/bin/env python3
"""Fits the win/draw/loss model to Vell's own games: plays fast self-play games with the match runner (one at a
time, a fixed node count a move, openings from the shared set), reads every move's score and the game's result
from its PGN, and fits by maximum likelihood
    P(win)  = 1 / (1 + exp(-(s - a) / b))
    P(loss) = 1 / (1 + exp(-(-s - a) / b))      P(draw) = 1 - P(win) - P(loss)
with s the score in centipawns from the mover's view. It prints a and b, the fit's log loss and a table of the
predicted against the actual score per score bucket, and whether adding the ply of the game (a stand-in for the
material left, which the runner's PGN does not hold) lowers the log loss clearly.

usage: bench/wdl_fit.py [GAMES] [ENGINE] [NODES]     defaults: 400 build/vell 4000
       bench/wdl_fit.py -pgn FILE                      fits games played before"""
import math, os, re, subprocess, sys, tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
RUNNER = "/work/shared/tools/fastchess"
OPENINGS = "/work/shared/data/openings/2moves_v1.epd"
MATE = 32000  # a mate score, counted as a sure result
COMMENT = re.compile(r"\{([+-]?)(M?)(\d+(?:\.\d+)?)/\d+[^}]*\}")


def play(games, engine, nodes, pgn):
    cmd = [RUNNER, "-engine", "cmd=" + engine, "name=a", "args=-nolog", "-engine", "cmd=" + engine, "name=b",
           "args=-nolog", "-each", "tc=inf", "nodes=%d" % nodes, "option.Hash=16", "-rounds", str((games + 1) // 2),
           "-games", "2", "-repeat", "-concurrency", "1", "-openings", "file=" + OPENINGS, "format=epd",
           "order=random", "-pgnout", "file=" + pgn]
    subprocess.run(cmd, stdout=subprocess.DEVNULL, check=True)


def samples(pgn):
    """(score for the mover, ply, result for the mover: 1, 0.5 or 0) for each scored move."""
    out, text = [], open(pgn).read()
    for game in re.split(r"\n(?=\[Event )", text):
        m = re.search(r'\[Result "([^"]+)"\]', game)
        if not m or m.group(1) not in ("1-0", "0-1", "1/2-1/2"):
            continue
        white = {"1-0": 1.0, "0-1": 0.0, "1/2-1/2": 0.5}[m.group(1)]
        body = game[game.rfind("]") + 1:]
        # A position set up with Black to move starts the count on Black.
        black_first = re.search(r'\[FEN "[^"]* b ', game) is not None
        for ply, c in enumerate(COMMENT.finditer(body)):
            sign = -1 if c.group(1) == "-" else 1
            s = MATE if c.group(2) else round(float(c.group(3)) * 100)
            mover_white = (ply % 2 == 0) != black_first
            out.append((sign * s, ply, white if mover_white else 1 - white))
    return out


def probs(s, a, b):
    if a < 0 or b <= 0:  # the two curves would overlap: no room left for the draw
        raise ValueError
    z = lambda x: 1 / (1 + math.exp(-max(-500, min(500, x))))
    w, l = z((s - a) / b), z((-s - a) / b)
    return w, 1 - w - l, l


def loss(data, f):
    total = 0
    for s, ply, r in data:
        w, d, l = f(s, ply)
        p = w if r == 1 else l if r == 0 else d
        total -= math.log(max(p, 1e-9))
    return total / len(data)


def fit(data, f, start):
    """Coordinate search with shrinking steps: slow but needs no library."""
    x, best = list(start), loss(data, lambda s, p: f(s, p, start))
    step = [max(abs(v) / 2, 1.0) for v in start]
    for _ in range(200):
        better = False
        for i in range(len(x)):
            for d in (step[i], -step[i]):
                y = list(x)
                y[i] += d
                try:
                    v = loss(data, lambda s, p: f(s, p, y))
                except (ValueError, ZeroDivisionError):
                    continue
                if v < best:
                    x, best, better = y, v, True
                    step[i] *= 1.5  # a step that pays is tried longer next time
                    break
        if not better:
            step = [v / 2 for v in step]
            if max(step) < 0.05:
                break
    return x, best


def main():
    if len(sys.argv) > 2 and sys.argv[1] == "-pgn":
        pgn, games = sys.argv[2], None
    else:
        games = int(sys.argv[1]) if len(sys.argv) > 1 else 400
        engine = sys.argv[2] if len(sys.argv) > 2 else os.path.join(HERE, "..", "build", "vell")
        nodes = int(sys.argv[3]) if len(sys.argv) > 3 else 4000
        pgn = os.path.join(tempfile.mkdtemp(prefix="wdl-"), "games.pgn")
        play(games, engine, nodes, pgn)
        print("games in", pgn)
    data = [d for d in samples(pgn) if abs(d[0]) < MATE]  # mates say nothing of the curve
    print("%d scored moves" % len(data))
    (a, b), ll = fit(data, lambda s, p, x: probs(s, x[0], x[1]), [150.0, 80.0])
    print("score only:  a = %.1f  b = %.1f  log loss %.4f" % (a, b, ll))
    # The curve may narrow as the game goes on: a and b linear in the ply.
    (a0, a1, b0, b1), ll2 = fit(data, lambda s, p, x: probs(s, x[0] + x[1] * p / 100, x[2] + x[3] * p / 100),
                                [a, 0.0, b, 0.0])
    print("with ply:    a = %.1f %+.1f*ply/100  b = %.1f %+.1f*ply/100  log loss %.4f" % (a0, a1, b0, b1, ll2))
    print("\n| score (cp) | moves | predicted | actual |\n|---|---|---|---|")
    edges = [-100000, -400, -200, -100, -50, -20, 20, 50, 100, 200, 400, 100000]
    worst = 0
    for lo, hi in zip(edges, edges[1:]):
        rows = [d for d in data if lo <= d[0] < hi]
        if not rows:
            continue
        pred = sum(w + d / 2 for w, d, _ in (probs(s, a, b) for s, _, _ in rows)) / len(rows)
        act = sum(r for _, _, r in rows) / len(rows)
        worst = max(worst, abs(pred - act))
        name = "< %d" % hi if lo < -10000 else ">= %d" % lo if hi > 10000 else "%d .. %d" % (lo, hi - 1)
        print("| %s | %d | %.3f | %.3f |" % (name, len(rows), pred, act))
    print("\nlargest bucket error %.3f" % worst)


if __name__ == "__main__":
    main()
