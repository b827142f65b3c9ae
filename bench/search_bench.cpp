// Search benchmark: the bench positions at a fixed depth with one thread (the
// signature node count and nodes per second), then time to the same depth
// with two threads. Usage: search_bench [depth] [threads]
#include <cstdio>
#include <cstdlib>

#include "bench/engine_setup.h"
#include "search/bench.h"

int main(int argc, char** argv) {
    const int depth = argc > 1 ? std::atoi(argv[1]) : 12;
    const int threads = argc > 2 ? std::atoi(argv[2]) : 2;
    if (!StartSearchEngine()) return 1;
    RunBench(depth);
    if (threads > 1) {
        double t1 = 0, tn = 0;
        uint64_t n1 = BenchNodes(depth, 0, 1, 0, &t1);
        uint64_t nn = BenchNodes(depth, 0, threads, 0, &tn);
        std::printf("1 thread:  %llu nodes in %.3f s, %.0f nps\n", (unsigned long long)n1, t1, n1 / t1);
        std::printf("%d threads: %llu nodes in %.3f s, %.0f nps, time-to-depth speed-up %.2f\n", threads,
                    (unsigned long long)nn, tn, nn / tn, t1 / tn);
    }
    KillThreadPool(1);
    FreeTTable();
    return 0;
}
