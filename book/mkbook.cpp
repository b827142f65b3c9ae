// The book builder: a PGN scanner that counts results per position in a
// sorted buffer, and the sorted-stream merges that spill, merge and prune.
#include "book/mkbook.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "base/messages.h"
#include "base/platform.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "book/book.h"
#include "thread/records.h"
#include "tools/pgn.h"

static const char kPgnName[] = "book.pgn";
static const char kBookName[] = "book.opn";
static const char kTmpName[] = "tmp.opn";
static const char kMergeName[] = "tmp__0.opn";

constexpr int SPILL_GAMES = 200;
constexpr int MERGE_GAMES = 5000;
constexpr int MAX_BOOK_PLIES = 50;
constexpr int CHUNK_RECS = 1024;

// Progress text without a line end, so stdout and the log get it as is.
static void Progress(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
    if (PBlock.log_on.load(std::memory_order_relaxed) && fdlog) {
        std::fputs(text, fdlog);
        std::fflush(fdlog);
    }
}

// Says which file a step could not read or write and why; returns false.
static bool StepFailed(const char* what, const char* name, int err) {
    char text[160];
    std::snprintf(text, sizeof text, "\ncan't %s %s: %s\n", what, name, std::strerror(err));
    Progress(text);
    return false;
}

// ---- sorted record streams ----

// Reads records in order from a file (null: empty) or a memory array. A
// partial record at the end of a file is treated as the end.
struct RecReader {
    FILE* f = nullptr;
    const BookRec* mem = nullptr;
    int32_t left = 0;
    uint8_t buf[CHUNK_RECS * BOOK_REC_BYTES];
    size_t len = 0, at = 0;
    BookRec cur{};
    bool has = false;
};

static void Advance(RecReader& r) {
    r.has = false;
    if (r.mem) {
        if (r.left > 0) {
            r.cur = *r.mem++;
            r.left--;
            r.has = true;
        }
        return;
    }
    if (r.len - r.at < BOOK_REC_BYTES) {
        if (!r.f) return;
        size_t keep = r.len - r.at;
        std::memmove(r.buf, r.buf + r.at, keep);
        r.len = keep + std::fread(r.buf + keep, 1, sizeof r.buf - keep, r.f);
        r.at = 0;
        if (r.len < BOOK_REC_BYTES) return;
    }
    UnpackBookRec(r.buf + r.at, &r.cur);
    r.at += BOOK_REC_BYTES;
    r.has = true;
}

// Buffered record output that remembers whether every byte reached the file.
struct RecWriter {
    FILE* f = nullptr;
    bool ok = true;
    uint8_t buf[CHUNK_RECS * BOOK_REC_BYTES];
    size_t len = 0;
};

static void StartReader(RecReader& r, FILE* f, const BookRec* mem, int32_t count) {
    r.f = f;
    r.mem = mem;
    r.left = mem ? count : 0;
    r.len = r.at = 0;
    r.has = false;
}

static void StartWriter(RecWriter& w, FILE* f) {
    w.f = f;
    w.ok = true;
    w.len = 0;
}

static void Flush(RecWriter& w) {
    if (w.len && std::fwrite(w.buf, 1, w.len, w.f) != w.len) w.ok = false;
    w.len = 0;
}

static void Put(RecWriter& w, const BookRec& rec) {
    if (w.len + BOOK_REC_BYTES > sizeof w.buf) Flush(w);
    PackBookRec(rec, w.buf + w.len);
    w.len += BOOK_REC_BYTES;
}

// Closes the file; true only when all output was written.
static bool Finish(RecWriter& w) {
    Flush(w);
    if (std::fflush(w.f) != 0 || std::ferror(w.f)) w.ok = false;
    if (std::fclose(w.f) != 0) w.ok = false;
    return w.ok;
}

static uint16_t CappedSum(uint16_t a, uint16_t b) {
    unsigned s = unsigned(a) + b;
    return uint16_t(s > BOOK_MAX_COUNT ? BOOK_MAX_COUNT : s);
}

// Two-way merge by descending key; equal keys become one record (A's, with
// the counters summed), so each input record is written exactly once.
static void MergeStreams(RecReader& a, RecReader& b, RecWriter& out) {
    Advance(a);
    Advance(b);
    while (a.has || b.has) {
        int c = !b.has ? 1 : !a.has ? -1 : BookKeyCmp(a.cur.key16, a.cur.key32, b.cur.key16, b.cur.key32);
        if (c > 0) {
            Put(out, a.cur);
            Advance(a);
        } else if (c < 0) {
            Put(out, b.cur);
            Advance(b);
        } else {
            BookRec sum = a.cur;
            sum.losses = CappedSum(a.cur.losses, b.cur.losses);
            sum.wins = CappedSum(a.cur.wins, b.cur.wins);
            sum.draws = CappedSum(a.cur.draws, b.cur.draws);
            Put(out, sum);
            Advance(a);
            Advance(b);
        }
    }
}

// Merges file a_name (missing = empty) with b into out (kMergeName, already
// created) and renames the result to target. Nothing but kMergeName is
// touched until the output is complete, and the rename replaces target in
// one step. A file that exists but cannot be read stops the merge: taking it
// as empty would replace its records by b's.
static bool MergeInto(FILE* out, const char* a_name, RecReader& b, const char* target) {
    FILE* af = a_name ? OpenRegularFile(a_name, "rb") : nullptr;
    if (!af && a_name && errno != ENOENT) {
        const int err = errno;
        std::fclose(out);
        unlink(kMergeName);
        return StepFailed("read", a_name, err);
    }
    static RecReader a;
    StartReader(a, af, nullptr, 0);
    static RecWriter w;
    StartWriter(w, out);
    MergeStreams(a, b, w);
    const bool read_a = !(a.f && std::ferror(a.f)), read_b = !(b.f && std::ferror(b.f));
    const int read_err = errno;
    if (a.f) std::fclose(a.f);
    if (!read_a || !read_b) {
        std::fclose(out);
        unlink(kMergeName);
        return StepFailed("read", read_a ? "the records to merge" : a_name, read_err);
    }
    if (!Finish(w)) {
        const int err = errno;
        unlink(kMergeName);
        return StepFailed("write", kMergeName, err);
    }
    if (std::rename(kMergeName, target) != 0) {
        const int err = errno;
        unlink(kMergeName);
        return StepFailed("replace", target, err);
    }
    return true;
}

int WriteBook() {
    FILE* out = OpenRegularFile(kMergeName, "wb");
    if (!out) return StepFailed("create", kMergeName, errno);
    static RecReader b;
    StartReader(b, nullptr, bkbuffr, bkrecnum);
    if (!MergeInto(out, kTmpName, b, kTmpName)) return 0;
    Progress(".");
    return 1;
}

// Set while a build has not merged into book.opn yet: the book it writes holds
// its own games only, and an older book.opn is replaced, not added to.
static bool fresh_book;

int MergeBook() {
    static RecReader b;
    StartReader(b, OpenRegularFile(kTmpName, "rb"), nullptr, 0);
    if (!b.f) return errno == ENOENT ? 0 : StepFailed("read", kTmpName, errno);  // nothing to merge
    FILE* out = OpenRegularFile(kMergeName, "wb");
    if (!out) {
        const int err = errno;
        std::fclose(b.f);
        return StepFailed("create", kMergeName, err);
    }
    Progress("\nmerging...");
    bool ok = MergeInto(out, fresh_book ? nullptr : kBookName, b, kBookName);
    std::fclose(b.f);
    if (ok) {
        unlink(kTmpName);
        fresh_book = false;
    }
    Progress("\n");
    return ok;
}

// Fewer positions than this make a book that leaves the opening at once.
constexpr long TINY_BOOK = 100;

// Keeps the positions with 2 * losses + draws > 7: enough games in which the
// move leading there did not lose for its side to trust it. The new file is
// written beside the book, never over tmp.opn, which may hold games a failed
// merge kept.
static long kept_positions;  // by the last pruning

long BookPositionsKept() { return kept_positions; }

int PruneBook() {
    long* kept = &kept_positions;
    *kept = 0;
    FILE* in = OpenRegularFile(kBookName, "rb");
    if (!in) return StepFailed("read", kBookName, errno);
    FILE* out = OpenRegularFile(kMergeName, "wb");
    if (!out) {
        const int err = errno;
        std::fclose(in);
        return StepFailed("create", kMergeName, err);
    }
    Progress("pruning...");
    static RecReader r;
    StartReader(r, in, nullptr, 0);
    static RecWriter w;
    StartWriter(w, out);
    for (Advance(r); r.has; Advance(r))
        if (2 * r.cur.losses + r.cur.draws > 7) {
            Put(w, r.cur);
            ++*kept;
        }
    bool ok = !std::ferror(in) || StepFailed("read", kBookName, errno);
    std::fclose(in);
    if (!Finish(w) && ok) ok = StepFailed("write", kMergeName, errno);
    if (ok && std::rename(kMergeName, kBookName) != 0) ok = StepFailed("replace", kBookName, errno);
    if (!ok) unlink(kMergeName);
    Progress("\n");
    return ok;
}

// ---- the games ----

// Adds the game's result, seen from the side that just moved, to the record
// of the position now on the board.
static void RecordPosition(int us, int winner) {
    uint16_t k16 = BookKey16(hash1, us);
    uint32_t k32 = hash2;
    int lo = 0, hi = bkrecnum - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = BookKeyCmp(bkbuffr[mid].key16, bkbuffr[mid].key32, k16, k32);
        if (c == 0) {
            BookRec& rec = bkbuffr[mid];
            uint16_t& n = winner == 2 ? rec.draws : winner == us ? rec.losses : rec.wins;
            if (n < BOOK_MAX_COUNT) n++;
            return;
        }
        if (c > 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    if (bkrecnum >= BOOK_BUILD_RECS) {  // cannot happen with 50 plies a game; stay bounded anyway
        WriteBook();
        bkrecnum = 0;
        lo = 0;
    }
    std::memmove(&bkbuffr[lo + 1], &bkbuffr[lo], size_t(bkrecnum - lo) * sizeof(BookRec));
    BookRec rec{k16, k32, 0, 0, 0, 0};
    (winner == 2 ? rec.draws : winner == us ? rec.losses : rec.wins) = 1;
    bkbuffr[lo] = rec;
    bkrecnum++;
}

// Records the positions after each of the game's first plies.
static void AddGame(const PgnGame& g) {
    if (g.chess960) return;  // the book's keys and moves know only standard castling
    Position* pos = &ThreadData[0]->pos;
    pos->ply = 1;
    SetPosition(pos, g.fen);
    for (int i = 0; i < g.count && i < MAX_BOOK_PLIES; i++) {
        MakeMove(pos, g.moves[i]);
        UpdatePosHash(pos);
        RecordPosition(pos->side, g.result);
    }
}

// A book that is there but cannot be read is someone's records that a
// build would replace unseen: the build stops before it writes anything.
static bool OldBookReadable() {
    FILE* f = OpenRegularFile(kBookName, "rb");
    if (!f) return errno == ENOENT || StepFailed("read", kBookName, errno);
    std::fclose(f);
    return true;
}

int BuildBook() {
    if (!OldBookReadable()) return 0;
    PBlock.book_name[0] = 0;
    std::free(bkbuffr);
    ResetBookCache();
    bkrecnum = 0;
    bkbuffr = static_cast<BookRec*>(std::malloc(BOOK_BUILD_RECS * sizeof(BookRec)));
    if (!bkbuffr) return 0;
    // A build counts book.pgn alone: what an earlier build that stopped left
    // in the work files came from the same games, which are read again.
    unlink(kTmpName);
    unlink(kMergeName);
    fresh_book = true;
    static PgnReader reader;
    static PgnGame game;
    if (!OpenPgn(&reader, kPgnName)) {
        StepFailed("read", kPgnName, errno);
        ClosePgn(&reader);
        return 0;
    }
    bool ok = true;
    while (ok && ReadPgnGame(&reader, &game)) {
        if (game.cut) {
            Progress(game.problem);
            Progress("\n");
        }
        AddGame(game);
        // A step that fails stops the build: the games counted since the
        // last spill are not kept anywhere else.
        if (game.number % SPILL_GAMES == 0) {
            ok = WriteBook();
            bkrecnum = 0;
        }
        if (ok && game.number % MERGE_GAMES == 0) ok = MergeBook();
    }
    char summary[128];
    PgnSummary(reader, summary, sizeof summary);
    ClosePgn(&reader);
    ok = ok && WriteBook() && MergeBook();
    fresh_book = false;
    bkrecnum = 0;  // the buffer holds build records, not a cached block
    Progress(summary);
    Progress("\n");
    return ok;
}

void MakeBook() {
    if (!BuildBook()) {
        Progress("mkbook stopped; the failed step changed no file\n");
    } else if (!PruneBook()) {
        Progress("mkbook stopped before pruning; book.opn holds the merged records\n");
    } else {
        const long kept = BookPositionsKept();
        char text[400];
        std::snprintf(text, sizeof text, "done: book.opn keeps %ld position%s\n", kept, kept == 1 ? "" : "s");
        Progress(text);
        // A few games of one's own make no book: the rule asks for several games through a position.
        if (kept < TINY_BOOK)
            Progress(kept == 0 ? "warning: the book is empty. " : "warning: the book is tiny. ");
        if (kept < TINY_BOOK)
            Progress("A position is kept when the games through it that the side that moved there lost, "
                     "counted twice, and the draws make more than 7 (say 4 losses, or 8 draws; wins do not "
                     "count); add games to book.pgn\n");
        // Lookups read the book named at start-up (vell.opn), not the new one.
        Progress("to play from it, type: bookfile book.opn (which turns ownbook on), or rename it vell.opn\n");
    }
    SetPosition(&ThreadData[0]->pos, fen_opn);
}
