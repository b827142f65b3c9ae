// Seeded random interleavings of console and UCI commands with short pauses:
// searches, self-play, analysis, reports, edits, option changes and bursts,
// run as transcripts (so every move and board shown is judged); afterwards the
// engine must still answer. The count per session comes from VELL_INTERLEAVE
// (default 60; make fuzz runs thousands), the seed from VELL_SEED.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "tests/support/transcript.h"

namespace {

// Kinds of command; one text of a kind is sent, "\n" separates lines of a burst.
using Kinds = std::vector<std::vector<const char*>>;

const Kinds kUci = {
    {"position startpos", "position startpos moves e2e4 e7e5 g1f3",
     "position fen 6k1/P1P5/8/8/8/B7/1B1B1B1B/B1B1B1BK w - -", "position fen 7k/5Q2/6K1/8/8/8/8/8 b - -",
     "position fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -"},
    {"go depth 3", "go depth 6", "go movetime 40", "go infinite", "go wtime 500 btime 500", "go nodes 3000"},
    {"go ponder wtime 1000 btime 1000", "ponderhit"},
    {"stop", "isready"},
    {"setoption name Threads value 1", "setoption name Threads value 3", "setoption name Hash value 1",
     "setoption name Hash value 16", "setoption name MultiPV value 3", "setoption name Clear Hash", "ucinewgame"},
    {"stop\nposition startpos moves d2d4\ngo depth 4\nstop\nposition startpos\ngo depth 2\n"},
};

const Kinds kConsole = {
    {"e2e4", "d4", "Nf3", "e5", "undo", "]", "jump 0", "new", "O-O"},
    {"fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", "fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
     "fen 6k1/P1P5/8/8/8/B7/1B1B1B1B/B1B1B1BK w - -", "fen 7k/5Q2/6K1/8/8/8/8/8 b - -"},
    {"go 3", "an", ".", "sd 3", "time 0.05"},
    {"level 1 0.3 0", "self", "force"},
    {"ev", "bd", "swap", "perft 3", "debug 1", "debug 0", "book"},
    {"edit\n#\nw Ke1 Qd1 Pe5\nb Ke8 Pd5\n.", "edit\nc\nb Pd4\n.", "edit\n."},
    {"set LMR_depth 2", "set", "level 40 5:00 0", "noise 0"},
};

// A session of random commands, each followed by a pause of up to 40 ms,
// then the closing lines.
void Interleave(std::vector<std::string> args, const Kinds& kinds, unsigned seed, std::vector<std::string> end) {
    const char* env = std::getenv("VELL_INTERLEAVE");
    const char* seed_env = std::getenv("VELL_SEED");
    seed += seed_env ? unsigned(std::atoi(seed_env)) : 1;
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    Transcript t{"Interleave", args, {}};
    for (int i = env ? std::atoi(env) : 60; i > 0; i--) {
        const auto& kind = kinds[rng() % kinds.size()];
        t.lines.push_back(std::string("> ") + kind[rng() % kind.size()]);
        t.lines.push_back(std::string("@").append(std::to_string(rng() % 40 / 1000.0)));
    }
    t.lines.insert(t.lines.end(), end.begin(), end.end());
    RunTranscript(t);
}

TEST(Interleave, UciCommands) {
    Interleave({}, kUci, 0, {"> stop", "> isready", "...readyok", "> position startpos moves e2e4", "> go depth 2", "...bestmove*"});
}

TEST(Interleave, ConsoleCommands) {
    Interleave({"-c"}, kConsole, 1, {"> force", "> .", "> bd", "> set LMR_depth 3", "...set LMR_depth to 3"});
}

}  // namespace
