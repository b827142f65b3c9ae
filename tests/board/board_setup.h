// Shared set-up for the board tests: tables, the first key tables, a main
// thread record, and small helpers to build positions.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "board/position.h"
#include "search/records.h"

// Tables and keys as at engine start, the control block's defaults and the
// main thread's record; safe to call from every test.
ThreadRec* BoardTestSetup();
// The main thread's record with its position set from fen.
Position* MainPosition(const char* fen);
// Perft count of the main thread's position.
uint64_t PerftNodes(int depth);
// The move with this coordinate text (e2e4, e7e8q) among the side to move's
// pseudo-legal moves, 0 if none.
uint16_t FindMove(Position* pos, const char* coord);
// All pseudo-legal moves of the side to move, in generation order.
std::vector<MoveEntry> AllMoves(Position* pos);

struct PerftCase {
    std::string fen;
    std::vector<uint64_t> counts;  // counts[d - 1] is the count of depth d
};
// Reads lines "FEN ;D1 n ;D2 n ..." (LF or CRLF).
std::vector<PerftCase> ReadPerftFile(const std::string& path);
