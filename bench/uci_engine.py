"""A UCI engine driven by the bench scripts, and the four positions their speed comparisons use."""
import os, subprocess, sys, tempfile

# The start, a crowded middle game, a Queen's Gambit middle game and a rook ending.
FOUR_POSITIONS = [
    "startpos",
    "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "fen r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 8",
    "fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
]


class Engine:
    """path and its arguments; prefix goes in front (taskset, say). The engine runs in the temporary
    folder, as engines may leave log files in their working directory."""

    def __init__(self, path, args=(), prefix=()):
        self.path = path
        self.p = subprocess.Popen(list(prefix) + [os.path.abspath(path)] + list(args), stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, bufsize=1,
                                  cwd=tempfile.gettempdir())
        self.say("uci")
        self.until("uciok")

    def say(self, line):
        self.p.stdin.write(line + "\n")
        self.p.stdin.flush()

    def until(self, word):
        """The lines up to and including the first that starts with word, each split into words."""
        seen = []
        for line in self.p.stdout:
            seen.append(line.split())
            if seen[-1][:1] == [word]:
                return seen
        sys.exit(self.path + " ended early")

    def ready(self):
        self.say("isready")
        self.until("readyok")

    def quit(self):
        self.say("quit")
        self.p.wait(10)


def last(lines, field):
    """The value of field in the last of the split lines that has it, as a string; None when none has."""
    values = [w[w.index(field) + 1] for w in lines if field in w[:-1]]
    return values[-1] if values else None
