// The "ev" report: the evaluation of the game position broken down by term
// and by piece.
#pragma once
#include <cstddef>

// Runs a depth-0 search of the main thread's position on search thread 1's
// record (which fills the report fields) and prints the breakdown.
void ShowEvalInfo();
// The report text from the fields in PBlock (root_eval, root_qscore, report)
// and the main thread's position; returns the length written (cut to size).
int FormatEvalInfo(char* buf, size_t size);
