// Search set-up (best result, draw scores, target time, thread copies of the
// game position) and the time check run at every input poll.
#pragma once

// Call with start taken and PBlock's clocks and limits set, before the search
// threads get command 1. Copies next_ponder_state into ponder_state.
void InitSearch();
// Reads PBlock.elapsed (the caller refreshes it first) and sets PBlock.stop
// when the target, widened by the threads' unrest, is used up. Never stops a
// pondering search or one without a result yet. Also ends the search once a
// mate within mate_limit moves is proven.
void TimeCheck();
// Sets PBlock.stop once the threads together have searched node_limit nodes
// and a first result exists; search threads call it every 1024 nodes while a
// limit is set.
void NodeLimitCheck();
