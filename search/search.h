// The alpha-beta search below the root: the node entry Search, its move loop
// FW_Search and the quiescence search Q_Search, with the move tests they share
// with the root search.
#pragma once
#include <cstdint>

#include "board/legality.h"
#include "board/position.h"
#include "thread/records.h"

// Node types: 0 plain, 1 PV, 2 expected cut node, 3 expected all node.
enum : int { NODE_PLAIN = 0, NODE_PV = 1, NODE_CUT = 2, NODE_ALL = 3 };
// Type of a child searched with the full window.
inline constexpr uint8_t node_opp[4] = {NODE_PLAIN, NODE_PV, NODE_ALL, NODE_CUT};

// Fail-hard: the result lies within the window after mate-distance clamping.
// Children write their line into pv from index ply on.
int Search(Position* pos, int side, int ply, int depth, int alpha, int beta, int node_type, uint16_t* pv);
// The move loop of Search; may return a score outside the window.
int FW_Search(Position* pos, int side, int ply, int depth, int alpha, int beta, int in_check, int node_type,
              uint16_t* pv);
// Captures (and at depth 0 quiet checks) below the horizon, for a side that
// is not in check. Needs the node's static evaluation in pos->ss[ply].eval;
// fail-soft on the stand-pat cut.
int Q_Search(Position* pos, int side, int ply, int depth, int alpha, int beta, int node_type, uint16_t* pv);

// Check or a push to the seventh rank that survives the exchange, or a capture
// that leaves a pawn ending: worth one more ply (side not in check).
int Extension(Position* pos, int side, const MoveEntry* entry);
// A capture of the opponent's last pawn or a piece that leaves material level
// or at most three units in the opponent's favour is searched whatever the
// exchange says.
int EndgameException(const Position* pos, int side, const MoveEntry* entry);
// FindLegalInfo, not inlined: the move loops ask it once a node.
LegalInfo NodeLegalInfo(const Position* pos, int side, int in_check);
// 1 when the move is a pawn move onto the en-passant square.
inline int IsEnPassant(const Position* pos, const MoveEntry* e) {
    return PieceType(e->piece) == PAWN && MoveTo(e->move) == pos->ep;
}
// Relative square of sq for colour c (0..63 from c's own side).
inline int RelSq(int sq, int c) { return sq ^ flip_sq[c]; }
// Copies the line from[first..] behind a move, up to index 69 and through its
// first 0.
inline void CopyLine(uint16_t* to, const uint16_t* from, int first) {
    for (int i = first; i < MAX_PLY; i++)
        if (!(to[i] = from[i])) break;
}
// Victim/attacker ordering value by piece code (empty: 20, so en passant
// sorts as a capture of nothing).
inline constexpr uint8_t sort_value[16] = {20, 210, 220, 220, 230, 240, 250, 0,
                                           20, 210, 220, 220, 230, 240, 250, 0};
