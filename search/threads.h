// The pool of search threads: each sleeps until its command byte asks for a
// search, runs SearchIterations and goes idle again.
#pragma once

// Body of search thread *(int*)arg.
void* SearchThreadFunc(void* arg);
// Creates search threads 1..n (detached) and waits until each has published
// a fresh record in ThreadData. 0 on success, else the failing pthread error
// or ENOMEM when a thread got no record; *started (if given) is then the
// highest thread index that runs.
int StartThreadPool(int n, int* started = nullptr);
// Starts threads 1..nthreads. Short of memory (each thread has caches of its
// own), nthreads drops to the threads that got their records. Returns the
// threads that run, 0 when not even one does.
int StartSearchThreads();
// Ends any search and terminates threads 1..n; returns once all have ended.
// Their records stay until new threads of the same index replace them.
void KillThreadPool(int n);
// Number of threads 1..nthreads still busy (command byte not 0). When it reads
// 0 the threads' results are visible to the caller.
int SearchThreadsBusy();
// Sets command 1 in threads 1..nthreads (after InitSearch).
void WakeSearchThreads();
// Sleeps until threads 1..nthreads are idle, without polling; their results
// are then visible to the caller.
void WaitSearchThreads();
