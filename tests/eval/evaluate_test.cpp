// Evaluate: the early answers, piece terms checked against hand-worked
// values, hanging and pinned pieces, colour symmetry and the caches.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "eval/evaluate.h"
#include "eval/params.h"
#include "tests/eval/eval_setup.h"

namespace {

constexpr uint64_t Bit(int sq) { return 1ULL << sq; }
enum : int { A1 = 0, B1 = 1, C1 = 2, D1 = 3, E1 = 4, F1 = 5, G1 = 6, H1 = 7, C3 = 18, D2 = 11, H3 = 23 };
constexpr int A2 = 8, D4 = 27, E4 = 28, E5 = 36, A5 = 32, H7 = 55, D7 = 51, C6 = 42, F3 = 21;

struct Eval : ::testing::Test {
    ThreadRec* td = nullptr;
    void SetUp() override {
        td = EvalTestSetup();
        PBlock.draw_score[0] = 0;
        PBlock.draw_score[1] = 0;
    }
    void TearDown() override {
        SetPersonalityDefaults();
        InitEval();
        PBlock.draw_score[0] = 0;
        PBlock.draw_score[1] = 0;
    }
    StackRec& Stack(int ply) { return td->stack[ply]; }
};

TEST_F(Eval, InCheckAnswersAtOnce) {
    EvalPosition("4k3/8/8/8/8/8/3q4/4K3 w - -");
    Stack(3).passer_sq[0] = 17;
    Stack(3).hung_value[1] = 99;
    Stack(3).king_attacked[0] = 1;
    EXPECT_EQ(Evaluate(td, WHITE, 3, 1), -9999);
    EXPECT_EQ(Stack(3).eval, -9999);
    EXPECT_EQ(Stack(3).passer_sq[0], 0);
    EXPECT_EQ(Stack(3).passer_sq[1], 63);
    EXPECT_EQ(Stack(3).hung_value[1], 0);
    EXPECT_EQ(Stack(3).king_attacked[0], 0);
}

TEST_F(Eval, StartPositionIsTheTempoBonus) {
    const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
    EXPECT_EQ(EvalFen(start), 9);
    EXPECT_EQ(Stack(2).eval, 9);
    EXPECT_EQ(Stack(2).hung_value[0], 0);
    EXPECT_EQ(Stack(2).hung_value[1], 0);
    EXPECT_EQ(Stack(2).passer_sq[0], 0);
    EXPECT_EQ(Stack(2).passer_sq[1], 63);
    EXPECT_EQ(Stack(2).king_attacked[0], 0);
    EXPECT_EQ(Stack(2).king_attacked[1], 0);
}

// Every piece of the start position, worked by hand from the tables.
TEST_F(Eval, StartPositionBreakdown) {
    EvalWithReport("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    const EvalReport& r = PBlock.report;
    for (int c = 0; c < 2; c++) {
        EXPECT_EQ(r.material[c], 8 * 82 + 2 * 345 + 2 * 345 + 35 + 2 * 470 + 1000);
        EXPECT_EQ(r.positional[c], -141);
        EXPECT_EQ(r.type_total[c][0], 0);
        EXPECT_EQ(r.type_total[c][PAWN], -12);
        EXPECT_EQ(r.type_total[c][KNIGHT], -54);  // -20 on b1, two squares: -7
        EXPECT_EQ(r.type_total[c][BISHOP], -44);  // -5 on c1, no square: -17
        EXPECT_EQ(r.type_total[c][ROOK], -30);
        EXPECT_EQ(r.type_total[c][QUEEN], -9);
        EXPECT_EQ(r.type_total[c][KING], 8);  // -12 on e1, full shelter +20
    }
    EXPECT_EQ(r.square_score[B1], -27);
    EXPECT_EQ(r.square_score[C1], -22);
    EXPECT_EQ(r.square_score[E1], 8);
    EXPECT_EQ(r.square_score[A2], -3);
    EXPECT_EQ(r.square_score[60], 8);
    EXPECT_EQ(r.hanging, 0u);
    EXPECT_EQ(r.pinned, 0u);
    EXPECT_EQ(r.draw_factor, 1.0);
}

TEST_F(Eval, KnightsWorkedByHand) {
    EvalWithReport("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -");
    // f3: 4 + four safe squares (g1 h4 e5 g5, d4 is covered by e5) = 10.
    EXPECT_EQ(PBlock.report.square_score[F3], 10);
    // c6: 4 + five safe squares = 16.
    EXPECT_EQ(PBlock.report.square_score[C6], 16);
}

TEST_F(Eval, DrawnMaterialGivesTheDrawScore) {
    PBlock.draw_score[0] = 13;
    PBlock.draw_score[1] = -13;
    EXPECT_EQ(EvalFen("4k3/8/8/8/8/8/8/NN2K3 w - -"), 13);   // two knights
    EXPECT_EQ(EvalFen("4k3/8/8/8/8/8/8/NN2K3 b - -"), -13);
    EXPECT_EQ(EvalFen("4k3/8/8/2n5/8/8/8/2B1K3 b - -"), -13);  // minor against minor
    EXPECT_EQ(Stack(2).eval, -13);
    EXPECT_EQ(EvalFen("4k3/8/8/8/8/8/8/4K3 w - -"), 13);
    EXPECT_NE(EvalFen("4k3/8/8/8/8/8/8/R3K3 w - -"), 13);  // a rook is not drawn material
}

TEST_F(Eval, BishopAndKnightDriveToTheBishopsCorner) {
    // Dark bishop on c1: the corner a1 scores 700 + 20 (king c3) + 120 - 8 * 2.
    EXPECT_EQ(EvalFen("8/8/8/8/8/2K5/8/kNB5 w - -"), 824);
    EXPECT_EQ(EvalFen("8/8/8/8/8/2K5/8/kNB5 b - -"), -824);
    // Light bishop on d1: a1 is the wrong corner (mirrored to h1: 10).
    EXPECT_EQ(EvalFen("8/8/8/8/8/2K5/8/kN1B4 w - -"), 714);
    // Light bishop: a8 is its corner.
    EXPECT_EQ(EvalFen("k7/8/2K5/8/8/8/8/1N1B4 w - -"), 700 + 20 + 120 - 16);
    // The side with the pieces may be Black; dark bishop, White king in a8.
    EXPECT_EQ(EvalFen("Kbn5/8/2k5/8/8/8/8/8 b - -"), 700 + 20 + 10 - 16);
}

TEST_F(Eval, SinglePawnUsesTheBitbase) {
    EXPECT_EQ(EvalFen("4k3/8/4K3/4P3/8/8/8/8 w - -"), 800);
    EXPECT_EQ(EvalFen("4k3/8/4K3/4P3/8/8/8/8 b - -"), -800);
    EXPECT_EQ(EvalFen("8/k7/8/P7/8/8/8/1K6 w - -"), 0);  // rook's pawn, king in front
    EXPECT_EQ(EvalFen("8/8/8/8/4p3/4k3/8/4K3 b - -"), 800);
}

// Kings two ranks apart on a file (black above) in a pawn ending cost the
// side to move 5 in its ending part.
TEST_F(Eval, PawnEndingOpposition) {
    const char* fens[2] = {"8/p6p/4k3/8/4K3/8/P6P/8 w - -", "8/p6p/4k3/8/4K3/8/P6P/8 b - -"};
    int pos[2][2];
    for (int stm = 0; stm < 2; stm++) {
        EvalWithReport(fens[stm]);
        pos[stm][0] = PBlock.report.positional[0];
        pos[stm][1] = PBlock.report.positional[1];
    }
    EXPECT_EQ(pos[WHITE][WHITE] - pos[BLACK][WHITE], -5);
    EXPECT_EQ(pos[BLACK][BLACK] - pos[WHITE][BLACK], -5);
    // White above Black: nothing.
    EvalWithReport("8/p6p/4K3/8/4k3/8/P6P/8 w - -");
    int w = PBlock.report.positional[WHITE];
    EvalWithReport("8/p6p/4K3/8/4k3/8/P6P/8 b - -");
    EXPECT_EQ(PBlock.report.positional[WHITE], w);
}

TEST_F(Eval, HangingPieces) {
    EvalFen("4k3/8/3p4/4N3/8/8/8/4K3 w - -");  // knight hit by a pawn
    EXPECT_EQ(Stack(2).hung_value[WHITE], 335);
    EXPECT_EQ(Stack(2).hung_value[BLACK], 0);
    // The queen is hit by a rook (defended or not), the rook is loose.
    EvalWithReport("4k3/8/8/8/3r4/8/3Q4/4K3 w - -");
    EXPECT_EQ(Stack(1).hung_value[WHITE], 1000);
    EXPECT_EQ(Stack(1).hung_value[BLACK], 525);
    EXPECT_EQ(PBlock.report.hanging, Bit(D2) | Bit(D4));
    // Pawns hit by enemy pawns are not hanging; a loose pawn hit by a king is.
    EvalFen("4k3/8/8/3p4/4P3/8/8/4K3 w - -");
    EXPECT_EQ(Stack(2).hung_value[WHITE], 0);
    EXPECT_EQ(Stack(2).hung_value[BLACK], 0);
}

// n hanging pieces cost hung once for one and (2n - 1) times from two on.
TEST_F(Eval, HangingCountRule) {
    const char* two = "8/pp6/8/8/3PP3/3k4/7P/4K3 w - -";  // d4 and e4 hit by the king
    const char* one = "8/pp6/8/8/3P4/3k4/7P/4K3 w - -";
    int base2 = EvalFen(two), base1 = EvalFen(one);
    Personality.hung = -22;
    EXPECT_EQ(EvalFen(two) - base2, -30);
    EXPECT_EQ(EvalFen(one) - base1, -10);
    EXPECT_EQ(Stack(2).hung_value[WHITE], 100);
}

TEST_F(Eval, PinnedToTheQueen) {
    Position* pos = EvalPosition("4k3/8/8/8/1b6/8/3N4/4Q1K1 w - -");
    EXPECT_EQ(PinnedToQueen(pos, WHITE), Bit(D2));
    EXPECT_EQ(PinnedToQueen(pos, BLACK), 0u);
    pos = EvalPosition("4k3/8/8/8/1q6/8/3N4/4Q1K1 w - -");  // an enemy queen does not pin here
    EXPECT_EQ(PinnedToQueen(pos, WHITE), 0u);
    pos = EvalPosition("4k3/8/8/8/1b6/8/3N4/4Q1KQ w - -");  // two queens: nothing
    EXPECT_EQ(PinnedToQueen(pos, WHITE), 0u);
    pos = EvalPosition("4k3/8/8/8/1b6/8/3n4/4Q1K1 w - -");  // only own pieces count
    EXPECT_EQ(PinnedToQueen(pos, WHITE), 0u);
    pos = EvalPosition("4k3/8/8/8/8/4r3/4N3/4Q1K1 w - -");  // a rook on the file
    EXPECT_EQ(PinnedToQueen(pos, WHITE), Bit(12));
}

TEST_F(Eval, PinnedSetAndCost) {
    // Nc3 is pinned by Bb4 against Ke1; with everything on the board e = 0,
    // so the knight's own value moves by the weight exactly.
    const char* fen = "rnbqk2r/pppp1ppp/4pn2/8/1bPP4/2N5/PP2PPPP/R1BQKBNR w KQkq -";
    EvalWithReport(fen);
    EXPECT_EQ(PBlock.report.pinned, Bit(C3));
    int with = PBlock.report.square_score[C3];
    Personality.pinned = 0;
    EvalWithReport(fen);
    EXPECT_EQ(PBlock.report.square_score[C3] - with, 12);
    // A piece of the slider's own side between it and the king counts too.
    EvalWithReport("4r1k1/8/8/8/4n3/8/8/4K3 w - -");
    EXPECT_EQ(PBlock.report.pinned, Bit(E4));
}

// A full-material position (e = 0) with an outpost knight, a rook on an open
// file and the seventh, and a trapped bishop: each weight moves exactly its piece.
TEST_F(Eval, PieceTermsMoveTheirPiece) {
    const char* fen = "rn1qk2r/ppbR2pp/6n1/4N3/5P2/1PN5/b1P1B1PP/2BQ1RK1 w - -";
    struct Case {
        int16_t* weight;
        int sq;
    };
    const Case cases[] = {{&Personality.knight_outpost, E5},
                          {&Personality.rook_open_file, D7},
                          {&Personality.rook_rank7, D7},
                          {&Personality.bishop_trapped, A2}};
    for (const Case& c : cases) {
        EvalWithReport(fen);
        int16_t before[64];
        std::memcpy(before, PBlock.report.square_score, sizeof before);
        *c.weight = int16_t(*c.weight + 10);
        EvalWithReport(fen);
        for (int sq = 0; sq < 64; sq++)
            EXPECT_EQ(PBlock.report.square_score[sq] - before[sq], sq == c.sq ? 10 : 0) << sq;
        SetPersonalityDefaults();
    }
}

TEST_F(Eval, RookShutInByItsKing) {
    const char* fen = "rnbqkbnr/pppppppp/8/8/8/5N2/PPPPBPPP/RNBQ1K1R w kq -";
    EvalWithReport(fen);
    int h1 = PBlock.report.square_score[H1], a1 = PBlock.report.square_score[A1];
    Personality.rook_trapped = 0;
    EvalWithReport(fen);
    EXPECT_EQ(PBlock.report.square_score[H1] - h1, 20);
    EXPECT_EQ(PBlock.report.square_score[A1] - a1, 0);  // a knight beside it is no trap
}

// A pawn ending worked by hand (e = 24, so blended values are ending values).
TEST_F(Eval, PawnEndingWorkedByHand) {
    int v = EvalWithReport("7k/7p/8/P7/8/8/8/4K3 w - -");
    const EvalReport& r = PBlock.report;
    // a5 runs free: 405 + 34*7 - 22*5 + 60 (square) + 100 (pure ending) = 693; 693 * 36 / 256.
    EXPECT_EQ(r.square_score[A5], 97);
    EXPECT_EQ(r.type_total[WHITE][0], 97);
    // h7 runs free too: 405 + 34*5 - 22*2 = 531; 531 * 6 / 256.
    EXPECT_EQ(r.square_score[H7], 12);
    EXPECT_EQ(r.type_total[BLACK][0], 12);
    // Isolated, backward and weak: -19 on each pawn's table value.
    EXPECT_EQ(r.type_total[WHITE][PAWN], 4 - 19);
    EXPECT_EQ(r.type_total[BLACK][PAWN], 0 - 19);
    // Kings: table value plus half the best square in reach.
    EXPECT_EQ(r.type_total[WHITE][KING], 0 + 4);
    EXPECT_EQ(r.type_total[BLACK][KING], -24 - 4);
    // White's unstoppable measure 5 against 0 wins the race: +150.
    EXPECT_EQ(r.positional[WHITE], -15 + 97 + 150 + 4);
    EXPECT_EQ(r.positional[BLACK], -19 + 12 - 28);
    EXPECT_EQ(r.material[WHITE], 102);
    EXPECT_EQ(v, 236 + 35 + 3);
    EXPECT_EQ(Stack(1).passer_sq[WHITE], A5);
    EXPECT_EQ(Stack(1).passer_sq[BLACK], H7);
    EXPECT_EQ(r.passer_sq[WHITE], A5);
    EXPECT_EQ(r.passer_sq[BLACK], H7);
}

TEST_F(Eval, RearPasserOfTwoOnAFile) {
    // a3 behind a5 scores PP_ADVANCE[2] / 3 = 2 in both parts and is not reported.
    EvalWithReport("7k/7p/8/P7/8/P7/8/4K3 w - -");
    EXPECT_EQ(PBlock.report.type_total[WHITE][0], PBlock.report.square_score[A5]);
}

TEST_F(Eval, KingEndingDistanceAndReach) {
    // Pawns on files a and b only: a king on h3 pays 8 * 6 - 8.
    EvalWithReport("4k3/p7/8/8/8/7K/1P6/8 w - -");
    EXPECT_EQ(PBlock.report.square_score[H3], -8 - 40 + 4);
    EvalWithReport("4k3/p7/8/8/8/2K5/1P6/8 w - -");
    EXPECT_EQ(PBlock.report.square_score[C3], 8 + 12);
}

TEST_F(Eval, KingOpeningHalvedWithoutEnemyQueen) {
    // Black has rook and knight (8 units): no shelter terms, e = 9, and
    // (KingOpening[e1] / 2 * 15 + 0 * 9) / 24 = -90 / 24.
    EvalWithReport("rn2k3/8/8/8/8/8/8/RNBQKBNR w - -");
    EXPECT_EQ(PBlock.report.square_score[E1], -3);
}

TEST_F(Eval, PawnShield) {
    // Full material (e = 0): the king term moves by (2 - a) * the weight.
    const char* sheltered = "rnbqkbnr/pppppppp/8/8/4P3/5N2/PPPPBPPP/RNBQ1RK1 w kq -";
    const char* bare = "rnbqkbnr/pppppppp/8/8/8/5N2/PPPPB3/RNBQ1RK1 w kq -";
    EvalWithReport(sheltered);
    int s0 = PBlock.report.square_score[G1];
    EvalWithReport(bare);
    int b0 = PBlock.report.square_score[G1];
    Personality.pawn_shield = 20;
    EvalWithReport(sheltered);
    EXPECT_EQ(PBlock.report.square_score[G1] - s0, 2 * 10);
    EvalWithReport(bare);
    EXPECT_EQ(PBlock.report.square_score[G1] - b0, -3 * 10);
}

TEST_F(Eval, QueenContactSetsKingAttacked) {
    // Queen h4 and knight g4 both hit f2 and h2 beside the king, which nothing defends.
    EvalFen("4k3/8/8/8/6nq/8/PPPPP1PP/R3R1K1 w - -");
    EXPECT_EQ(Stack(2).king_attacked[WHITE], 1);
    EXPECT_EQ(Stack(2).king_attacked[BLACK], 0);
    EvalFen("4k3/8/8/8/6nq/3N4/PPPPP1PP/R3R1K1 w - -");  // the knight d3 guards f2, not h2
    EXPECT_EQ(Stack(2).king_attacked[WHITE], 1);
    EvalFen("4k3/8/8/8/6nq/3N4/PPPPP1PP/R5KR w - -");  // and the rook h1 guards h2
    EXPECT_EQ(Stack(2).king_attacked[WHITE], 0);
    EvalFen("4k3/8/8/8/7q/8/PPPPP1PP/R3R1K1 w - -");  // hit only once
    EXPECT_EQ(Stack(2).king_attacked[WHITE], 0);
}

// Colour flip of a passer square, with each side's "none" value.
int FlipPasser(int sq, int colour) {
    if (sq == (colour == WHITE ? 0 : 63)) return colour == WHITE ? 63 : 0;
    return sq ^ 56;
}

// The mirrored position (ranks flipped, colours and side to move swapped)
// evaluates the same for its side to move. No term is asymmetric on purpose:
// the opposition term (black king two ranks above the white one) maps onto
// itself, and the square colours used by the bishop rules flip together with
// the corners they are compared with.
TEST_F(Eval, ColourSymmetry) {
    static const char* const fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
        "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -",
        "1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - -",
        "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - -",
        "2q1rr1k/3bbnnp/p2p1pp1/2pPp3/PpP1P1P1/1P2BNNP/2BQ1PRK/7R b - -",
        "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq -",
        "r1b2rk1/2q1b1pp/p2ppn2/1p6/3QP3/1BN1B3/PPP3PP/R4RK1 w - -",
        "1nk1r1r1/pp2n1pp/4p3/q2pPp1N/b1pP1P2/B1P2R2/2P1B1PP/R2Q2K1 w - -",
        "2kr1bnr/pbpq4/2n1pp2/3p3p/3P1P1B/2N2N1Q/PPP3PP/2KR1B1R w - -",
        "r3r1k1/ppqb1ppp/8/4p1NQ/8/2P5/PP3PPP/R3R1K1 b - -",
        "rn1qk2r/ppbR2pp/6n1/4N3/5P2/1PN5/b1P1B1PP/2BQ1RK1 w - -",
        "rn2k1nr/pbpp1ppp/1p6/4p3/8/5N1P/PPPPPPq1/RNBQK2R w KQkq -",
        "2r3k1/pppR1pp1/4p3/4P1P1/5P2/1P4K1/P1P5/8 w - -",
        "4b3/p3kp2/6p1/3pP2p/2pP1P2/4K1P1/P3N2P/8 w - -",
        "8/k1b5/P4p2/1Pp2p1p/K1P2P1P/8/3B4/8 w - -",
        "7k/7p/8/P7/8/8/8/4K3 w - -",
        "7k/7p/8/P7/8/8/8/4K3 b - -",
        "8/8/3k4/3p4/3P4/8/4K3/8 w - -",
        "4k3/1R6/8/8/8/8/4P3/4K3 b - -",
        "8/8/8/8/8/2K5/8/kNB5 w - -",
        "4k3/8/4K3/4P3/8/8/8/8 b - -",
        "4k3/8/8/8/8/8/4P3/R3K3 w - -",
        "8/2k5/8/8/8/1B6/P7/1K6 w - -",
        "8/p6p/4k3/8/4K3/8/P6P/8 w - -",
        "4k3/8/8/8/6nq/8/PPPPP1PP/R3R1K1 w - -",
        "8/8/8/8/8/3k4/4p3/4K2R w - -",
        "3k4/8/8/1B6/8/8/5b2/2K5 b - -",
    };
    for (const char* fen : fens) {
        int v = EvalFen(fen);
        StackRec s = Stack(2);
        std::string m = MirrorFen(fen);
        EXPECT_EQ(EvalFen(m.c_str()), v) << fen << " / " << m;
        EXPECT_EQ(Stack(2).hung_value[0], s.hung_value[1]) << fen;
        EXPECT_EQ(Stack(2).hung_value[1], s.hung_value[0]) << fen;
        EXPECT_EQ(Stack(2).king_attacked[0], s.king_attacked[1]) << fen;
        EXPECT_EQ(Stack(2).passer_sq[0], FlipPasser(s.passer_sq[1], BLACK)) << fen;
        EXPECT_EQ(Stack(2).passer_sq[1], FlipPasser(s.passer_sq[0], WHITE)) << fen;
    }
}

TEST_F(Eval, CacheHitsMatchFreshEvaluations) {
    static const char* const fens[] = {
        "1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - -",
        "7k/7p/8/P7/8/8/8/4K3 w - -",
        "rn2k1nr/pbpp1ppp/1p6/4p3/8/5N1P/PPPPPPq1/RNBQK2R w KQkq -",
        "4k3/8/3p4/4N3/8/8/8/4K3 w - -",
    };
    for (const char* fen : fens) {
        int fresh = EvalFen(fen);
        StackRec s = Stack(2);
        uint64_t hits = td->eval_hits.load();
        Stack(2) = StackRec{};
        EXPECT_EQ(EvalAt(2), fresh) << fen;
        EXPECT_EQ(td->eval_hits.load(), hits + 1);
        EXPECT_EQ(Stack(2).eval, fresh);
        EXPECT_EQ(std::memcmp(Stack(2).hung_value, s.hung_value, sizeof s.hung_value), 0);
        EXPECT_EQ(std::memcmp(Stack(2).passer_sq, s.passer_sq, sizeof s.passer_sq), 0);
        EXPECT_EQ(std::memcmp(Stack(2).king_attacked, s.king_attacked, sizeof s.king_attacked), 0);
        EXPECT_EQ(EvalAt(1), fresh);  // ply 1 never reads the cache
        EXPECT_EQ(td->eval_hits.load(), hits + 1);
    }
}

TEST_F(Eval, PawnCacheHitsMatchFreshStructure) {
    // Same pawns, different pieces: the second evaluation reuses the entry.
    const char* a = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -";
    const char* b = "rnbqkb1r/pppp1ppp/5n2/4p3/4P3/2N5/PPPP1PPP/R1BQKBNR w KQkq -";
    int cold = EvalFen(b);
    EvalFen(a);
    EvalPosition(b);
    uint64_t hits = td->pawn_hits.load(), probes = td->pawn_probes.load();
    EXPECT_EQ(EvalAt(2), cold);
    EXPECT_EQ(td->pawn_probes.load(), probes + 1);
    EXPECT_EQ(td->pawn_hits.load(), hits + 1);
}

// The cache keeps the unscaled score: a hit is scaled afresh (here by the
// fifty-move counter, which the key does not see).
TEST_F(Eval, CacheHitIsScaledAfresh) {
    Position* pos = EvalPosition("4k3/8/8/8/8/8/4P3/R3K3 w - -");
    ClearEvalCaches();
    int unscaled = EvalAt(2);
    pos->fifty = 40;
    int hit = EvalAt(2);
    EXPECT_EQ(hit, int(std::lround(unscaled * 0.9)));
    ClearEvalCaches();
    EXPECT_EQ(EvalAt(2), hit);
}

TEST_F(Eval, ReportDrawFactor) {
    EvalWithReport("4k3/8/8/8/8/8/4P3/R3K3 w - -");
    EXPECT_EQ(PBlock.report.draw_factor, 1.0);
    ThreadData[1]->pos.fifty = 40;
    std::memset(&PBlock.report, 0, sizeof PBlock.report);
    int scaled = EvalAt(1);
    EXPECT_NEAR(PBlock.report.draw_factor, 0.9, 0.01);
    EXPECT_GT(scaled, 0);
}

}  // namespace
