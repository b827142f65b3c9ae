// The shared transposition table: allocation, clearing, probe and store.
#include "search/transposition.h"

#include "search/limits.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/platform.h"
#include "base/relaxed.h"
#include "board/makemove.h"
#include "thread/records.h"

TTSlot* hashtable;
uint64_t entries;
TTSlot* xhtable[2];
// Stores into a fresh table bump the fill count nearly every time, so each
// thread counts on a cache line of its own: one shared count bounced between
// the threads' caches on every such store.
struct alignas(64) FillCounter {
    std::atomic<uint64_t> count;
};
static FillCounter fill_counter[MAX_THREADS + 1];
uint64_t tt_home_mask;

// The data word is the first eight bytes of TTEntry, packed so that a copy of
// both words is the entry byte for byte.
static uint64_t PackData(uint16_t move, int score, int bound, int depth, uint16_t age) {
    return uint64_t(move) | uint64_t(uint16_t(score)) << 16 | uint64_t(uint8_t(bound)) << 32 |
           uint64_t(uint8_t(depth - TT_EMPTY)) << 40 | uint64_t(age) << 48;
}
// The byte wraps like the signed depth it stands for, so a depth below
// TT_EMPTY reads back as itself.
static int SlotDepth(uint64_t data) { return int8_t(uint8_t((data >> 40) + TT_EMPTY)); }
static int SlotAge(uint64_t data) { return uint16_t(data >> 48); }
static uint64_t LockData(uint16_t move, int score) {
    return (uint64_t(move) << 16) + uint64_t(score + 15000);
}

// A zeroed block is an empty table. Blocks come straight from the system as
// untouched zero pages, so even gigabytes cost nothing until the search writes
// to them. They are aligned to 2 MB and marked for huge pages: every probe
// lands on a random page, and with small pages most of them miss the TLB.
static constexpr size_t CLEAR_IN_PLACE = size_t(256) << 20;
static void* raw_block;
static size_t raw_size;

// A fresh block's pages are mapped in when the engine is told to get ready
// (isready), so that their faults are not paid inside the first search;
// batch runs that never ask skip the work. Mapping a page in never changes
// what it holds.
static char* unmapped_start;
static size_t unmapped_bytes;

// A byte per 64-byte line of slots, set once anything in the line is written,
// so that emptying a table used only in part (the bench empties its table
// before every position) zeroes just the lines that were written. It sits in
// the same block, behind the slots.
static constexpr int SLOTS_PER_LINE = 64 / sizeof(TTSlot);
static uint8_t* written;
static uint8_t* next_written;  // the map of the block AllocateSlots returned last

static void MarkWritten(const TTSlot* slot) {
    std::atomic_ref<uint8_t>(written[(slot - hashtable) / SLOTS_PER_LINE])
        .store(1, std::memory_order_relaxed);
}

static size_t Lines(uint64_t n) { return (n + 16 + SLOTS_PER_LINE - 1) / SLOTS_PER_LINE; }
// Whole words, so that the map is read eight lines at a time.
static size_t MapBytes(uint64_t n) { return (Lines(n) + 7) & ~size_t(7); }

// Zeroes the written lines and clears the map.
static void ZeroWrittenLines() {
    char* const base = reinterpret_cast<char*>(hashtable);
    const size_t map_bytes = MapBytes(entries);
    for (size_t i = 0; i < map_bytes; i += 8) {
        uint64_t word;
        std::memcpy(&word, written + i, 8);
        if (!word) continue;
        for (size_t j = i; j < i + 8; j++)
            if (written[j]) std::memset(base + j * 64, 0, 64);
        std::memset(written + i, 0, 8);
    }
}

void WaitTTableMapped() {
    if (unmapped_start) madvise(unmapped_start, unmapped_bytes, MADV_POPULATE_WRITE);
    unmapped_start = nullptr;
    unmapped_bytes = 0;
}

static void ReleaseBlock() {
    unmapped_start = nullptr;
    if (raw_block) munmap(raw_block, raw_size);
    raw_block = nullptr;
    raw_size = 0;
}

static TTSlot* AllocateSlots(uint64_t n) {
    const size_t bytes = Lines(n) * 64 + MapBytes(n);
    const size_t size = bytes + HUGE_PAGE;
    void* mem = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mem == MAP_FAILED) return nullptr;
    const uintptr_t aligned = (reinterpret_cast<uintptr_t>(mem) + HUGE_PAGE - 1) & ~uintptr_t(HUGE_PAGE - 1);
    madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
    ReleaseBlock();
    raw_block = mem;
    raw_size = size;
    unmapped_start = reinterpret_cast<char*>(aligned);
    unmapped_bytes = bytes;
    next_written = reinterpret_cast<uint8_t*>(aligned + Lines(n) * 64);
    return reinterpret_cast<TTSlot*>(aligned);
}

static void SetTable(TTSlot* block, uint64_t n) {
    hashtable = block;
    written = next_written;
    entries = n;
    xhtable[0] = hashtable;
    xhtable[1] = hashtable + (n / 2 + 4);
    const uint64_t half = n / 2;
    tt_home_mask = half >= 1 && (half & (half - 1)) == 0 ? half - 1 : 0;
}

static void ResetCounts() {
    for (FillCounter& c : fill_counter) c.count.store(0, R);
    PBlock.hash_fill = 0;
    PBlock.tt_age.store(0, R);
}

static int table_mb;  // the size InitTTable was last given

void FreeTTable() {
    table_mb = 0;
    ReleaseBlock();
    hashtable = xhtable[0] = xhtable[1] = nullptr;
    written = nullptr;
    entries = 0;
    tt_home_mask = 0;
}

int InitTTable(int mb) {
    if (mb < 0) mb = 0;
    uint64_t n = uint64_t(int64_t(mb) << 20) / sizeof(TTSlot);
    TTSlot* block = AllocateSlots(n);
    if (!block) return -1;
    SetTable(block, n);
    ResetCounts();
    table_mb = mb;
    return 0;
}

int TTableMegabytes() { return table_mb; }

void ClearTTable() {
    if (!hashtable) return;
    // A small table is zeroed in place, keeping its pages mapped for the
    // next search; for a large one a fresh zeroed block is quicker than
    // writing the old one (and without the memory for it, it is zeroed too).
    const size_t bytes = (entries + 16) * sizeof(TTSlot);
    TTSlot* block = bytes > CLEAR_IN_PLACE ? AllocateSlots(entries) : nullptr;
    if (block)
        SetTable(block, entries);
    else
        ZeroWrittenLines();
    ResetCounts();
}

// The table only promises that key and data belong together; a stored move
// still has to fit the board before anyone plays it.
static int MoveFitsBoard(const Position* pos, uint16_t move) {
    int from = pos->board[MoveFrom(move)], to = pos->board[MoveTo(move)];
    if (from == 0 || PieceColor(from) != pos->side) return 0;
    return to == 0 || PieceColor(to) != pos->side;
}

void ProbeTTable(Position* pos, TTEntry* entry) {
    if (!search_limits.use_hash || entries < 2) return;
    const uint64_t key = pos->hash;
    TTSlot* slot = TTWindow(pos);
    for (int i = 0; i < 4; i++, slot++) {
        uint64_t word = LoadWord(slot->lock);
        if (uint32_t(word >> 32) != uint32_t(key >> 32)) continue;
        uint64_t data = LoadWord(slot->data);
        uint16_t age = PBlock.tt_age.load(R);
        if (SlotAge(data) != age) {
            uint64_t aged = (data & ~(uint64_t(0xFFFF) << 48)) | uint64_t(age) << 48;
            // A racing store wins; the age refresh is only a hint.
            MarkWritten(slot);
            std::atomic_ref<uint64_t>(slot->data).compare_exchange_strong(data, aged, R, R);
            data = aged;
        }
        std::memcpy(entry, &data, 8);
        entry->depth = int8_t(SlotDepth(data));
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
        uint64_t data = LoadWord(s->data);
        if (uint32_t(LoadWord(s->lock) >> 32) == uint32_t(key >> 32)) {
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
    if (!search_limits.use_hash || entries < 2) return;
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
    TTSlot* slot = Victim(TTWindow(pos), key, &old);
    const uint16_t age = PBlock.tt_age.load(R);
    const int keep = depth + PBlock.best_depth.load(R) / 4 + 5;
    if (SlotAge(old) == age && SlotDepth(old) >= keep) return;
    if (SlotDepth(old) == TT_EMPTY) {
        std::atomic<uint64_t>& count = fill_counter[pos->thread].count;
        count.store(count.load(R) + 1, R);
    }
    MarkWritten(slot);
    StoreWord(slot->data, PackData(move, score, bound, depth, age));
    StoreWord(slot->lock, key ^ LockData(move, score));
}

int HashFullPermille() {
    if (entries < 2) return 0;
    // The first slots of each half, where the home slots of both sides fall.
    const uint64_t each = std::min<uint64_t>(500, entries / 2);
    const uint16_t age = PBlock.tt_age.load(R);
    uint64_t used = 0;
    for (TTSlot* half : xhtable)
        for (uint64_t i = 0; i < each; i++) {
            const uint64_t data = LoadWord(half[i].data);
            used += SlotDepth(data) != TT_EMPTY && SlotAge(data) == age;
        }
    return int(used * 1000 / (2 * each));
}

int HashFill() {
    if (entries == 0) return 0;
    uint64_t filled = 0;
    for (const FillCounter& c : fill_counter) filled += c.count.load(R);
    return int(std::min<uint64_t>(filled, entries) * 100 / entries);
}
