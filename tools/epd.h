// Running the engine over an EPD test suite: best-move count, speed and depth
// statistics, and the prediction error that the evaluation tuner minimises.
#pragma once

#include "search/limits.h"

// Analyses every position of the file name with a search under limits (a
// depth of 1 or less without the table) and returns the average error; 1.0
// (and no output) when the file cannot be read.
double Analyze_EPD_File(const char* name, const Limits& limits);
// Whether the file opens for reading; otherwise says "can't open <name><why>".
// The callers ask first, as the analysis itself reads a missing file silently.
bool EpdFileThere(const char* name, const char* why = "");
// The error of one prediction: |target - expected result of score|, the score
// in centipawns from the side to move's point of view.
double PredictionError(double target, int score);
// Rebuilds the evaluation's tables from the parameters and empties every
// thread's evaluation and pawn caches; the threads are idle.
void RefreshEvaluation();
// A weight was set: the next RefreshChangedEvaluation rebuilds the tables and
// empties the caches, once; each search, report and bench runs it first.
void MarkEvaluationChanged();
void RefreshChangedEvaluation();
