// The KPK bitbase against an independent forward search, and the scale factor rules.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "eval/endgame.h"
#include "eval/evaluate.h"
#include "tests/eval/eval_setup.h"

namespace {

int Dist(int a, int b) {
    int df = std::abs((a & 7) - (b & 7)), dr = std::abs((a >> 3) - (b >> 3));
    return df > dr ? df : dr;
}

// A memoised depth-limited search of king and pawn against king on the real
// board (White owns the pawn and plays up). "Win" means what the bitbase
// means by it: the pawn promotes and the lone king cannot take the new queen
// at once, or the lone king runs out of moves that avoid that.
class KpkSearch {
  public:
    KpkSearch() : win_at_(kStates, kNever), no_win_to_(kStates, -1) {}

    // Wins within `depth` plies from (pawn p, white king K, black king k, stm 0 = White).
    bool Wins(int p, int K, int k, int stm, int depth) {
        const int id = ((stm * 64 + p) * 64 + K) * 64 + k;
        if (win_at_[id] <= depth) return true;
        if (no_win_to_[id] >= depth) return false;
        bool win = depth > 0 && (stm == 0 ? WhiteWins(p, K, k, depth) : BlackLoses(p, K, k, depth));
        if (win)
            win_at_[id] = int8_t(depth);
        else
            no_win_to_[id] = int8_t(depth);
        return win;
    }

  private:
    static constexpr int kStates = 2 * 64 * 64 * 64;
    static constexpr int8_t kNever = 127;
    std::vector<int8_t> win_at_, no_win_to_;

    static bool PawnHits(int p, int sq) {
        int f = p & 7;
        return (f > 0 && sq == p + 7) || (f < 7 && sq == p + 9);
    }

    bool WhiteWins(int p, int K, int k, int depth) {
        const int to = p + 8;
        if (to != K && to != k) {
            if (to >= 56) {
                if (Dist(k, to) > 1 || Dist(K, to) <= 1) return true;
            } else {
                if (Wins(to, K, k, 1, depth - 1)) return true;
                const int two = p + 16;
                if (p < 16 && two != K && two != k && Wins(two, K, k, 1, depth - 1)) return true;
            }
        }
        for (int df = -1; df <= 1; df++)
            for (int dr = -1; dr <= 1; dr++) {
                int f = (K & 7) + df, r = (K >> 3) + dr;
                if ((!df && !dr) || f < 0 || f > 7 || r < 0 || r > 7) continue;
                int to_k = r * 8 + f;
                if (to_k == p || Dist(to_k, k) <= 1) continue;
                if (Wins(p, to_k, k, 1, depth - 1)) return true;
            }
        return false;
    }

    bool BlackLoses(int p, int K, int k, int depth) {
        int moves = 0;
        for (int df = -1; df <= 1; df++)
            for (int dr = -1; dr <= 1; dr++) {
                int f = (k & 7) + df, r = (k >> 3) + dr;
                if ((!df && !dr) || f < 0 || f > 7 || r < 0 || r > 7) continue;
                int to = r * 8 + f;
                if (Dist(to, K) <= 1) continue;
                if (to == p) return false;  // takes the unprotected pawn
                if (PawnHits(p, to)) continue;
                moves++;
                if (!Wins(p, K, to, 0, depth - 1)) return false;
            }
        return moves > 0;  // stalemate (or mate) is no win here
    }
};

std::string KpkFen(int pawn, int wk, int bk, int stm, bool black_owns) {
    char board[64];
    std::memset(board, 0, sizeof board);
    if (!black_owns) {
        board[pawn] = 'P', board[wk] = 'K', board[bk] = 'k';
    } else {  // ranks flipped, colours swapped
        board[pawn ^ 56] = 'p', board[wk ^ 56] = 'k', board[bk ^ 56] = 'K';
        stm ^= 1;
    }
    std::string fen;
    for (int r = 7; r >= 0; r--) {
        int empty = 0;
        for (int f = 0; f < 8; f++) {
            char c = board[r * 8 + f];
            if (!c) {
                empty++;
                continue;
            }
            if (empty) fen += char('0' + empty), empty = 0;
            fen += c;
        }
        if (empty) fen += char('0' + empty);
        if (r) fen += '/';
    }
    return fen + (stm == WHITE ? " w - -" : " b - -");
}

struct Endgame : ::testing::Test {
    ThreadRec* td = nullptr;
    void SetUp() override { td = EvalTestSetup(); }
};

TEST_F(Endgame, BitbaseHoldsOnlyWinsAndDraws) {
    int wins = 0;
    for (int stm = 0; stm < 2; stm++)
        for (int rank = 1; rank <= 6; rank++)
            for (int f = 0; f < 4; f++)
                for (int i = 0; i < 4096; i++) {
                    uint8_t v = kpk_db[stm * 0x20000 + (f + 4 * rank) * 0x1000 + i];
                    ASSERT_TRUE(v == 1 || v == 2);
                    wins += v == 2;
                }
    EXPECT_GT(wins, 40000);
    EXPECT_LT(wins, 120000);
}

TEST_F(Endgame, BitbaseAgreesWithASearchOnSampledPositions) {
    KpkSearch search;
    uint32_t rng = 12345;
    auto next = [&rng](int n) {
        rng = rng * 1103515245u + 12345u;
        return int((rng >> 16) % uint32_t(n));
    };
    int tested = 0, won = 0;
    while (tested < 400) {
        int p = 8 + next(48), K = next(64), k = next(64), stm = next(2);
        if (p == K || p == k || K == k || Dist(K, k) <= 1) continue;
        if (stm == 0 && (((p & 7) > 0 && k == p + 7) || ((p & 7) < 7 && k == p + 9))) continue;
        bool win = search.Wins(p, K, k, stm, 60);
        int expect = win ? (stm == 0 ? 800 : -800) : 0;
        for (bool black_owns : {false, true}) {
            std::string fen = KpkFen(p, K, k, stm, black_owns);
            Position* pos = EvalPosition(fen.c_str());
            EXPECT_EQ(EvalKPK(pos, pos->side), expect) << fen;
        }
        tested++;
        won += win;
    }
    EXPECT_GT(won, 50);  // the sample holds both outcomes
    EXPECT_LT(won, 350);
}

TEST_F(Endgame, KnownKpkPositions) {
    Position* pos = EvalPosition("4k3/8/4K3/4P3/8/8/8/8 w - -");
    EXPECT_EQ(EvalKPK(pos, WHITE), 800);
    pos = EvalPosition("4k3/8/8/4P3/8/8/8/4K3 w - -");  // the king is too far: draw
    EXPECT_EQ(EvalKPK(pos, WHITE), 0);
    pos = EvalPosition("k7/8/K7/P7/8/8/8/8 w - -");  // rook's pawn, defender in the corner
    EXPECT_EQ(EvalKPK(pos, WHITE), 0);
    pos = EvalPosition("8/8/8/8/8/1k6/p7/1K6 w - -");  // Black's pawn, White to move
    EXPECT_EQ(EvalKPK(pos, WHITE), 0);
    pos = EvalPosition("8/8/8/8/8/2k5/1p6/3K4 w - -");
    EXPECT_EQ(EvalKPK(pos, WHITE), -800);
}

// Scale factors: the stack entry supplies passer_sq.
struct Scale : Endgame {
    StackRec ss{};
    double Factor(const char* fen, int score, int white_passer = 0, int black_passer = 63) {
        Position* pos = EvalPosition(fen);
        ss.passer_sq[WHITE] = uint8_t(white_passer);
        ss.passer_sq[BLACK] = uint8_t(black_passer);
        return ScaleFactor(pos, &ss, score, pos->side);
    }
};

TEST_F(Scale, SmallScoresAndRichSidesAreNotScaled) {
    const char* kbk = "4k3/8/8/8/8/8/8/2B1K3 w - -";
    EXPECT_EQ(Factor(kbk, 14), 1.0);
    EXPECT_EQ(Factor(kbk, -14), 1.0);
    EXPECT_DOUBLE_EQ(Factor(kbk, 15), 0.05);  // a lone minor cannot win
    EXPECT_DOUBLE_EQ(Factor(kbk, -15), 0.05);  // Black "ahead" with nothing at all
    EXPECT_EQ(Factor("4k3/8/8/8/8/8/8/RQ2K3 w - -", 500), 1.0);  // 15 units
}

TEST_F(Scale, FiftyMoveCounterComesFirst) {
    Position* pos = EvalPosition("4k3/8/8/8/8/8/4P3/R3K3 w - -");
    EXPECT_EQ(ScaleFactor(pos, &ss, 600, WHITE), 1.0);
    pos->fifty = 40;
    EXPECT_DOUBLE_EQ(ScaleFactor(pos, &ss, 600, WHITE), 0.9);
    pos->fifty = 30;
    EXPECT_EQ(ScaleFactor(pos, &ss, 600, WHITE), 1.0);
}

TEST_F(Scale, MaterialRules) {
    // Two knights against pawns: 0.05, returned at once (6 units up).
    EXPECT_DOUBLE_EQ(Factor("4k3/4p3/8/8/8/8/8/1NN1K3 w - -", 400), 0.05);
    // Two knights against a knight: 0.05, then no pawns and 6 units: 0.1.
    EXPECT_DOUBLE_EQ(Factor("4k3/4n3/8/8/8/8/8/1NN1K3 w - -", 400), 0.05 * 0.1);
    // A lone rook against pawns only: 0.9.
    EXPECT_DOUBLE_EQ(Factor("4k3/4p3/8/8/8/8/8/R3K3 w - -", 300), 0.9);
    // Two bishops against a knight: 0.9.
    EXPECT_DOUBLE_EQ(Factor("4k3/4n3/8/8/8/8/8/2B1KB2 w - -", 200), 0.9);
    // No pawns: rook against bishop by the defender's king on an edge or not.
    EXPECT_DOUBLE_EQ(Factor("4k3/4b3/8/8/8/8/8/R3K3 w - -", 200), 0.2);
    EXPECT_DOUBLE_EQ(Factor("8/4b3/8/3k4/8/8/8/R3K3 w - -", 200), 0.15);
    // Bishop and knight against a knight: 0.1.
    EXPECT_DOUBLE_EQ(Factor("4k3/4n3/8/8/8/8/8/1NB1K3 w - -", 200), 0.1);
}

TEST_F(Scale, PawnAgainstPawn) {
    // Black's pawn left out, White wins the KPK: no scaling.
    EXPECT_EQ(Factor("4k3/p7/4K3/4P3/8/8/8/8 w - -", 100), 1.0);
    // The KPK is drawn: 0.1.
    EXPECT_DOUBLE_EQ(Factor("4k3/p7/8/4P3/8/8/8/1K6 w - -", 100), 0.1);
}

TEST_F(Scale, WrongRookPawnCorner) {
    // Dark bishop, a-pawn, light promotion square a8 held by the king: 0.06.
    EXPECT_DOUBLE_EQ(Factor("1k6/8/8/P7/8/8/8/2B1K3 w - -", 300), 0.06);
    // Light bishop: the right colour, no scaling.
    EXPECT_EQ(Factor("1k6/8/8/P7/8/8/8/3BK3 w - -", 300), 1.0);
    // Black's h-pawns: h1 is light, so a light bishop wins and a dark one does not.
    EXPECT_EQ(Factor("4k3/8/8/7p/8/7p/8/3b2K1 b - -", 300), 1.0);
    EXPECT_DOUBLE_EQ(Factor("4k3/8/8/7p/8/7p/8/2b3K1 b - -", 300), 0.06);
    // Without bishop, the king in front of the pawns: 0.06.
    EXPECT_DOUBLE_EQ(Factor("4k3/8/8/7p/8/7p/8/6K1 b - -", 300), 0.06);
}

TEST_F(Scale, OppositeBishops) {
    // Dark c1 against light d7, two pawns up: 0.5.
    EXPECT_DOUBLE_EQ(Factor("4k3/3b4/8/8/2P5/1P6/8/2B1K3 w - -", 250), 0.5);
    // Same colours: nothing.
    EXPECT_EQ(Factor("4k3/4b3/8/8/2P5/1P6/8/2B1K3 w - -", 250), 1.0);
    // Three pawns up: nothing.
    EXPECT_EQ(Factor("4k3/3b4/8/8/2P5/1P6/P7/2B1K3 w - -", 250), 1.0);
}

TEST_F(Scale, LonePawnAgainstEqualMaterial) {
    // Rook and pawn against rook: 0.85; the black king on e8 stands in the
    // path (0.8); distances to e6 are 5 and 2 (kd[3] = 0.5).
    const char* fen = "r3k3/8/8/8/4P3/8/8/4K2R w - -";
    EXPECT_DOUBLE_EQ(Factor(fen, 100, 28), 0.85 * 0.8 * 0.5);
    // No free passer beyond the third rank: another 0.65.
    EXPECT_DOUBLE_EQ(Factor(fen, 100, 0), 0.85 * 0.8 * 0.5 * 0.65);
    // A knight that covers the path: 0.65 and 0.5 for each covered square.
    // Knight f6 covers e8 (where the king stands too) and nothing else in front.
    EXPECT_DOUBLE_EQ(Factor("4k3/8/5n2/8/4P3/8/8/2B1K3 w - -", 100, 28), 0.65 * 0.5 * 0.8 * 0.5);
}

}  // namespace
