// The memory order of the flags and counters threads share where nothing else
// is ordered against them: most of the control block and the thread records.
#pragma once
#include <atomic>

inline constexpr auto R = std::memory_order_relaxed;
