// Turning PGN games whose comments carry engine scores into an annotated copy
// (mode 1, "tmp.pgn") or into labelled positions for the tuner (mode 2, "tmp.epd").
#pragma once
#include <cstdint>
#include <cstdio>

constexpr int16_t NO_SCORE = -10000;  // a move whose comment gave no score
constexpr int MAX_GAME_PLIES = 760;   // replay stays well inside the 800 history records

struct PgnMove {
    char text[8];   // the move as written in the PGN, at most 7 characters
    int16_t score;  // centipawns from White's point of view, NO_SCORE if none
};

// Scans file in mode 1 or 2; returns silently when either file cannot be opened.
void Scan_PGN_File(const char* file, int mode);
// Replays one game from the start position on the main thread's board, writing
// its annotation (mode 1) or its tuning positions (mode 2, *positions counts
// them). result: 0 White won, 1 Black won, 2 anything else.
void ProcessGame(FILE* out, const PgnMove* moves, int count, int mode, int result, int* positions);
