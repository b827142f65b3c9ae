// Sizes and bounds that every floor of the engine shares: the per-ply stacks,
// the number of search threads and the mate scores.
#pragma once

constexpr int MAX_PLY = 70;  // entries of the per-ply stacks
constexpr int MAX_THREADS = 64;
// A mate for the side to move at ply p scores p - MATE, one it gives MATE - p.
constexpr int MATE = 10000;
constexpr int MATE_SCORE = 9000;      // beyond +-9000 a score is a mate score
constexpr int MATE_BOUND = MATE - 1;  // a mate at the first ply: no line scores beyond it
// An internal search whose score passes this found a mate so short that the
// full search of the node can only confirm it.
constexpr int SHORT_MATE = MATE - 201;
// A tablebase win scores this minus the ply it was found at: below every mate
// score, above every evaluation.
constexpr int TB_WIN_SCORE = 8000;
// The best score of a search that has none yet: below every real score.
constexpr int NO_SCORE = -MATE;
// A root window edge beyond the evaluations and tablebase wins opens all the
// way to the mates: up to WINDOW_TOP, down to WINDOW_BOTTOM.
constexpr int WINDOW_EDGE = TB_WIN_SCORE - 1;
constexpr int WINDOW_TOP = MATE - 2, WINDOW_BOTTOM = -MATE_BOUND;
// The deepest iteration a search runs, and the longest line it shows.
constexpr int MAX_DEPTH = 66;
