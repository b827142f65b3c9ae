// The win/draw/loss curves: a win is likely when the score lies well above
// WDL_MIDPOINT, a loss when it lies well below minus it, a draw between.
#include "search/wdl.h"

#include <cmath>

#include "base/limits.h"

namespace {

// From bench/wdl_fit.py on 600 self-play games at 4000 nodes a move.
constexpr double WDL_MIDPOINT = 88;   // centipawns where a win is as likely as not
constexpr double WDL_SPREAD = 107;    // centipawns that widen the odds e-fold

double Logistic(double x) { return 1 / (1 + std::exp(-x)); }

}  // namespace

Wdl WinDrawLoss(int score) {
    if (score > MATE_SCORE) return {1000, 0, 0};
    if (score < -MATE_SCORE) return {0, 0, 1000};
    const double s = score;
    int win = int(std::lround(1000 * Logistic((s - WDL_MIDPOINT) / WDL_SPREAD)));
    int loss = int(std::lround(1000 * Logistic((-s - WDL_MIDPOINT) / WDL_SPREAD)));
    // The two roundings up may pass 1000 together by one.
    if (win + loss > 1000) (win > loss ? win : loss)--;
    return {win, 1000 - win - loss, loss};
}
