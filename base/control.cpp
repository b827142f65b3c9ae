// The control block, its locks and the process-wide flags, with their defaults.
#include "base/control.h"

#include <cstring>

PBlockRec PBlock;
uint64_t sstats[7];
int uci_extra, show_extra;
pthread_mutex_t lock;
pthread_spinlock_t spinlock1;
bool batch_run;
double start;

void SetPBlockDefaults() {
    constexpr auto r = std::memory_order_relaxed;
    PBlock.nthreads.store(1, r);
    PBlock.quit.store(0, r);
    PBlock.best_depth.store(0, r);
    PBlock.done_depth.store(0, r);
    PBlock.root_eval = PBlock.root_qscore = 0;
    PBlock.best_score.store(0, r);
    PBlock.stop.store(StopReason::None, r);
    PBlock.target_time.store(1.0, r);
    PBlock.elapsed.store(0, r);
    PBlock.overhead.store(0.025, r);
    PBlock.ponder_state.store(PonderState::Idle, r);
    PBlock.next_ponder_state.store(PonderState::Idle, r);
    PBlock.use_hash.store(1, r);
    PBlock.ponder = 1;
    PBlock.hash_fill = 0;
    PBlock.tt_age.store(0, r);
    PBlock.info_delay.store(0, r);
    PBlock.log_on.store(1, r);
    PBlock.multipv.store(1, r);
    for (auto& m : PBlock.best_pv) m.store(0, r);
    std::strcpy(PBlock.book_name, "vell.opn");
    PBlock.expected_move = 0;
    PBlock.draw_score[0].store(0, r);
    PBlock.draw_score[1].store(0, r);
    PBlock.protocol.store(Protocol::Uci, r);
    PBlock.debug = 0;
}
