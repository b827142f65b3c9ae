// The process-wide search globals and the set-up of control block and thread records.
#include "search/records.h"

#include <cstdlib>
#include <cstring>
#include <new>

PBlockRec PBlock;
ThreadRec* ThreadData[MAX_THREADS + 1];
uint64_t sstats[7];
int uci_extra, show_extra;
pthread_mutex_t lock;
pthread_spinlock_t spinlock1;

void SetPBlockDefaults() {
    constexpr auto r = std::memory_order_relaxed;
    PBlock.nthreads.store(1, r);
    PBlock.quit.store(0, r);
    PBlock.best_depth.store(0, r);
    PBlock.done_depth.store(0, r);
    PBlock.root_eval = PBlock.root_qscore = 0;
    PBlock.best_score.store(0, r);
    PBlock.stop.store(0, r);
    PBlock.max_depth.store(66, r);
    PBlock.tc_mode.store(1, r);
    PBlock.move_time.store(5.0, r);
    PBlock.increment.store(0, r);
    PBlock.clock[0].store(5.0, r);
    PBlock.clock[1].store(5.0, r);
    PBlock.moves_to_go.store(0, r);
    PBlock.target_time.store(1.0, r);
    PBlock.elapsed.store(0, r);
    PBlock.overhead.store(0.025, r);
    PBlock.ponder_state.store(0, r);
    PBlock.next_ponder_state.store(0, r);
    PBlock.own_book = 0;
    PBlock.use_hash.store(1, r);
    PBlock.ponder = 1;
    PBlock.hash_mb = 64;
    PBlock.hash_fill = 0;
    PBlock.tt_age.store(0, r);
    PBlock.info_delay.store(0, r);
    PBlock.log_on.store(1, r);
    PBlock.multipv.store(1, r);
    PBlock.node_limit.store(0, r);
    PBlock.mate_limit.store(0, r);
    for (auto& m : PBlock.best_pv) m.store(0, r);
    PBlock.epd_name[0] = 0;
    std::strcpy(PBlock.book_name, "vell.opn");
    PBlock.expected_move = 0;
    PBlock.draw_score[0].store(0, r);
    PBlock.draw_score[1].store(0, r);
    PBlock.protocol.store(2, r);
    PBlock.debug = 0;
    std::memset(&PBlock.report, 0, sizeof PBlock.report);
}

ThreadRec* NewThreadRec(int i) {
    // The record is large (about 1.5 MB); zeroed storage stands in for the
    // cleared fields, the atomics included (all-zero is their zero value).
    void* mem = std::calloc(1, sizeof(ThreadRec));
    if (!mem) return nullptr;
    ThreadRec* td = static_cast<ThreadRec*>(mem);
    td->index = uint8_t(i);
    td->pos.thread = uint8_t(i);
    td->pos.hist = td->hist;
    td->pos.ss = td->stack;
    td->stack[0].list = td->stack[1].list = td->moves;
    td->noise_seed = 123u * uint32_t(i);
    return td;
}
