// The win/draw/loss curves: a win is likely when the score lies well above
// the midpoint, a loss when it lies well below minus it, a draw between; both
// the midpoint and the spread move with the material left.
#include "search/wdl.h"

#include <algorithm>
#include <cmath>

#include "base/limits.h"
#include "board/bitboard.h"
#include "board/position.h"

namespace {

// From bench/wdl_fit.py on 2000 self-play games at 4000 nodes a move; m is
// the material left (MaterialLeft).
constexpr double WDL_MIDPOINT = 150;  // centipawns where a win is as likely as not, at m = 0
constexpr double WDL_MIDPOINT_PER_MATERIAL = -1.29;
constexpr double WDL_SPREAD = 59;  // centipawns that widen the odds e-fold, at m = 0
constexpr double WDL_SPREAD_PER_MATERIAL = 1.23;
// The games held no more than the initial material; promotions past it are
// read as the most the fit has seen.
constexpr int MATERIAL_FITTED = 78;

// The draw's share stays open at either end of the fitted range.
static_assert(WDL_MIDPOINT >= 0 && WDL_MIDPOINT + WDL_MIDPOINT_PER_MATERIAL * MATERIAL_FITTED >= 0);
static_assert(WDL_SPREAD > 0 && WDL_SPREAD + WDL_SPREAD_PER_MATERIAL * MATERIAL_FITTED > 0);

constexpr int piece_worth[8] = {0, 1, 3, 3, 5, 9, 0, 0};

double Logistic(double x) { return 1 / (1 + std::exp(-x)); }

}  // namespace

int MaterialLeft(const Position& pos) {
    int m = 0;
    for (int colour = WHITE; colour <= BLACK; colour++)
        for (int type = PAWN; type <= QUEEN; type++) m += piece_worth[type] * CountBits(pos.bb[colour][type]);
    return m;
}

Wdl WinDrawLoss(int score, int material) {
    if (score > MATE_SCORE) return {1000, 0, 0};
    if (score < -MATE_SCORE) return {0, 0, 1000};
    const double s = score, m = std::clamp(material, 0, MATERIAL_FITTED);
    const double midpoint = WDL_MIDPOINT + WDL_MIDPOINT_PER_MATERIAL * m;
    const double spread = WDL_SPREAD + WDL_SPREAD_PER_MATERIAL * m;
    int win = int(std::lround(1000 * Logistic((s - midpoint) / spread)));
    int loss = int(std::lround(1000 * Logistic((-s - midpoint) / spread)));
    // The two roundings up may pass 1000 together by one.
    if (win + loss > 1000) (win > loss ? win : loss)--;
    return {win, 1000 - win - loss, loss};
}
