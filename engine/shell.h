// Process-wide state of the engine shell: its name, the start position, who
// plays which side, whether a batch run is under way, and the start time of
// the search under way.
#pragma once

extern const char version[];
extern const char fen_opn[];
extern int computer;  // side the engine plays: 0 white, 1 black, 2 neither
extern int selfplay;  // 1 while the console plays both sides
// 1 while a batch run (EPD analysis, tuning, a book build) is under way; it
// polls the input, and every line but "quit" is refused meanwhile.
extern int batch_run;
extern double start;  // monotonic seconds at which the current search started
