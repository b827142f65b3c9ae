// The shared transposition table: allocation, clearing, probe and store.
#include "search/transposition.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "board/makemove.h"
#include "search/records.h"

TTSlot* hashtable;
uint64_t entries;
TTSlot* xhtable[2];
std::atomic<uint64_t> ttcnt;

static constexpr auto R = std::memory_order_relaxed;

// The data word is the first eight bytes of TTEntry, packed so that a copy of
// both words is the entry byte for byte.
static uint64_t PackData(uint16_t move, int score, int bound, int depth, uint16_t age) {
    return uint64_t(move) | uint64_t(uint16_t(score)) << 16 | uint64_t(uint8_t(bound)) << 32 |
           uint64_t(uint8_t(depth)) << 40 | uint64_t(age) << 48;
}
static int SlotDepth(uint64_t data) { return int8_t(data >> 40); }
static int SlotAge(uint64_t data) { return uint16_t(data >> 48); }
static uint64_t LockData(uint16_t move, int score) { return (uint64_t(move) << 16) + uint64_t(score + 15000); }

static void EmptySlots() {
    const uint64_t empty = PackData(0, 0, 0, TT_EMPTY, 0);
    if (!hashtable) return;
    for (uint64_t i = 0; i < entries + 16; i++) {
        hashtable[i].data.store(empty, R);
        hashtable[i].lock.store(0, R);
    }
}

static void ResetCounts() {
    ttcnt.store(0, R);
    PBlock.hash_fill = 0;
    PBlock.tt_age.store(0, R);
}

void FreeTTable() {
    std::free(hashtable);
    hashtable = xhtable[0] = xhtable[1] = nullptr;
    entries = 0;
}

int InitTTable() {
    FreeTTable();
    int64_t mb = PBlock.hash_mb < 0 ? 0 : PBlock.hash_mb;
    uint64_t n = uint64_t(mb << 20) / sizeof(TTSlot);
    // 64-byte alignment puts most four-slot windows in one or two cache lines.
    size_t bytes = (n + 16) * sizeof(TTSlot);
    void* mem = std::aligned_alloc(64, (bytes + 63) & ~size_t(63));
    if (!mem) return -1;
    hashtable = static_cast<TTSlot*>(mem);
    for (uint64_t i = 0; i < n + 16; i++) new (&hashtable[i]) TTSlot;
    entries = n;
    xhtable[0] = hashtable;
    xhtable[1] = hashtable + (n / 2 + 4);
    EmptySlots();
    ResetCounts();
    InitKeys();
    return 0;
}

void ClearTTable() {
    EmptySlots();
    ResetCounts();
}

static TTSlot* Window(const Position* pos) {
    return xhtable[pos->side] + pos->hash % (entries / 2);
}

// The table only promises that key and data belong together; a stored move
// still has to fit the board before anyone plays it.
static int MoveFitsBoard(const Position* pos, uint16_t move) {
    int from = pos->board[MoveFrom(move)], to = pos->board[MoveTo(move)];
    if (from == 0 || PieceColor(from) != pos->side) return 0;
    return to == 0 || PieceColor(to) != pos->side;
}

void ProbeTTable(Position* pos, TTEntry* entry) {
    if (!PBlock.use_hash.load(R) || entries < 2) return;
    const uint64_t key = pos->hash;
    TTSlot* slot = Window(pos);
    for (int i = 0; i < 4; i++, slot++) {
        uint64_t word = slot->lock.load(R);
        if (uint32_t(word >> 32) != uint32_t(key >> 32)) continue;
        uint64_t data = slot->data.load(R);
        uint16_t age = PBlock.tt_age.load(R);
        if (SlotAge(data) != age) {
            uint64_t aged = (data & ~(uint64_t(0xFFFF) << 48)) | uint64_t(age) << 48;
            // A racing store wins; the age refresh is only a hint.
            slot->data.compare_exchange_strong(data, aged, R, R);
            data = aged;
        }
        std::memcpy(entry, &data, 8);
        entry->lock_lo = uint32_t(word);
        entry->lock_hi = uint32_t(word >> 32);
        break;
    }
    if (entry->depth < -49) return;
    const uint64_t check = uint64_t(entry->lock_hi) << 32 | entry->lock_lo;
    if ((key ^ LockData(entry->move, entry->score)) != check)
        entry->depth = TT_TORN;
    else if (entry->move && !MoveFitsBoard(pos, entry->move))
        entry->depth = TT_BAD_MOVE;
}

// Replacement: the slot already holding this position, else the one with the
// oldest age and then the shallowest depth (earliest on ties).
static TTSlot* Victim(TTSlot* window, uint64_t key, uint64_t* victim_data) {
    TTSlot* best = nullptr;
    int best_value = 0;
    for (int i = 0; i < 4; i++) {
        TTSlot* s = window + i;
        uint64_t data = s->data.load(R);
        if (uint32_t(s->lock.load(R) >> 32) == uint32_t(key >> 32)) {
            *victim_data = data;
            return s;
        }
        int value = SlotAge(data) * 64 + SlotDepth(data);
        if (!best || value < best_value) {
            best = s;
            best_value = value;
            *victim_data = data;
        }
    }
    return best;
}

void StoreTT(Position* pos, int ply, int depth, int alpha, int beta, int score, uint16_t move) {
    if (!PBlock.use_hash.load(R) || entries < 2) return;
    int bound = BOUND_EXACT;
    if (score <= alpha) {
        score = alpha;
        bound = BOUND_UPPER;
    } else if (score >= beta) {
        score = beta;
        bound = BOUND_LOWER;
    }
    score = ScoreToTT(score, ply);

    const uint64_t key = pos->hash;
    uint64_t old = 0;
    TTSlot* slot = Victim(Window(pos), key, &old);
    const uint16_t age = PBlock.tt_age.load(R);
    const int keep = depth + PBlock.best_depth.load(R) / 4 + 5;
    if (SlotAge(old) == age && SlotDepth(old) >= keep) return;
    if (SlotDepth(old) == TT_EMPTY) ttcnt.store(ttcnt.load(R) + 1, R);
    slot->data.store(PackData(move, score, bound, depth, age), R);
    slot->lock.store(key ^ LockData(move, score), R);
}

int HashFill() {
    if (entries == 0) return 0;
    return int(ttcnt.load(R) * 100 / entries);
}
