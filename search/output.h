// Search information lines, the statistics sums and the end-of-search lines.
#pragma once
#include <atomic>
#include <cstdint>

// Sums the counters of thread records 0..nthreads into sstats.
void Collect();
// One information line. flag: 0 intermediate, 1 end of an iteration or MultiPV
// line, 2 final. Callers hold lock (the main thread after the search needs
// not). The pv runs from index 1 to the first 0.
void DisplaySearchInfo(int thread, int flag, int depth, int score, const uint16_t* pv);
void DisplaySearchInfo(int thread, int flag, int depth, int score, const std::atomic<uint16_t>* pv);
// The final line after the search, when there is a result to show and output
// is allowed (call Collect first; no lock needed once the threads are idle).
void ShowFinalSearchInfo();
// Console end of search: sets hash_fill and shows the move/time/score line
// and the hash statistics line.
void ShowSearchSummary();
