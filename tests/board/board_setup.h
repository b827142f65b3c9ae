// Helpers of the board, evaluation and book tests: the engine's tables, the
// main thread's position, and moves found by their coordinate text.
#pragma once
#include <cstring>
#include <string>
#include <vector>

#include "board/bitboard.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "search/records.h"

inline ThreadRec* BoardTestSetup() {
    static bool done = (InitBitboards(), InitKeys(), SetPBlockDefaults(), true);
    (void)done;
    if (!ThreadData[0]) ThreadData[0] = NewThreadRec(0);
    return ThreadData[0];
}

inline Position* MainPosition(const char* fen) {
    Position* pos = &BoardTestSetup()->pos;
    SetPosition(pos, fen);
    return pos;
}

inline std::string Epd(const Position* pos) {
    char buf[100];
    MakeEPD(pos, buf);
    return buf;
}

// The side to move's pseudo-legal moves.
inline std::vector<MoveEntry> AllMoves(Position* pos) {
    MoveEntry list[256];
    MoveEntry* end = GeneratePawnCaptures(pos, pos->side, list);
    end = GeneratePieceCaptures(pos, pos->side, end);
    end = GeneratePromotions(pos, pos->side, 1, end);
    return std::vector<MoveEntry>(list, GenerateNonCaptures(pos, pos->side, end));
}

// The pseudo-legal move with this coordinate text (e2e4, e7e8q), 0 if none.
inline uint16_t FindMove(Position* pos, const char* coord) {
    int16_t protocol = PBlock.protocol.exchange(2);
    uint16_t found = 0;
    char buf[8];
    for (const MoveEntry& e : AllMoves(pos))
        if (std::strcmp(MoveToStr(e.move, buf), coord) == 0) found = e.move;
    PBlock.protocol.store(protocol);
    return found;
}
