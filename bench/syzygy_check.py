#!/usr/bin/env python3
"""Random 3- and 4-piece positions probed twice: by the engine's console `tb`
command and by the fathom command on the same tables. Every WDL, DTZ and the
winning, drawing and losing move lists must agree.

usage: bench/syzygy_check.py [--count 200] [--seed 1] [--path DIR] [--engine build/vell]"""
import argparse, glob, os, random, re, subprocess, sys

FATHOM = "/usr/games/fathom"


def attacks(sq, piece, occ):
    """Squares a piece of type piece ('K','Q','R','B','N', 'P' white, 'p' black) on sq attacks."""
    f, r = sq % 8, sq // 8
    out = set()
    steps = {"N": [(1, 2), (2, 1), (-1, 2), (-2, 1), (1, -2), (2, -1), (-1, -2), (-2, -1)],
             "K": [(a, b) for a in (-1, 0, 1) for b in (-1, 0, 1) if a or b],
             "P": [(1, 1), (-1, 1)], "p": [(1, -1), (-1, -1)]}
    rays = {"R": [(1, 0), (-1, 0), (0, 1), (0, -1)], "B": [(1, 1), (1, -1), (-1, 1), (-1, -1)]}
    rays["Q"] = rays["R"] + rays["B"]
    for df, dr in steps.get(piece, []):
        if 0 <= f + df < 8 and 0 <= r + dr < 8:
            out.add((r + dr) * 8 + f + df)
    for df, dr in rays.get(piece, []):
        x, y = f + df, r + dr
        while 0 <= x < 8 and 0 <= y < 8:
            out.add(y * 8 + x)
            if y * 8 + x in occ:
                break
            x, y = x + df, y + dr
    return out


def random_position(rng, tables):
    name = rng.choice(tables)
    strong, weak = name.split("v")
    if rng.random() < 0.5:
        white, black = strong, weak
    else:
        white, black = weak, strong
    while True:
        board = {}
        ok = True
        for colour, pieces in ((0, white), (1, black)):
            for p in pieces:
                sq = rng.choice([s for s in range(64) if s not in board])
                if p == "P" and not 8 <= sq < 56:
                    ok = False
                board[sq] = (colour, p)
        if not ok:
            continue
        side = rng.randrange(2)
        occ = set(board)
        king = {}
        for s, (c, p) in board.items():
            if p == "K":
                king[c] = s
        # The side not to move may not be in check (this also keeps the kings apart).
        them = side ^ 1
        attacked = set()
        for s, (c, p) in board.items():
            if c == side:
                attacked |= attacks(s, p if p != "P" else ("P" if c == 0 else "p"), occ)
        if king[them] in attacked:
            continue
        rows = []
        for r in range(7, -1, -1):
            row, empty = "", 0
            for f in range(8):
                if r * 8 + f in board:
                    c, p = board[r * 8 + f]
                    row += (str(empty) if empty else "") + (p if c == 0 else p.lower())
                    empty = 0
                else:
                    empty += 1
            rows.append(row + (str(empty) if empty else ""))
        return "/".join(rows) + (" w" if side == 0 else " b") + " - - 0 1"


def plain(san):
    """SAN without check marks and without the square a piece came from: the
    fathom command names the rank where the file is enough (R3e3 for Ree3)."""
    return re.sub(r"^([KQRBN])[a-h]?[1-8]?(x?[a-h][1-8])$", r"\1\2", san.strip().rstrip("+#"))


def fathom(path, fen):
    out = subprocess.run([FATHOM, "--path=" + path, fen], capture_output=True, text=True).stdout
    tag = dict(re.findall(r'^\[(\w+) "(.*)"\]$', out, re.M))
    names = {"Win": "win", "Loss": "loss", "Draw": "draw", "CursedWin": "cursed win", "BlessedLoss": "blessed loss"}
    wdl = names[tag["WDL"]]
    moves = {k: sorted(plain(m) for m in tag[k].split(",") if m.strip())
             for k in ("WinningMoves", "DrawingMoves", "LosingMoves")}
    if wdl == "win" and not any(moves.values()) and tag["DTZ"] == "0":
        wdl = "loss"  # checkmate: the library's constant says win
    return wdl, int(tag["DTZ"]), moves


def engine(binary, path, fens):
    script = "syzygy %s\n" % path + "".join("fen %s\ntb\n" % f for f in fens) + "quit\n"
    out = subprocess.run([binary, "-c", "-nolog"], input=script, capture_output=True, text=True).stdout
    results, cur = [], None
    for line in out.splitlines():
        m = re.match(r"^position: (.+), dtz (\d+)$", line)
        if m:
            cur = [m.group(1), int(m.group(2)), {"WinningMoves": [], "DrawingMoves": [], "LosingMoves": []}]
            results.append(cur)
            continue
        if line == "not in the tablebases":
            results.append(None)
            continue
        m = re.match(r"^(\S+): (.+), dtz (\d+)$", line)
        if m and cur:
            kind = {"win": "WinningMoves", "loss": "LosingMoves"}.get(m.group(2), "DrawingMoves")
            cur[2][kind].append(plain(m.group(1)))
    for r in results:
        if r:
            for k in r[2]:
                r[2][k].sort()
    return results


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--count", type=int, default=200)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--path", default=os.path.join(os.path.dirname(__file__), "../tests/data/syzygy"))
    ap.add_argument("--engine", default=os.path.join(os.path.dirname(__file__), "../build/vell"))
    a = ap.parse_args()
    rng = random.Random(a.seed)
    tables = sorted({os.path.basename(f)[:-5] for f in glob.glob(os.path.join(a.path, "*.rtbw"))})
    fens = [random_position(rng, tables) for _ in range(a.count)]
    ours = engine(a.engine, a.path, fens)
    if len(ours) != len(fens):
        sys.exit("engine answered %d of %d positions" % (len(ours), len(fens)))
    bad = 0
    kinds = {}
    for fen, mine in zip(fens, ours):
        ref = fathom(a.path, fen)
        kinds[ref[0]] = kinds.get(ref[0], 0) + 1
        if mine is None or tuple(mine) != ref:
            bad += 1
            print("differs: %s\n  fathom %s\n  engine %s" % (fen, ref, mine))
    print("%d positions from %d tables (%s): %d differ" % (len(fens), len(tables),
          ", ".join("%s %d" % kv for kv in sorted(kinds.items())), bad))
    sys.exit(1 if bad else 0)


main()
