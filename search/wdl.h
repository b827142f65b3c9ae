// The chances of a win, a draw and a loss that a score stands for, fitted to
// Vell's own games (bench/wdl_fit.py prints the constants).
#pragma once

struct Wdl {
    int win, draw, loss;  // per mille, summing to 1000
};

// For the side the score (centipawns or a mate score) is counted for.
Wdl WinDrawLoss(int score);
// The expected result in per mille: a win, and half a draw.
inline int ExpectedResult(const Wdl& w) { return w.win + w.draw / 2; }
