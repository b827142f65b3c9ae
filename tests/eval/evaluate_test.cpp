// The evaluation against values worked by hand, each weight moving exactly
// its own term, colour symmetry over two thousand positions, and the caches.
#include <cctype>
#include <map>
#include <sstream>
#include <tuple>

#include "board/fen.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "eval/report.h"
#include "search/batch.h"
#include "tests/board/board_setup.h"

namespace {

// Evaluations of thread 1's position (index 1, so the report is filled).
struct EvalTest : EngineTest {
    ThreadRec* td = nullptr;
    void SetUp() override {
        EngineTest::SetUp();
        td = ThreadData[1];
    }
    StackRec& Stack(int ply) { return td->stack[ply]; }
    // Evaluates fen for its side to move at ply 2 with empty caches, or at ply 1
    // (never cached) with the report cleared first.
    int EvalFen(const char* fen, int ply = 2) {
        SetPosition(&td->pos, fen);
        // A zero key would match a position without pawns; every entry must miss.
        for (auto& e : td->caches.pcache) e.key = ~0ULL;
        for (auto& e : td->caches.ecache) e.key = ~0ULL;
        std::memset(&eval_report, 0, sizeof eval_report);
        return Evaluate(td, td->pos.side, ply, 0);
    }
};

// What an evaluation leaves for the search.
auto ByProducts(const StackRec& r) {
    return std::tuple(r.eval, r.hung_value[0], r.hung_value[1], r.passer_sq[0], r.passer_sq[1],
                      r.king_attacked[0], r.king_attacked[1]);
}

// "square value ..." by square index.
std::map<int, int> Values(const char* text) {
    std::map<int, int> values;
    std::istringstream in(text);
    std::string sq;
    for (int v; in >> sq >> v;) values[(sq[0] - 'a') + 8 * (sq[1] - '1')] = v;
    return values;
}

// Whole evaluations (side to move's view).
const struct {
    const char* fen;
    int value;
} kValues[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 9},  // the tempo bonus
    // Bishop and knight drive the king to the bishop's corner: 700 + 20 (king
    // distance) + 120 (corner) - 8 * 2; the wrong corner gives 10.
    {"8/8/8/8/8/2K5/8/kNB5 w - -", 824},
    {"8/8/8/8/8/2K5/8/kN1B4 w - -", 714},
    {"k7/8/2K5/8/8/8/8/1N1B4 w - -", 824},
    {"Kbn5/8/2k5/8/8/8/8/8 b - -", 714},
    // A single pawn goes by the bitbase.
    {"4k3/8/4K3/4P3/8/8/8/8 w - -", 800},
    {"8/k7/8/P7/8/8/8/1K6 w - -", 0},
    {"8/8/8/8/4p3/4k3/8/4K3 b - -", 800},
};

// Pieces' values from the report ("square value ..."), worked by hand from the
// tables. Start position: b1 -20 and two squares -7; c1 -5 and no square
// -17; e1 -12 and full shelter +20. f3: 4 + four safe squares (d4 is covered
// by e5); c6: 4 + five. Pawns on files a and b only: a king on h3 pays
// 8 * 6 - 8 for the distance. Without the enemy queen the opening table counts
// half: -90 / 24. d7 may take its way through to c8 although the rook covers
// d8: (132 * 2 + 177 * 22) / 24 at e = 22; with nothing to take (80 * 2 + 107 * 22) / 24.
const struct {
    const char *fen, *values;
} kSquares[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", "b1 -27 c1 -22 e1 8 e8 8 a2 -3"},
    {"r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -", "f3 10 c6 16"},
    {"4k3/p7/8/8/8/7K/1P6/8 w - -", "h3 -44"},
    {"4k3/p7/8/8/8/2K5/1P6/8 w - -", "c3 20"},
    {"rn2k3/8/8/8/8/8/8/RNBQKBNR w - -", "e1 -3"},
    {"2r2k2/3P4/8/8/8/8/8/K7 w - -", "d7 173"},
    {"1r3k2/3P4/8/8/8/8/8/K7 w - -", "d7 104"},
};

// A weight changed by `add` moves the report's value of exactly the listed
// squares by the amount beside each (none listed: the whole evaluation moves by delta).
const char kPieces[] = "rn1qk2r/ppbR2pp/6n1/4N3/5P2/1PN5/b1P1B1PP/2BQ1RK1 w - -";
const char kPawns[] = "4k3/p4p1p/1p4p1/3p4/2P1P3/2P4P/P4PP1/4K3 w - -";
PersonalityRec& P = Personality;
const struct {
    const char* fen;
    int16_t* weight;
    int add;
    const char* deltas;
    int delta = 0;
} kWeights[] = {
    {kPieces, &P.knight_outpost, 10, "e5 10"},
    {kPieces, &P.rook_open_file, 10, "d7 10"},
    {kPieces, &P.rook_rank7, 10, "d7 10"},
    {kPieces, &P.bishop_trapped, 10, "a2 10"},
    {"rnbqkbnr/pppppppp/8/8/8/5N2/PPPPBPPP/RNBQ1K1R w kq -", &P.rook_trapped, 20, "h1 20"},
    {"rnbqk2r/pppp1ppp/4pn2/8/1bPP4/2N5/PP2PPPP/R1BQKBNR w KQkq -", &P.pinned, 12, "c3 12"},
    // Full material (e = 0): a king moves by (2 - missing shield pawns) * the weight.
    {"rnbqkbnr/pppppppp/8/8/4P3/5N2/PPPPBPPP/RNBQ1RK1 w kq -", &P.pawn_shield, 10, "g1 20 e8 20"},
    {"rnbqkbnr/pppppppp/8/8/8/5N2/PPPPB3/RNBQ1RK1 w kq -", &P.pawn_shield, 10, "g1 -30 e8 20"},
    // Pawn endings (e = 24): each structure weight moves the pawns it applies to.
    {kPawns, &P.pawn_isolated, 1, "a2 1 c3 1 c4 1 d5 1"},
    {kPawns, &P.pawn_doubled, 1, "c3 1 c4 1"},
    {kPawns, &P.pawn_backward, 1, "a2 1 c3 1 c4 1 a7 1 d5 1 f7 1 h7 1"},
    {kPawns, &P.pawn_weak, 1, "c3 1 c4 1 d5 1"},
    {"4k3/4p3/8/2PP4/8/8/8/4K3 w - -", &P.pawn_candidate, 10, "d5 20"},  // c5 outnumbers e7
    // n hanging pieces cost the weight once for one, 2n - 1 times from two on.
    {"8/pp6/8/8/3PP3/3k4/7P/4K3 w - -", &P.hung, -10, "", -30},
    {"8/pp6/8/8/3P4/3k4/7P/4K3 w - -", &P.hung, -10, "", -10},
};

// The by-products the search reads: hung values and the king attacked by a
// queen in contact (hung -1: not checked).
const struct {
    const char* fen;
    int hung_white, hung_black, king_attacked;
} kByProducts[] = {
    {"4k3/8/3p4/4N3/8/8/8/4K3 w - -", 335, 0, 0},     // a knight hit by a pawn
    {"4k3/8/8/8/3r4/8/3Q4/4K3 w - -", 1000, 525, 0},  // a queen hit by a rook, a loose rook
    {"4k3/8/8/3p4/4P3/8/8/4K3 w - -", 0, 0, 0},       // pawns hit by pawns are not hanging
    {"8/pp6/8/8/3P4/3k4/7P/4K3 w - -", 100, 0, 0},    // a loose pawn hit by a king is
    // Queen h4 and knight g4 both hit f2 and h2 beside the king.
    {"4k3/8/8/8/6nq/8/PPPPP1PP/R3R1K1 w - -", -1, -1, 1},
    {"4k3/8/8/8/6nq/3N4/PPPPP1PP/R3R1K1 w - -", -1, -1, 1},  // d3 guards f2, not h2
    {"4k3/8/8/8/6nq/3N4/PPPPP1PP/R5KR w - -", -1, -1, 0},    // and h1 guards h2
    {"4k3/8/8/8/7q/8/PPPPP1PP/R3R1K1 w - -", -1, -1, 0},     // hit only once
};

}  // namespace

TEST_F(EvalTest, HandWorkedValues) {
    for (const auto& row : kValues) EXPECT_EQ(EvalFen(row.fen), row.value) << row.fen;
    for (const auto& row : kSquares) {
        EvalFen(row.fen, 1);
        for (auto [sq, value] : Values(row.values))
            EXPECT_EQ(eval_report.square_score[sq], value) << row.fen << " " << sq_name[sq];
    }
    for (const auto& row : kByProducts) {
        EvalFen(row.fen);
        if (row.hung_white >= 0) {
            EXPECT_EQ(Stack(2).hung_value[WHITE], row.hung_white) << row.fen;
            EXPECT_EQ(Stack(2).hung_value[BLACK], row.hung_black) << row.fen;
        }
        EXPECT_EQ(Stack(2).king_attacked[WHITE], row.king_attacked) << row.fen;
        EXPECT_EQ(Stack(2).king_attacked[BLACK], 0) << row.fen;
    }
    // Drawn material gives the side to move's draw score.
    PBlock.draw_score[0] = 13;
    PBlock.draw_score[1] = -13;
    for (const char* fen :
         {"4k3/8/8/8/8/8/8/NN2K3 w - -", "4k3/8/8/8/8/8/8/4K3 w - -", "4k3/8/8/2n5/8/8/8/2B1K3 b - -"})
        EXPECT_EQ(EvalFen(fen), fen[std::strlen(fen) - 5] == 'w' ? 13 : -13) << fen;
    EXPECT_NE(EvalFen("4k3/8/8/8/8/8/8/R3K3 w - -"), 13);
    // In check the evaluation answers at once and clears the by-products.
    SetPosition(&td->pos, "4k3/8/8/8/8/8/3q4/4K3 w - -");
    Stack(3).hung_value[1] = 99;
    Stack(3).king_attacked[0] = 1;
    EXPECT_EQ(Evaluate(td, WHITE, 3, 1), -9999);
    EXPECT_EQ(ByProducts(Stack(3)), std::tuple(-9999, 0, 0, 0, 63, 0, 0));
}

TEST_F(EvalTest, EachWeightMovesExactlyItsTerm) {
    for (const auto& row : kWeights) {
        SCOPED_TRACE(row.fen);
        int before = EvalFen(row.fen, 1);
        EvalReport was = eval_report;
        *row.weight = int16_t(*row.weight + row.add);
        int after = EvalFen(row.fen, 1);
        const auto deltas = Values(row.deltas);
        for (int sq = 0; sq < 64; sq++)
            EXPECT_EQ(eval_report.square_score[sq] - was.square_score[sq],
                      deltas.count(sq) ? deltas.at(sq) : 0)
                << sq_name[sq];
        EXPECT_EQ(after - before, *row.deltas ? after - before : row.delta);
        SetPersonalityDefaults();
    }
}

// Lines of the console's evaluation report. The pawn ending is worked by hand:
// a5 runs free, 405 + 34*7 - 22*5 + 60 (square) + 100 (pure ending) = 693,
// * 36 / 256 = 97; h7 too, 405 + 34*5 - 22*2 = 531, * 6 / 256 = 12; isolated,
// backward and weak pawns -19 each; kings their table value plus half the
// best square in reach; White's unstoppable pawn wins the race (+150).
// Nothing to capture and no quiet check, so qscore equals eval.
TEST_F(EvalTest, Report) {
    SetGame("7k/7p/8/P7/8/8/8/4K3 w - -");
    eval_report.hanging = ~0ULL;  // stale fields are cleared first
    std::string out = Printed(ShowEvalInfo);
    for (const char* line :
         {"\neval= 274, qscore= 274, draw_adj= 1.00\nfree pawns on :  a5 h7\n",
          "\nmtl=         102       102\npos=         236       -35\nppawn=        97        12\n",
          "\npawns=       -15       -19\nknights=       0         0\n",
          "\nking=          4       -28\n - + - + - + - k        -    -    -    -    -    -    -  -28\n",
          "\n P - + - + - + -       97    -    -    -    -    -    -    -\n"})
        EXPECT_NE(out.find(line), std::string::npos) << out;
    EXPECT_EQ(out.find("hung"), std::string::npos);
    std::string buf(40, 'x');
    EXPECT_EQ(FormatEvalInfo(td->pos, buf.data(), 30), 29);  // cut, never overrun
    EXPECT_TRUE(buf[29] == 0 && buf[30] == 'x');
}

// The first four fields of a FEN with ranks flipped, colours and side to move swapped.
std::string MirrorFen(const std::string& fen) {
    std::istringstream in(fen);
    std::string board, side, castle, ep, rank, out;
    in >> board >> side >> castle >> ep;
    for (std::string* s : {&board, &castle})
        for (char& c : *s) c = std::isalpha(c) ? char(c ^ 32) : c;
    for (std::istringstream ranks(board); std::getline(ranks, rank, '/');)
        out = rank + (out.empty() ? "" : "/") + out;
    if (ep != "-") ep[1] = char('9' - (ep[1] - '0'));
    return out + (side == "w" ? " b " : " w ") + castle + " " + ep;
}

// No term is asymmetric on purpose: the mirrored position evaluates the same
// for its side to move, with the by-products mirrored.
TEST_F(EvalTest, ColourSymmetryOverTheTuningPositions) {
    const auto lines = Split(ReadFile(std::string(VELL_TEST_DATA) + "/tools/tune_positions.epd"));
    for (const std::string& line : lines) {
        std::string mirror = MirrorFen(line), fen = MirrorFen(mirror);
        int v = EvalFen(fen.c_str());
        StackRec s = Stack(2);
        ASSERT_EQ(EvalFen(mirror.c_str()), v) << fen << " / " << mirror;
        for (int c = 0; c < 2; c++) {
            ASSERT_EQ(Stack(2).hung_value[c], s.hung_value[c ^ 1]) << fen;
            ASSERT_EQ(Stack(2).king_attacked[c], s.king_attacked[c ^ 1]) << fen;
            int none = c == WHITE ? 0 : 63;  // each side's "no passer"
            ASSERT_EQ(Stack(2).passer_sq[c], s.passer_sq[c ^ 1] == 63 - none ? none : s.passer_sq[c ^ 1] ^ 56)
                << fen;
        }
    }
    EXPECT_GT(lines.size(), 1900u);
}

// A cache hit gives what a fresh evaluation gives, scaled afresh (the
// fifty-move counter is not in the key); ply 1 never reads a cache.
TEST_F(EvalTest, CachesMatchFreshEvaluations) {
    for (const char* fen : {"1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - -", "7k/7p/8/P7/8/8/8/4K3 w - -",
                            "rn2k1nr/pbpp1ppp/1p6/4p3/8/5N1P/PPPPPPq1/RNBQK2R w KQkq -",
                            "4k3/8/3p4/4N3/8/8/8/4K3 w - -", "4k3/8/8/8/8/8/4P3/R3K3 w - -"}) {
        int fresh = EvalFen(fen);
        StackRec s = Stack(2);
        uint64_t hits = td->caches.eval_hits.load();
        Stack(2) = StackRec{};
        EXPECT_EQ(Evaluate(td, td->pos.side, 2, 0), fresh) << fen;
        EXPECT_EQ(td->caches.eval_hits.load(), hits + 1);
        EXPECT_EQ(ByProducts(Stack(2)), ByProducts(s));
        td->pos.fifty = 40;
        int scaled = Evaluate(td, td->pos.side, 2, 0);
        EvalFen(fen);
        td->pos.fifty = 40;
        EXPECT_EQ(Evaluate(td, td->pos.side, 1, 0), scaled) << fen;
    }
    // Same pawns, different pieces: the pawn entry is reused.
    const char* fen = "rnbqkb1r/pppp1ppp/5n2/4p3/4P3/2N5/PPPP1PPP/R1BQKBNR w KQkq -";
    int cold = EvalFen(fen);
    EvalFen("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -");
    uint64_t hits = td->caches.pawn_hits.load();
    SetPosition(&td->pos, fen);
    EXPECT_EQ(Evaluate(td, td->pos.side, 2, 0), cold);
    EXPECT_EQ(td->caches.pawn_hits.load(), hits + 1);
}
