// The opening book: its 14-byte record, the book's own position key, the
// index and block cache over the book file, and the choice of a book move.
#pragma once
#include <cstdint>
#include <cstdio>

#include "board/position.h"

// One position of a book file. On disk it is 14 little-endian bytes without
// padding: key16 u16, key32 u32, losses u16, wins u16, draws u16, reserved
// u16 (0). Always go through PackBookRec/UnpackBookRec, never fwrite a
// BookRec: the in-memory layout has padding after key16.
// key16: bit 15 set when white is to move, bits 0-14 from hash1; key32 = hash2.
// losses/wins count games lost/won by the side that made the move leading
// here; draws counts every other result. Files are sorted by descending
// (key16, key32), each pair at most once; counters stop at BOOK_MAX_COUNT.
struct BookRec {
    uint16_t key16;
    uint32_t key32;
    uint16_t losses, wins, draws, reserved;
};

constexpr int BOOK_REC_BYTES = 14;
constexpr int BOOK_CACHE_RECS = 2048;
constexpr int BOOK_INDEX_SIZE = 1024;  // by the top ten bits of key16
constexpr uint16_t BOOK_MAX_COUNT = 60000;

void PackBookRec(const BookRec& rec, uint8_t* out);
void UnpackBookRec(const uint8_t* in, BookRec* rec);
// Reads or writes one record; 1 on success, 0 at the end of the file (a
// partial trailing record counts as the end) or on a write error.
int ReadBookRec(FILE* f, BookRec* rec);
int WriteBookRec(FILE* f, const BookRec& rec);
// Book order: > 0 when (a16, a32) comes before (b16, b32) in a book file.
inline int BookKeyCmp(uint16_t a16, uint32_t a32, uint16_t b16, uint32_t b32) {
    if (a16 != b16) return a16 > b16 ? 1 : -1;
    if (a32 != b32) return a32 > b32 ? 1 : -1;
    return 0;
}
inline uint16_t BookKey16(uint16_t h1, int side) {
    return side == WHITE ? uint16_t(h1 | 0x8000) : uint16_t(h1 & 0x7FFF);
}

// The key table (772 entries), null when it could not be allocated.
extern uint16_t* hasharea;
// The key of the last position given to UpdatePosHash.
extern uint16_t hash1;
extern uint32_t hash2;
// First record number of each 10-bit key16 prefix, -1 where none.
extern int32_t* bktable;
// Records in the book file when the index was built (0: no book); the book
// builder reuses it as the count of its buffer.
extern int32_t bkrecnum;
// The block cache (BOOK_CACHE_RECS records); the book builder swaps it for
// its larger build buffer.
extern BookRec* bkbuffr;

// Start-up: builds hasharea ("Not enough memory!" and 1 when it cannot be
// had, lookups then stay off), allocates the cache and index, indexes the
// file named by PBlock.book_name and primes the cache. Returns 0 otherwise,
// book or no book.
int InitBook();
// Releases the key table, index and cache (or build buffer).
void FreeBook();
// Empties the cache so the next lookup reads the file again.
void ResetBookCache();

void UpdatePosHash(const Position* pos);
// The record of the position keyed by hash1/hash2 with side to move, or null.
// The pointer is to a copy that the next call overwrites.
const BookRec* FindPosition(int side);
// Makes name the book for lookups: the own format, a Polyglot book when it
// ends in ".bin", none when empty. 0 keeps the book as it was when the file
// cannot be opened.
int SetBookFile(const char* name);
// A book move for pos's side to move, or 0. verbose prints each candidate
// with its perturbed value and counts.
uint16_t GetCandidates(Position* pos, int verbose);
// Whether the own-format book holds the position move leads to (a Polyglot
// book or none: never).
bool IsBookMove(Position* pos, uint16_t move);
