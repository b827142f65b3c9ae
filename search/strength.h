// Limited playing strength: a level in Elo turned into a node budget per
// move, a misjudgement of the root moves and a pause before the answer.
#pragma once
#include <cstdint>

#include "base/limits.h"

// The top is the level full strength measured on the reference engine's
// scale at the calibration time control (see bench/strength_match.sh).
constexpr int ELO_MIN = 1350, ELO_MAX = 2330;

// Sets the level of the following searches; 0 plays at full strength, any
// other value is clamped to ELO_MIN..ELO_MAX.
void SetStrength(int elo);
// The level set, 0 for full strength.
int StrengthElo();
// Call as a search starts, its limits set. On, for a search that answers
// with a move: at a limited level the node limit is lowered to the level's
// budget and the root misjudgement drawn anew. Off (analysis, and once a
// search is answered): the root is judged as at full strength.
void LimitStrength(bool on);
// What the current search adds to the value of a root move: 0 at full
// strength, else a number from 0 up to the level's spread, the same for the
// move throughout one search.
int RootBias(uint16_t move);
// A root move's value with a misjudgement added; mate and tablebase scores
// (TB_WIN_SCORE and beyond) stay exact.
inline int Biased(int value, int bias) {
    return value < TB_WIN_SCORE && value > -TB_WIN_SCORE ? value + bias : value;
}
// The value of a root move as the search found it, without the bias: what a
// user is shown.
inline int ShownScore(int score, uint16_t move) { return Biased(score, -RootBias(move)); }
// Seconds after its start before a finished search may answer: a share of
// the target time, so that a weak level does not answer at once. 0 at full
// strength, for searches with no clock or move time and for those that name
// a depth or a node count.
double AnswerHold();
