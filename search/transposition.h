// The transposition table shared by all search threads: a lock-free block of
// 16-byte entries, each validated by a lock word that XORs key and data.
#pragma once
#include <atomic>
#include <cstdint>

#include "board/position.h"

// A caller's copy of one entry. A probe that finds nothing usable leaves depth
// below -49: TT_MISS (nothing stored), TT_TORN (the lock check failed) or
// TT_BAD_MOVE (the move does not fit the board).
struct TTEntry {
    uint16_t move;
    int16_t score;  // bounded by the window, mate scores relative to the node
    uint8_t bound;  // 1 upper (failed low), 2 lower (failed high), 3 exact
    int8_t depth;   // TT_EMPTY in a never-used slot
    uint16_t age;
    uint32_t lock_lo, lock_hi;  // key XOR ((move << 16) + score + 15000)
};
static_assert(sizeof(TTEntry) == 16);

constexpr int TT_EMPTY = -50, TT_MISS = -99, TT_TORN = -98, TT_BAD_MOVE = -97;
constexpr int BOUND_UPPER = 1, BOUND_LOWER = 2, BOUND_EXACT = 3;

// Mate scores count from the root in the search and from the node in the
// table, so that an entry serves the same position at any ply.
inline int ScoreToTT(int score, int ply) {
    return score < -MATE_SCORE ? score - (ply - 1) : score > MATE_SCORE ? score + (ply - 1) : score;
}
inline int ScoreFromTT(int score, int ply) {
    return score < -MATE_SCORE ? score + (ply - 1) : score > MATE_SCORE ? score - (ply - 1) : score;
}

// In the table an entry is two 64-bit words, written and read atomically
// without locks: data holds the first eight bytes of TTEntry (move, score,
// bound, depth, age) with the depth stored as depth - TT_EMPTY, so that an
// all-zero slot is a never-used one and a fresh table needs no writing; lock
// holds lock_hi:lock_lo. A slot written by two threads at once mixes the
// words of both and fails the lock check.
struct TTSlot {
    uint64_t data, lock;
};
inline uint64_t LoadWord(uint64_t& word) {
    return std::atomic_ref<uint64_t>(word).load(std::memory_order_relaxed);
}
inline void StoreWord(uint64_t& word, uint64_t value) {
    std::atomic_ref<uint64_t>(word).store(value, std::memory_order_relaxed);
}

extern TTSlot* hashtable;   // entries + 16 slots
extern uint64_t entries;    // slots of the table proper
extern TTSlot* xhtable[2];  // the half for white and for black to move

// Allocates mb megabytes (none below 1), empties them and frees the old
// block. 0 on success; -1 when the block cannot be allocated, and then the
// old table stays. The position keys are not touched: they are drawn once at
// start-up, so a resized table still serves the game under way.
int InitTTable(int mb);
// The size of the table in use, in megabytes.
int TTableMegabytes();
// Empties every slot and resets the fill count, hash_fill and tt_age.
void ClearTTable();
// Frees the block (shutdown); entries becomes 0.
void FreeTTable();
// Maps in the memory of a block allocated since the last call, so that the
// next search pays no page faults for it (isready calls it while idle).
void WaitTTableMapped();
// The caller sets entry->depth to TT_MISS first; depth stays below -49
// unless a valid entry for this position was found.
void ProbeTTable(Position* pos, TTEntry* entry);
// alpha and beta are the window the node was entered with.
void StoreTT(Position* pos, int ply, int depth, int alpha, int beta, int score, uint16_t move);
// Percent of slots ever written, 0 for an empty table.
int HashFill();
// Permille of a sample of slots holding an entry of the current age.
int HashFullPermille();

extern uint64_t tt_home_mask;  // entries / 2 - 1 when that is a power of two, else 0

// The four-slot window of the position: home slot key mod (entries / 2) in
// the half of the side to move. Needs entries >= 2. A mask replaces the
// division for the usual power-of-two sizes.
inline TTSlot* TTWindowOf(uint64_t key, int side) {
    const uint64_t home = tt_home_mask ? key & tt_home_mask : key % (entries / 2);
    return xhtable[side] + home;
}
inline TTSlot* TTWindow(const Position* pos) { return TTWindowOf(pos->hash, pos->side); }

// Asks for the position's window ahead of its probe: a window starts at any
// slot, so it mostly spans two cache lines.
[[gnu::always_inline]] inline void PrefetchTTKey(uint64_t key, int side) {
    if (entries < 2) return;
    const TTSlot* w = TTWindowOf(key, side);
    __builtin_prefetch(w);
    __builtin_prefetch(w + 3);
}
[[gnu::always_inline]] inline void PrefetchTT(const Position* pos) { PrefetchTTKey(pos->hash, pos->side); }
