// The "ev" report: the evaluation of the game position broken down by term
// and by piece, filled by the evaluation and turned into text.
#pragma once
#include <cstddef>
#include <cstdint>

#include "board/position.h"

// Filled by evaluations at ply 0 or 1 and read by the evaluation report.
struct EvalReport {
    int16_t square_score[64];  // contribution of the piece on each square
    int16_t type_total[2][8];  // by colour: passed pawns (0), pawns .. king (1..6)
    int16_t material[2], positional[2];
    uint64_t hanging, pinned;
    uint8_t passer_sq[2];
    double draw_factor;
};
// Written by search thread 1 while it evaluates the root of a depth-0 search;
// read once that search is over.
extern EvalReport eval_report;

// The report text from eval_report, the depth-0 scores in PBlock (root_eval,
// root_qscore) and the position they belong to; returns the length written
// (cut to size).
int FormatEvalInfo(const Position& pos, char* buf, size_t size);
