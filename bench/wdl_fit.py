#!/usr/bin/env python3
"""Fits the win/draw/loss model to Vell's own games: plays fast self-play games with the match runner (a fixed node
count a move, openings from the shared set), reads every move's score, the position it was searched in and the
game's result from its PGN (pgn-extract writes each position as a comment), and fits by maximum likelihood
    P(win)  = 1 / (1 + exp(-(s - a) / b))
    P(loss) = 1 / (1 + exp(-(-s - a) / b))      P(draw) = 1 - P(win) - P(loss)
with s the score in centipawns from the mover's view: with a and b constants, with a and b linear in the ply of the
game, and with a and b linear in the material left m (1 a pawn, 3 a minor, 5 a rook, 9 a queen, both sides: 78 at
the start). It prints the three fits' log losses, the constants the engine uses (with the material when it lowers
the log loss by more than 0.01), and the predicted against the actual score per score bucket.

usage: bench/wdl_fit.py [GAMES] [ENGINE] [NODES] [CONCURRENCY] [PGN]   defaults: 400 build/vell 4000 2 (a new
                                                                          temporary file)
       bench/wdl_fit.py -pgn FILE                                        fits games played before"""
import collections, math, os, re, shutil, subprocess, sys, tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SHARED = os.path.join(HERE, "..", "..", "shared")
RUNNER = os.path.join(SHARED, "tools", "fastchess")
if not os.access(RUNNER, os.X_OK):  # a checkout away from the project's shared folder
    RUNNER = shutil.which("fastchess") or "fastchess"
OPENINGS = os.path.join(SHARED, "data", "openings", "2moves_v1.epd")
MATE = 32000  # a mate score, counted as a sure result
SCORE = re.compile(r"([+-]?)(M?)(\d+(?:\.\d+)?)/\d+")
FEN = re.compile(r"[1-8pnbrqkPNBRQK]+(/[1-8pnbrqkPNBRQK]+){7} [wb] ")


def play(games, engine, nodes, concurrency, pgn):
    cmd = [RUNNER, "-engine", "cmd=" + engine, "name=a", "args=-nolog", "-engine", "cmd=" + engine, "name=b",
           "args=-nolog", "-each", "tc=inf", "nodes=%d" % nodes, "option.Hash=16", "-rounds", str((games + 1) // 2),
           "-games", "2", "-repeat", "-concurrency", str(concurrency), "-openings", "file=" + OPENINGS, "format=epd",
           "order=random", "-pgnout", "file=" + pgn]
    # The runner leaves its config.json in the folder it runs in: beside the games, not in the checkout.
    subprocess.run(cmd, stdout=subprocess.DEVNULL, check=True, cwd=os.path.dirname(pgn))


PIECE_WORTH = {"p": 1, "n": 3, "b": 3, "r": 5, "q": 9}
TOTAL_MATERIAL = 78  # both sides' worth at the start: the scale the material is written in
EXTRACTOR = shutil.which("pgn-extract") or "/usr/games/pgn-extract"


def material(fen):
    return sum(PIECE_WORTH.get(c.lower(), 0) for c in fen.split()[0])


def samples(pgn):
    """(score for the mover, ply, material left, result for the mover: 1, 0.5 or 0) for each scored move.
    pgn-extract writes the position after each move as a comment; the score comment of a move comes before it,
    so the position last seen is the one the score was searched in."""
    text = subprocess.run([EXTRACTOR, "--fencomments", "-s", "-w1000", pgn], capture_output=True, text=True,
                          check=True).stdout
    out = []
    for game in re.split(r"\n(?=\[Event )", text):
        m = re.search(r'\[Result "([^"]+)"\]', game)
        if not m or m.group(1) not in ("1-0", "0-1", "1/2-1/2"):
            continue
        white = {"1-0": 1.0, "0-1": 0.0, "1/2-1/2": 0.5}[m.group(1)]
        f = re.search(r'\[FEN "([^"]+)"\]', game)
        fen = f.group(1) if f else "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
        ply = 0
        for c in re.finditer(r"\{([^}]*)\}", game[game.rfind("]") + 1:]):
            comment = " ".join(c.group(1).split())
            score = SCORE.match(comment)
            if FEN.match(comment):  # first: a board such as 8/8/... would read as a score
                fen, ply = comment, ply + 1
            elif score:
                sign = -1 if score.group(1) == "-" else 1
                s = MATE if score.group(2) else round(float(score.group(3)) * 100)
                mover_white = fen.split()[1] == "w"
                out.append((sign * s, ply, material(fen), white if mover_white else 1 - white))
    return out


def probs(s, a, b):
    if a < 0 or b <= 0:  # the two curves would overlap: no room left for the draw
        raise ValueError
    z = lambda x: 1 / (1 + math.exp(-max(-500, min(500, x))))
    w, l = z((s - a) / b), z((-s - a) / b)
    return w, 1 - w - l, l


def loss(data, f):
    """Mean log loss; data holds (score, x, result, count) with x the second variable of the model."""
    total = moves = 0
    for s, x, r, n in data:
        w, d, l = f(s, x)
        p = w if r == 1 else l if r == 0 else d
        total -= n * math.log(max(p, 1e-9))
        moves += n
    return total / moves


def fit(data, f, start):
    """Coordinate search with shrinking steps: slow but needs no library."""
    x, best = list(start), loss(data, lambda s, v: f(s, v, start))
    step = [max(abs(v) / 2, 1.0) for v in start]
    for _ in range(300):
        better = False
        for i in range(len(x)):
            for d in (step[i], -step[i]):
                y = list(x)
                y[i] += d
                try:
                    v = loss(data, lambda s, v: f(s, v, y))
                except (ValueError, ZeroDivisionError):
                    continue
                if v < best:
                    x, best, better = y, v, True
                    step[i] *= 1.5  # a step that pays is tried longer next time
                    break
        if not better:
            step = [v / 2 for v in step]
            if max(step) < 0.01:
                break
    return x, best


def grouped(data, which):
    """The moves counted by (score, variable, result): far fewer rows to sum over."""
    counts = collections.Counter((d[0], d[which], d[3]) for d in data)
    return [k + (n,) for k, n in counts.items()]


def expected(rows, model):
    """Predicted and actual score of a set of moves, for the model that takes (score, material)."""
    pred = sum(w + d / 2 for w, d, _ in (model(s, m) for s, _, m, _ in rows)) / len(rows)
    return pred, sum(r for _, _, _, r in rows) / len(rows)


def main():
    args = sys.argv[1:]
    if len(args) > 1 and args[0] == "-pgn":
        pgn = args[1]
    else:
        games = int(args[0]) if len(args) > 0 else 400
        engine = os.path.abspath(args[1] if len(args) > 1 else os.path.join(HERE, "..", "build", "vell"))
        nodes = int(args[2]) if len(args) > 2 else 4000
        concurrency = int(args[3]) if len(args) > 3 else 2
        pgn = os.path.abspath(args[4]) if len(args) > 4 else os.path.join(tempfile.mkdtemp(prefix="wdl-"), "games.pgn")
        play(games, engine, nodes, concurrency, pgn)
        print("games in", pgn)
    data = [d for d in samples(pgn) if abs(d[0]) < MATE]  # mates say nothing of the curve
    print("%d scored moves" % len(data))
    (a, b), ll = fit(grouped(data, 1), lambda s, v, x: probs(s, x[0], x[1]), [150.0, 80.0])
    print("score only:    a = %.1f  b = %.1f  log loss %.4f" % (a, b, ll))
    # The curve may narrow as the game goes on: a and b linear in the ply.
    (pa0, pa1, pb0, pb1), ll_ply = fit(grouped(data, 1), lambda s, p, x: probs(s, x[0] + x[1] * p / 100,
                                                                            x[2] + x[3] * p / 100), [a, 0, b, 0])
    print("with ply:      a = %.1f %+.1f*ply/100  b = %.1f %+.1f*ply/100  log loss %.4f"
          % (pa0, pa1, pb0, pb1, ll_ply))
    # Or in the material left, which is what the ply stands in for.
    (ma0, ma1, mb0, mb1), ll_mat = fit(grouped(data, 2), lambda s, m, x: probs(s, x[0] + x[1] * m, x[2] + x[3] * m),
                                       [a, 0, b, 0])
    print("with material: a = %.1f %+.3f*m  b = %.1f %+.3f*m  (m = 0..%d)  log loss %.4f"
          % (ma0, ma1, mb0, mb1, TOTAL_MATERIAL, ll_mat))
    use_material = ll - ll_mat > 0.01
    score_only = lambda s, m: probs(s, a, b)
    with_material = lambda s, m: probs(s, ma0 + ma1 * m, mb0 + mb1 * m)
    model = with_material if use_material else score_only
    if use_material:
        print("\nthe engine's constants (material clearly better):")
        print("WDL_MIDPOINT = %.0f, WDL_MIDPOINT_PER_MATERIAL = %.2f, WDL_SPREAD = %.0f, WDL_SPREAD_PER_MATERIAL = %.2f"
              % (ma0, ma1, mb0, mb1))
    else:
        print("\nthe engine's constants (score only):\nWDL_MIDPOINT = %.0f, WDL_SPREAD = %.0f" % (a, b))

    print("\n| score (cp) | moves | predicted | actual |\n|---|---|---|---|")
    edges = [-100000, -400, -200, -100, -50, -20, 20, 50, 100, 200, 400, 100000]
    worst = 0
    for lo, hi in zip(edges, edges[1:]):
        rows = [d for d in data if lo <= d[0] < hi]
        if not rows:
            continue
        pred, act = expected(rows, model)
        worst = max(worst, abs(pred - act))
        name = "< %d" % hi if lo < -10000 else ">= %d" % lo if hi > 10000 else "%d .. %d" % (lo, hi - 1)
        print("| %s | %d | %.3f | %.3f |" % (name, len(rows), pred, act))
    print("\nlargest bucket error %.3f" % worst)

    # Where the material tells: a level position draws far more often with few pieces left.
    print("\nlevel moves (-50 .. +49) by material left, share of draws:\n"
          "| material | moves | score only | with material | actual |\n|---|---|---|---|---|")
    for lo, hi in ((0, 20), (20, 40), (40, 60), (60, TOTAL_MATERIAL + 1)):
        rows = [d for d in data if -50 <= d[0] < 50 and lo <= d[2] < hi]
        if rows:
            draws = [sum(f(s, m)[1] for s, _, m, _ in rows) / len(rows) for f in (score_only, with_material)]
            actual = sum(r == 0.5 for _, _, _, r in rows) / len(rows)
            print("| %d .. %d | %d | %.3f | %.3f | %.3f |" % (lo, hi - 1, len(rows), draws[0], draws[1], actual))

if __name__ == "__main__":
    main()
