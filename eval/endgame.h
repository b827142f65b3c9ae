// Endgame knowledge beside the evaluation: the king-and-pawn-against-king
// bitbase and the factor that shrinks scores the stronger side cannot win.
#pragma once
#include <cstdint>

#include "board/position.h"

struct StackRec;

constexpr int KPK_SIZE = 0x40000;
// One byte per position: 2 the pawn side wins, 1 otherwise (after InitKPK).
// Index: stm * 0x20000 + (pawn file + 4 * pawn rank) * 0x1000 + K * 64 + k, with
// the pawn side playing up the board as White on files a-d, stm 0 when the
// pawn side is to move, K its king and k the lone king.
extern uint8_t kpk_db[KPK_SIZE];

// Builds kpk_db by retrograde passes; needs the bitboard tables.
void InitKPK();
// Position with one pawn and the two kings: +800/-800 (side to move's view)
// when the pawn side wins, else 0.
int EvalKPK(const Position* pos, int side);
// Factor in (0, 1] for the unscaled score (side to move's view); ss is the
// stack entry of the evaluation, whose passer_sq it reads.
double ScaleFactor(const Position* pos, const StackRec* ss, int score, int side);
// The score times ScaleFactor, rounded half away from zero. Most scores
// leave at the first tests, inline, without a call or double arithmetic.
int ScaledScoreByFactor(const Position* pos, const StackRec* ss, int score, int side);
inline int ScaledScore(const Position* pos, const StackRec* ss, int score, int side) {
    // ScaleFactor's first test, repeated.
    const int strong = score >= 0 ? side : side ^ 1;
    if (pos->npmat[strong] > 13 || (score >= -14 && score <= 14)) return score;
    // Three pawns or more and a piece other than a lone bishop: no rule applies
    // before the fifty-move count starts to weigh.
    const uint32_t sig = pos->msig[strong];
    if ((sig & 15) >= 3 && (sig & ~0x10FU) && pos->fifty < 31) return score;
    return ScaledScoreByFactor(pos, ss, score, side);
}
