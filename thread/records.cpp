// The thread records of the main thread and the search threads, and their set-up.
#include "thread/records.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>

#include "base/platform.h"

ThreadRec* ThreadData[MAX_THREADS + 1];

ThreadRec* NewThreadRec(int i) {
    // The record is large (its evaluation cache alone is 8 MB). Zeroed
    // storage stands in for the cleared fields, the atomics included (all-zero
    // is their zero value). On huge pages where the system gives them, and
    // written through at once, so that the search neither misses in address
    // translation nor meets a page's first touch.
    const size_t bytes = (sizeof(ThreadRec) + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    void* mem = std::aligned_alloc(HUGE_PAGE, bytes);
    if (!mem) return nullptr;
    madvise(mem, bytes, MADV_HUGEPAGE);
    std::memset(mem, 0, bytes);
    ThreadRec* td = static_cast<ThreadRec*>(mem);
    td->index = uint8_t(i);
    td->caches.fills_report = i == 1;
    td->pos.thread = uint8_t(i);
    td->pos.hist = td->hist;
    td->pos.ss = td->stack;
    td->stack[0].list = td->stack[1].list = td->moves;
    td->noise_seed = 123u * uint32_t(i);
    return td;
}

// Game histories longer than this are cut to their last HIST_KEEP records in
// the search threads, so that the search always has room for its plies.
// Repetitions are only looked for within the fifty-move window (fifty < 256).
namespace {
constexpr int HIST_COMPACT = HIST_SIZE - MAX_PLY - 2;
constexpr int HIST_KEEP = 300;
}  // namespace

void CopyGame(ThreadRec* td, const Position* game) {
    td->pos = *game;
    td->pos.thread = td->index;
    td->pos.hist = td->hist;
    td->pos.ss = td->stack;
    int first = 0, n = game->nhist;
    if (n > HIST_COMPACT) {
        first = n - HIST_KEEP;
        n = HIST_KEEP;
        td->pos.nhist = uint16_t(n);
    }
    std::memcpy(td->hist, game->hist + first, sizeof(HistRec) * (n + 1));
    td->hist[n + 1].move = 0;
}

ThreadRec* LookingCopy(const Position* game) {
    ThreadRec* td = ThreadData[1];
    CopyGame(td, game);
    td->pos.ply = 1;
    return td;
}
