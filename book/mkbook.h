// Building "book.opn" from the games of "book.pgn": the console command and
// the two merge steps it is made of.
#pragma once

constexpr int BOOK_BUILD_RECS = 20000;  // build buffer, records

// Replays the first 50 plies of every game in "book.pgn", merges the counts
// into "book.opn", prunes it and leaves the main position at the start.
// Book lookups stay off for the rest of the run.
void MakeBook();
// The build and merge steps of MakeBook without the pruning: 0 when the
// buffer or "book.pgn" could not be had, or when a step failed (the build
// stops there, with a message naming the file).
int BuildBook();
// Rewrites "book.opn" (through "tmp__0.opn") keeping the positions with
// 2 * losses + draws > 7; returns 0 on any failure, book.opn then stays as
// it was and tmp.opn is never touched.
int PruneBook();
// The positions the last pruning kept.
long BookPositionsKept();
// Merges the first bkrecnum records of the build buffer into "tmp.opn"
// (through "tmp__0.opn") and prints "."; returns 1 when tmp.opn was replaced.
int WriteBook();
// Merges "tmp.opn" into "book.opn" and removes tmp.opn; returns 1 when
// book.opn was replaced. On any failure (a book.opn that exists but cannot be
// read included) book.opn and tmp.opn stay as they were.
int MergeBook();
