// Book lookups: the record codec, the book key, the start-up index, the block
// cache, and the weighted random choice among the book's successor positions.
#include "book/book.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/messages.h"
#include "base/platform.h"
#include "board/chess960.h"
#include "board/legality.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "book/polyglot.h"
#include "search/output.h"
#include "thread/records.h"

uint16_t* hasharea;
uint16_t hash1;
uint32_t hash2;
int32_t* bktable;
int32_t bkrecnum;
BookRec* bkbuffr;

// The cached block covers key16 values last..first (first >= last); first = 0,
// last = 1 is the empty range.
static uint16_t cache_first = 0, cache_last = 1;
static int cache_count = 0;
// The block ran to the end of the file, so it holds every record of
// cache_last; otherwise more records of that key may follow it in the file.
static bool cache_to_end = false;

constexpr int HASHAREA_SIZE = 772;
constexpr int of2[8] = {0, 0, 128, 256, 384, 512, 640, 0};

static void Put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
static uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

void PackBookRec(const BookRec& rec, uint8_t* out) {
    Put16(out, rec.key16);
    Put16(out + 2, uint16_t(rec.key32));
    Put16(out + 4, uint16_t(rec.key32 >> 16));
    Put16(out + 6, rec.losses);
    Put16(out + 8, rec.wins);
    Put16(out + 10, rec.draws);
    Put16(out + 12, rec.reserved);
}

void UnpackBookRec(const uint8_t* in, BookRec* rec) {
    rec->key16 = Get16(in);
    rec->key32 = uint32_t(Get16(in + 2)) | (uint32_t(Get16(in + 4)) << 16);
    rec->losses = Get16(in + 6);
    rec->wins = Get16(in + 8);
    rec->draws = Get16(in + 10);
    rec->reserved = Get16(in + 12);
}

int ReadBookRec(FILE* f, BookRec* rec) {
    uint8_t b[BOOK_REC_BYTES];
    if (std::fread(b, 1, BOOK_REC_BYTES, f) != BOOK_REC_BYTES) return 0;
    UnpackBookRec(b, rec);
    return 1;
}

int WriteBookRec(FILE* f, const BookRec& rec) {
    uint8_t b[BOOK_REC_BYTES];
    PackBookRec(rec, b);
    return std::fwrite(b, 1, BOOK_REC_BYTES, f) == BOOK_REC_BYTES;
}

void ResetBookCache() {
    cache_first = 0;
    cache_last = 1;
    cache_count = 0;
    cache_to_end = false;
}

// x = 33x + 12345 from x = 7; entry i is the low half of the (i+1)-th value.
// A fixed table, so book files never depend on the search's random keys.
static void FillHashArea(uint16_t* area) {
    uint32_t x = 7;
    for (int i = 0; i < HASHAREA_SIZE; i++) {
        x = 33 * x + 12345;
        area[i] = uint16_t(x);
    }
}

// One pass over the file: the first record number of every key16 prefix.
static void BuildIndex(const char* name) {
    FILE* f = name[0] ? OpenRegularFile(name, "rb") : nullptr;
    if (!f) return;
    BookRec rec;
    int32_t n = 0;
    while (n < INT32_MAX && ReadBookRec(f, &rec)) {
        if (bktable[rec.key16 >> 6] == -1) bktable[rec.key16 >> 6] = n;
        n++;
    }
    std::fclose(f);
    bkrecnum = n;
}

int InitBook() {
    FreeBook();
    hasharea = static_cast<uint16_t*>(std::malloc(HASHAREA_SIZE * sizeof(uint16_t)));
    if (!hasharea) {
        ShowMessage("Not enough memory!");
        return 1;
    }
    FillHashArea(hasharea);
    bkbuffr = static_cast<BookRec*>(std::malloc(BOOK_CACHE_RECS * sizeof(BookRec)));
    bktable = static_cast<int32_t*>(std::malloc(BOOK_INDEX_SIZE * sizeof(int32_t)));
    if (!bkbuffr || !bktable) {  // no book then, and nothing to say about it
        std::free(bkbuffr);
        std::free(bktable);
        bkbuffr = nullptr;
        bktable = nullptr;
        return 0;
    }
    for (int i = 0; i < BOOK_INDEX_SIZE; i++) bktable[i] = -1;
    if (!IsPolyglotName(PBlock.book_name)) BuildIndex(PBlock.book_name);
    hash1 = 0;
    hash2 = 0;
    FindPosition(0);
    return 0;
}

void FreeBook() {
    std::free(bkbuffr);
    std::free(bktable);
    std::free(hasharea);
    bkbuffr = nullptr;
    bktable = nullptr;
    hasharea = nullptr;
    bkrecnum = 0;
    ResetBookCache();
}

void UpdatePosHash(const Position* pos) {
    uint16_t h1 = 0;
    uint32_t h2 = 0;
    if (hasharea) {
        for (int sq = 0; sq < 64; sq++) {
            int code = pos->board[sq];
            if (!code) continue;
            int i = of2[PieceType(code)] + sq + (PieceColor(code) ? 64 : 0);
            if (PieceColor(code) == pos->side) h1 ^= hasharea[i];
            h2 ^= (uint32_t(hasharea[i + 1]) << 16) | hasharea[i + 2];
        }
    }
    hash1 = h1;
    hash2 = h2 + pos->ep;
}

// Reads up to a cache's worth of records from record r on, stopping after the
// first record of a prefix below k's; returns the count, and in *to_end
// whether the file ended first.
static int ReadBlock(FILE* f, int32_t r, uint16_t k, bool* to_end) {
    static uint8_t raw[BOOK_CACHE_RECS * BOOK_REC_BYTES];
    size_t got = 0;
    if (fseeko(f, off_t(r) * BOOK_REC_BYTES, SEEK_SET) == 0) got = std::fread(raw, 1, sizeof raw, f);
    int n = 0, avail = int(got / BOOK_REC_BYTES);
    *to_end = got < sizeof raw;
    while (n < avail) {
        UnpackBookRec(raw + n * BOOK_REC_BYTES, &bkbuffr[n]);
        n++;
        if ((bkbuffr[n - 1].key16 & 0xFFC0) < (k & 0xFFC0)) {
            *to_end = false;
            break;
        }
    }
    return n;
}

// Fills the cache with a block that holds every record of key k: from the
// first record of k's prefix, or, when the prefix fills more than a block,
// from k's first record. When the file cannot be read the old block stays.
static bool RefillCache(uint16_t k) {
    const char* name = PBlock.book_name;
    if (!name[0] || !bkbuffr || !bktable) return false;
    int32_t r = bktable[k >> 6];
    if (r < 0) return false;
    FILE* f = OpenRegularFile(name, "rb");
    if (!f) return false;
    ResetBookCache();
    bool to_end = false;
    int n = 0;
    for (;;) {
        n = ReadBlock(f, r, k, &to_end);
        if (n < BOOK_CACHE_RECS) break;
        int skip = 0;
        while (skip < n && bkbuffr[skip].key16 > k) skip++;
        if (skip == 0) break;
        r += skip;
    }
    std::fclose(f);
    if (n == 0) return false;
    cache_count = n;
    cache_first = bkbuffr[0].key16;
    cache_last = bkbuffr[n - 1].key16;
    cache_to_end = to_end;
    return true;
}

const BookRec* FindPosition(int side) {
    static BookRec found;
    if (bkrecnum == 0 || !bkbuffr) return nullptr;
    uint16_t k = BookKey16(hash1, side);
    if (hash1 == 0) ResetBookCache();
    bool cached = k <= cache_first && (k > cache_last || (k == cache_last && cache_to_end));
    if (!cached && !RefillCache(k)) return nullptr;
    int lo = 0, hi = cache_count - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = BookKeyCmp(bkbuffr[mid].key16, bkbuffr[mid].key32, k, hash2);
        if (c > 0) {
            lo = mid + 1;
        } else if (c < 0) {
            hi = mid - 1;
        } else {
            found = bkbuffr[mid];
            return &found;
        }
    }
    return nullptr;
}

static int ISqrt(uint64_t n) {
    uint64_t r = uint64_t(std::sqrt(double(n)));
    while (r * r > n) r--;
    while ((r + 1) * (r + 1) <= n) r++;
    return int(r);
}

struct Candidate {
    uint16_t move;
    uint16_t wins, losses, draws;
};

// Every legal move whose resulting position is in the book, in generation
// order; returns the count and adds the candidates' games to total.
static int CollectCandidates(Position* pos, Candidate* out, uint64_t* total) {
    uint16_t list[256];
    int count = LegalMoveList(pos, list), n = 0;
    for (int i = 0; i < count; i++) {
        MakeMove(pos, list[i]);
        UpdatePosHash(pos);
        const BookRec* rec = FindPosition(pos->side);
        if (rec) {
            out[n++] = Candidate{list[i], rec->wins, rec->losses, rec->draws};
            *total += uint64_t(rec->wins) + rec->losses + rec->draws;
        }
        UnmakeMove(pos);
    }
    return n;
}

uint16_t GetCandidates(Position* pos, int verbose) {
    uint16_t chosen = 0;
    if (!StandardCastling(pos)) return 0;  // book keys know castling only from e1/e8 with corner rooks
    if (IsPolyglotName(PBlock.book_name)) {
        return PolyglotCandidates(pos, PBlock.book_name, verbose);
    }
    if (bkrecnum == 0 || !hasharea) return 0;
    if (pos->nhist >= HIST_SIZE - 1) return 0;  // no room to try a move
    // The positions the moves lead to decide, never the current one, which
    // pruning may have dropped: a position has the same candidates however it
    // was reached (moves or a FEN).
    static Candidate cand[256];
    uint64_t total = 0;
    int n = CollectCandidates(pos, cand, &total);
    if (n == 0) return 0;
    if (verbose) ShowMessage("move  value      wins - losses - draws");
    int root = ISqrt(total);
    int best = 90;
    for (int i = 0; i < n; i++) {
        const Candidate& c = cand[i];
        int games = c.wins + c.losses + c.draws + root;
        int weight = games ? (2 * c.wins + c.draws) * 1000 / games : 0;
        int value = weight + 50 - (std::rand() % 100);
        if (value > best) {
            best = value;
            chosen = c.move;
        }
        if (verbose) {
            char text[16];
            ShowMessagef("%s  %4d     %5d - %5d - %5d", MoveToStr(c.move, UserMoveStyle(pos), text, pos),
                         value, c.wins, c.losses, c.draws);
        }
    }
    return chosen;
}

bool IsBookMove(Position* pos, uint16_t move) {
    if (!StandardCastling(pos) || IsPolyglotName(PBlock.book_name)) return false;
    if (bkrecnum == 0 || !hasharea || pos->nhist >= HIST_SIZE - 1) return false;
    MakeMove(pos, move);
    UpdatePosHash(pos);
    const bool known = FindPosition(pos->side) != nullptr;
    UnmakeMove(pos);
    return known;
}

int SetBookFile(const char* name) {
    if (std::strlen(name) >= sizeof PBlock.book_name) return 0;
    if (name[0]) {
        FILE* f = OpenRegularFile(name, "rb");
        if (!f) return 0;
        std::fclose(f);
    }
    std::snprintf(PBlock.book_name, sizeof PBlock.book_name, "%s", name);
    InitBook();
    return 1;
}
