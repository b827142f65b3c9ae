// The thread records of the main thread and the search threads, and their set-up.
#include "thread/records.h"

#include <cstdlib>
#include <cstring>
#include <new>

ThreadRec* ThreadData[MAX_THREADS + 1];

ThreadRec* NewThreadRec(int i) {
    // The record is large (about 1.5 MB); zeroed storage stands in for the
    // cleared fields, the atomics included (all-zero is their zero value).
    void* mem = std::calloc(1, sizeof(ThreadRec));
    if (!mem) return nullptr;
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
