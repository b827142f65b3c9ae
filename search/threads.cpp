// The search thread pool: thread bodies, creation, termination and the
// command-byte handshake with the main thread.
#include "search/threads.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <pthread.h>

#include "base/platform.h"
#include "base/relaxed.h"
#include "search/root.h"
#include "thread/records.h"

static constexpr int8_t CMD_IDLE = 0, CMD_SEARCH = 1, CMD_END = 'c';
static constexpr int NO_RECORD = 2;  // published by a thread that got no record

static int thread_id[MAX_THREADS + 1];
// Set with release once a thread's fresh record is in ThreadData; cleared
// before the thread is created, so a record of an earlier pool never counts.
static std::atomic<int> published[MAX_THREADS + 1];
// Threads that are running, so that only live threads are asked to end.
static std::atomic<int> alive[MAX_THREADS + 1];

void* SearchThreadFunc(void* arg) {
    const int i = *static_cast<int*>(arg);
    // The predecessor of this index has ended; its record can go.
    std::free(ThreadData[i]);
    ThreadData[i] = NewThreadRec(i);
    ThreadRec* td = ThreadData[i];
    if (!td) {
        // No memory for the record: the thread ends, and the pool stops short of it.
        alive[i].store(0, std::memory_order_relaxed);
        published[i].store(NO_RECORD, std::memory_order_release);
        return nullptr;
    }
    td->command.store(CMD_IDLE, R);
    td->hist[0].move = 0;
    published[i].store(1, std::memory_order_release);
    for (;;) {
        const int8_t cmd = td->command.load(std::memory_order_acquire);
        if (cmd == CMD_END) {
            td->command.store(CMD_IDLE, std::memory_order_release);
            td->command.notify_all();
            // The record is not touched after this: a successor may free it.
            alive[i].store(0, std::memory_order_release);
            return nullptr;
        }
        if (cmd == CMD_SEARCH) {
            SearchIterations(i);
            td->command.store(CMD_IDLE, std::memory_order_release);
            td->command.notify_all();
        } else {
            // Every writer of the command byte wakes the thread.
            td->command.wait(cmd, std::memory_order_acquire);
        }
    }
}

int StartThreadPool(int n, int* started) {
    if (n > MAX_THREADS) n = MAX_THREADS;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    int err = 0;
    if (started) *started = 0;
    for (int i = 1; i <= n && !err; i++) {
        if (alive[i].load(std::memory_order_acquire)) {
            if (started) *started = i;
            continue;
        }
        thread_id[i] = i;
        published[i].store(0, R);
        alive[i].store(1, R);
        pthread_t handle;
        err = pthread_create(&handle, &attr, SearchThreadFunc, &thread_id[i]);
        if (err) {
            alive[i].store(0, R);
            break;
        }
        int got;
        while (!(got = published[i].load(std::memory_order_acquire))) SleepMs(1);
        if (got == NO_RECORD) {
            err = ENOMEM;
            break;
        }
        if (started) *started = i;
    }
    pthread_attr_destroy(&attr);
    return err;
}

int StartSearchThreads() {
    const int n = PBlock.nthreads.load(R);
    int started = 0;
    if (StartThreadPool(n, &started) == 0) return n;
    if (started > 0) PBlock.nthreads.store(int8_t(started), R);
    return started;
}

static void WaitIdle(int n) {
    for (int i = 1; i <= n; i++)
        while (alive[i].load(R) && ThreadData[i]->command.load(std::memory_order_acquire) != CMD_IDLE)
            SleepMs(1);
}

void KillThreadPool(int n) {
    if (n > MAX_THREADS) n = MAX_THREADS;
    const int all = std::max<int>(n, PBlock.nthreads.load(R));
    SetStop(StopReason::Kill);
    WaitIdle(all);
    for (int i = 1; i <= n; i++)
        if (alive[i].load(R)) {
            ThreadData[i]->command.store(CMD_END, std::memory_order_release);
            ThreadData[i]->command.notify_all();
        }
    for (int i = 1; i <= n; i++)
        while (alive[i].load(std::memory_order_acquire)) SleepMs(1);
    WaitIdle(all);
}

int SearchThreadsBusy() {
    const int n = PBlock.nthreads.load(R);
    int busy = 0;
    for (int i = 1; i <= n && i <= MAX_THREADS; i++)
        if (ThreadData[i] && ThreadData[i]->command.load(std::memory_order_acquire) != CMD_IDLE) busy++;
    return busy;
}

void WakeSearchThreads() {
    const int n = PBlock.nthreads.load(R);
    for (int i = 1; i <= n && i <= MAX_THREADS; i++)
        if (ThreadData[i]) {
            ThreadData[i]->command.store(CMD_SEARCH, std::memory_order_release);
            ThreadData[i]->command.notify_all();
        }
}

void WaitSearchThreads() {
    const int n = PBlock.nthreads.load(R);
    for (int i = 1; i <= n && i <= MAX_THREADS; i++) {
        if (!ThreadData[i]) continue;
        std::atomic<int8_t>& cmd = ThreadData[i]->command;
        for (int8_t c; (c = cmd.load(std::memory_order_acquire)) != CMD_IDLE;)
            cmd.wait(c, std::memory_order_acquire);
    }
}
