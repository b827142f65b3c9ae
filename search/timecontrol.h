// Search set-up (best result, draw scores, target time, thread copies of the
// game position) and the time check run at every input poll.
#pragma once

#include "search/limits.h"

// Call with start taken, before the search threads get command 1: limits
// become the pool's copy (search_limits) and their kind the ponder state.
void InitSearch(const Limits& limits);
// Reads PBlock.elapsed (the caller refreshes it first) and sets PBlock.stop
// when the target, widened by the threads' unrest, is used up. Never stops a
// pondering search or one without a result yet. Also ends the search once a
// mate within the mate limit's moves is proven.
void TimeCheck();
// Sets PBlock.stop once the threads together have searched the node limit
// and a first result exists; search threads call it every 1024 nodes while a
// limit is set.
void NodeLimitCheck();
