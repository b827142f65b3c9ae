// The chances of a win, a draw and a loss that a score stands for, fitted to
// Vell's own games (bench/wdl_fit.py prints the constants).
#pragma once

struct Position;

struct Wdl {
    int win, draw, loss;  // per mille, summing to 1000
};

// Both sides' pieces counted 1 a pawn, 3 a knight or bishop, 5 a rook and 9 a
// queen: 78 in the initial position. With few pieces left a small edge is
// mostly a draw and a large one a surer win.
int MaterialLeft(const Position& pos);
// For the side the score (centipawns or a mate score) is counted for, in a
// position with the given material left.
Wdl WinDrawLoss(int score, int material);
// The expected result in per mille: a win, and half a draw.
inline int ExpectedResult(const Wdl& w) { return w.win + w.draw / 2; }
