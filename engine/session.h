// The life of one search request on the main thread: its start, its answer
// once it ends, and the stop that every command changing what a search works
// on goes through first.
#pragma once

// Starts the search that next_ponder_state asks for (book move, threads).
void StartSearch();
// True when the search under way has ended and its answer is due: every
// search thread idle, not pondering, and not an analysis waiting for "stop".
bool SearchAnswerDue();
// Sums the statistics and answers: "bestmove" under UCI (never a null move
// while one is legal, "0000" without one), the summary at the console; in
// self-play the move is played and the next search requested.
void FinishSearch();
// Keeps the answer of the search being started back until "stop" (go infinite).
void HoldAnswerUntilStop();
// Ends the search under way before a command changes the game, the position,
// the tables or a search record: stops it (its best result still counts),
// waits until every search thread is idle and answers it as FinishSearch does,
// in order before anything the command prints. Clear selfplay first to keep
// its move off the board. A batch run's search is only stopped and waited for.
// Returns at once when no search runs.
void StopSearchAndWait();
