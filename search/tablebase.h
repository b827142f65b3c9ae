// Syzygy endgame tables: opening a set of folders, the root probe that narrows
// the moves a search looks at, and the win/draw/loss probe inside the search.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "board/position.h"

enum class TbResult : uint8_t { Loss, BlessedLoss, Draw, CursedWin, Win };

struct TbSettings {
    std::atomic<int> probe_depth{1};  // remaining depth a node needs before it probes
    std::atomic<bool> rule50{true};   // a cursed win or blessed loss counts as a draw
    std::atomic<int> probe_limit{7};  // most pieces a probed position may hold
};
extern TbSettings tb_settings;

// Pieces a position may hold to be probed: the smaller of the largest table
// found and the limit; 0 with no tables, which keeps the search as it was.
extern std::atomic<int> tb_cardinality;

// False when the engine was built without the probing library.
bool TablebaseSupported();
// Opens the tables found in path (folders separated by ':'); an empty path
// (or "<empty>") closes them. Every .rtbw/.rtbz file in the folders is checked
// first; one that is cut short, zeroed at its end or not a table is left out
// and never probed. Writes the lines for the user into msg, joined by '\n':
// one for each file left out, then the verdict. False when no table is open.
// Call only while no search runs.
bool TablebaseInit(const char* path, char* msg, size_t size);
// Checks every table file of the path in use again: a line into msg for each
// damaged one and a count; true when none is damaged.
bool TablebaseCheck(char* msg, size_t size);
// Recomputes tb_cardinality after the probe limit changed.
void TablebaseLimitChanged();

// Before a search: probes the root (when it has few enough pieces and no
// castling right), keeps the moves with the best ranked result for
// TablebaseRootKeeps, and clears the hit counters. Main thread only.
void PrepareTablebaseRoot(const Position* pos);
// True for every move when the root was not probed.
bool TablebaseRootKeeps(uint16_t move);
// The score the root's tablebase result is worth (shown in place of a
// searched score that is no mate); false when the root was not probed.
bool TablebaseRootScore(int* score);

// Inside the search, at a node whose last move was a capture or pawn move:
// true and *score (from the side to move's view, ply from the root; a draw
// scores draw_score) when the tables know the position.
bool ProbeWdl(const Position* pos, int ply, int draw_score, int* score);
// Positions the tables answered during the current search, all threads.
uint64_t TablebaseHits();

struct TbMoveResult {
    uint16_t move;
    TbResult wdl;
    int dtz;
};
// The WDL and DTZ of pos and of each legal move from it, as the root probe
// gives them; false when the tables do not hold it. moves holds at least 256.
bool ProbeRootTable(Position* pos, TbResult* wdl, int* dtz, TbMoveResult* moves, int* nmoves);
const char* TbResultName(TbResult r);
