// The KPK bitbase against a solver of its own, and the scale factor rules.
#include <vector>

#include "eval/endgame.h"
#include "tests/support/fixture.h"

namespace {

int Dist(int a, int b) { return std::max(std::abs((a & 7) - (b & 7)), std::abs((a >> 3) - (b >> 3))); }
bool PawnHits(int p, int sq) { return ((p & 7) > 0 && sq == p + 7) || ((p & 7) < 7 && sq == p + 9); }

// King and pawn against king on the real board, White's pawn playing up,
// solved forwards to a fixed point. "Win" means what the bitbase means: the
// pawn promotes and the lone king cannot take the new queen at once, or the
// lone king runs out of moves that avoid that (stalemate is no win).
struct KpkSolver {
    std::vector<uint8_t> win = std::vector<uint8_t>(2 * 64 * 64 * 64);
    static int Id(int stm, int p, int K, int k) { return ((stm * 64 + p) * 64 + K) * 64 + k; }
    // State id: stm, pawn, White's king, Black's king, six bits each.
    static bool Legal(int id, int& stm, int& p, int& K, int& k) {
        stm = id >> 18, p = id >> 12 & 63, K = id >> 6 & 63, k = id & 63;
        return p >= 8 && p < 56 && p != K && p != k && Dist(K, k) > 1 && !(stm == WHITE && PawnHits(p, k));
    }
    template <class F>
    static bool AnyKingStep(int from, F f) {
        for (int d = 0; d < 9; d++) {
            int file = (from & 7) + d % 3 - 1, rank = (from >> 3) + d / 3 - 1;
            if (d != 4 && file >= 0 && file < 8 && rank >= 0 && rank < 8 && f(rank * 8 + file)) return true;
        }
        return false;
    }
    bool WhiteWins(int p, int K, int k) const {
        int to = p + 8;
        if (to != K && to != k) {
            if (to >= 56 && (Dist(k, to) > 1 || Dist(K, to) <= 1)) return true;
            if (to < 56 && win[Id(BLACK, to, K, k)]) return true;
            if (p < 16 && to + 8 != K && to + 8 != k && win[Id(BLACK, to + 8, K, k)]) return true;
        }
        return AnyKingStep(K, [&](int sq) { return sq != p && Dist(sq, k) > 1 && win[Id(BLACK, p, sq, k)]; });
    }
    bool BlackLoses(int p, int K, int k) const {
        int moves = 0;
        bool escapes = AnyKingStep(k, [&](int sq) {
            if (Dist(sq, K) <= 1 || (sq != p && PawnHits(p, sq))) return false;
            moves++;
            return sq == p || !win[Id(WHITE, p, K, sq)];
        });
        return !escapes && moves > 0;
    }
    KpkSolver() {
        for (bool changed = true; changed;) {
            changed = false;
            for (int id = 0, stm, p, K, k; id < int(win.size()); id++)
                if (!win[id] && Legal(id, stm, p, K, k))
                    changed |= win[id] = stm == WHITE ? WhiteWins(p, K, k) : BlackLoses(p, K, k);
        }
    }
};

// The position with the pawn side as White, or mirrored with it as Black.
std::string KpkFen(int p, int K, int k, int stm, bool black) {
    std::string board(64, '1');
    int flip = black ? 56 : 0;
    board[p ^ flip] = black ? 'p' : 'P', board[K ^ flip] = black ? 'k' : 'K',
              board[k ^ flip] = black ? 'K' : 'k';
    std::string fen;
    for (int r = 7; r >= 0; r--) fen += board.substr(r * 8, 8) + (r ? "/" : "");
    return fen + ((stm == WHITE) != black ? " w - -" : " b - -");
}

}  // namespace

using Endgame = EngineTest;

TEST_F(Endgame, KpkBitbaseMatchesASolver) {
    KpkSolver solver;
    int wrong = 0, wins = 0;
    for (int id = 0, stm, p, K, k; id < int(solver.win.size()); id++) {
        if (!KpkSolver::Legal(id, stm, p, K, k)) continue;
        bool win = solver.win[id];
        wins += win;
        if ((p & 7) < 4) {
            uint8_t v = kpk_db[stm * 0x20000 + ((p & 7) + 4 * (p >> 3)) * 0x1000 + K * 64 + k];
            if (v != (win ? 2 : 1) && ++wrong < 10) ADD_FAILURE() << KpkFen(p, K, k, stm, false);
        }
        // Through the evaluation, on every file and for either colour, in a sample.
        if (id % 61 == 0)
            for (bool black : {false, true}) {
                std::string fen = KpkFen(p, K, k, stm, black);
                Position* pos = SetGame(fen.c_str());
                ASSERT_EQ(EvalKPK(pos, pos->side), win ? (stm == WHITE ? 800 : -800) : 0) << fen;
            }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(wins, 100000);
}

// Scale factors for an unscaled score (side to move's view), with White's
// and Black's free passer squares as the search's stack entry holds them.
TEST_F(Endgame, ScaleFactors) {
    const struct {
        const char* fen;
        int score, fifty, white_passer;
        double factor;
    } rows[] = {
        {"4k3/8/8/8/8/8/8/2B1K3 w - -", 14, 0, 0, 1.0},  // small scores stay
        {"4k3/8/8/8/8/8/8/2B1K3 w - -", 15, 0, 0, 0.05},   // a lone minor cannot win
        {"4k3/8/8/8/8/8/8/2B1K3 w - -", -15, 0, 0, 0.05},  // nor can nothing at all
        {"4k3/8/8/8/8/8/4P3/R3K3 w - -", 600, 40, 0, 0.9},  // the fifty-move counter comes first
        {"4k3/4p3/8/8/8/8/8/1NN1K3 w - -", 400, 0, 0, 0.05},        // two knights
        {"4k3/4n3/8/8/8/8/8/1NN1K3 w - -", 400, 0, 0, 0.05 * 0.1},  // and no pawns, 6 units
        {"4k3/4p3/8/8/8/8/8/R3K3 w - -", 300, 0, 0, 0.9},           // a lone rook against pawns
        {"4k3/4n3/8/8/8/8/8/2B1KB2 w - -", 200, 0, 0, 0.9},
        {"4k3/4b3/8/8/8/8/8/R3K3 w - -", 200, 0, 0, 0.2},  // the defender's king on an edge
        {"4k3/p7/4K3/4P3/8/8/8/8 w - -", 100, 0, 0, 1.0},   // pawn against pawn: the KPK wins
        {"4k3/p7/8/4P3/8/8/8/1K6 w - -", 100, 0, 0, 0.1},   // or is drawn
        {"1k6/8/8/P7/8/8/8/2B1K3 w - -", 300, 0, 0, 0.06},  // the wrong rook's pawn corner
        {"1k6/8/8/P7/8/8/8/3BK3 w - -", 300, 0, 0, 1.0},
        {"4k3/8/8/7p/8/7p/8/2b3K1 b - -", 300, 0, 0, 0.06},
        {"4k3/8/8/7p/8/7p/8/6K1 b - -", 300, 0, 0, 0.06},
        {"4k3/3b4/8/8/2P5/1P6/8/2B1K3 w - -", 250, 0, 0, 0.5},  // opposite bishops
        {"4k3/4b3/8/8/2P5/1P6/8/2B1K3 w - -", 250, 0, 0, 1.0},
        {"4k3/3b4/8/8/2P5/1P6/P7/2B1K3 w - -", 250, 0, 0, 1.0},
        // A lone pawn against equal material: 0.85 for rook and pawn against
        // rook, 0.8 for the king in the path, 0.5 for distances 5 and 2 to
        // e6, 0.65 without a free passer; a knight covering e8 0.65 * 0.5.
        {"r3k3/8/8/8/4P3/8/8/4K2R w - -", 100, 0, 28, 0.85 * 0.8 * 0.5},
        {"r3k3/8/8/8/4P3/8/8/4K2R w - -", 100, 0, 0, 0.85 * 0.8 * 0.5 * 0.65},
        {"4k3/8/5n2/8/4P3/8/8/2B1K3 w - -", 100, 0, 28, 0.65 * 0.5 * 0.8 * 0.5},
    };
    for (const auto& row : rows) {
        Position* pos = SetGame(row.fen);
        pos->fifty = uint8_t(row.fifty);
        StackRec ss{};
        ss.passer_sq[WHITE] = uint8_t(row.white_passer);
        ss.passer_sq[BLACK] = 63;
        EXPECT_DOUBLE_EQ(ScaleFactor(pos, &ss, row.score, pos->side), row.factor)
            << row.fen << " " << row.score;
    }
}
