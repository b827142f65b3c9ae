// Polyglot books: keys from the standard random table, the binary search over
// the sorted 16-byte big-endian entries, and the entries' moves.
#include "book/polyglot.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <sys/types.h>

#include "base/messages.h"
#include "base/platform.h"
#include "board/notation.h"
#include "search/output.h"
#include "thread/records.h"

namespace {

constexpr int ENTRY_BYTES = 16;
constexpr int CASTLE_KEYS = 768, EP_KEYS = 772, TURN_KEY = 780;
constexpr int MAX_ENTRIES = 256;  // of one position; more cannot be legal moves

struct Entry {
    uint64_t key;
    uint16_t move, weight;
};

uint64_t Get(const uint8_t* p, int n) {
    uint64_t v = 0;
    for (int i = 0; i < n; i++) v = (v << 8) | p[i];
    return v;
}

bool ReadEntry(FILE* f, int64_t i, Entry* e) {
    uint8_t b[ENTRY_BYTES];
    if (fseeko(f, off_t(i) * ENTRY_BYTES, SEEK_SET) != 0 || std::fread(b, 1, ENTRY_BYTES, f) != ENTRY_BYTES)
        return false;
    e->key = Get(b, 8);
    e->move = uint16_t(Get(b + 8, 2));
    e->weight = uint16_t(Get(b + 10, 2));
    return true;
}

// The engine's move word for a book move: castling is written as the king
// taking its own rook (as the engine's Chess960 moves are), promotions as 1
// knight .. 4 queen.
uint16_t BookMove(const Position* pos, uint16_t m) {
    int to = m & 63, from = (m >> 6) & 63, promo = (m >> 12) & 7;
    static const uint16_t flags[5] = {0, PROMO_N, PROMO_B, PROMO_R, PROMO_Q};
    if (!pos->frc && PieceType(pos->board[from]) == KING && pos->board[to] == PieceCode(pos->side, ROOK)) {
        if (from == 4 && (to == 7 || to == 0)) to = to == 7 ? 6 : 2;
        if (from == 60 && (to == 63 || to == 56)) to = to == 63 ? 62 : 58;
    }
    return MakeMoveWord(from, to, promo <= 4 ? flags[promo] : 0);
}

}  // namespace

int IsPolyglotName(const char* name) {
    size_t n = std::strlen(name);
    return n > 4 && !strcasecmp(name + n - 4, ".bin");
}

uint64_t PolyglotKey(const Position* pos) {
    uint64_t key = 0;
    for (int sq = 0; sq < 64; sq++) {
        int code = pos->board[sq];
        if (!code) continue;
        int kind = 2 * (PieceType(code) - 1) + (PieceColor(code) == WHITE);
        key ^= PG_Random[64 * kind + sq];
    }
    for (int i = 0; i < 4; i++)
        if (pos->castle & (1 << i)) key ^= PG_Random[CASTLE_KEYS + i];
    // The en-passant file counts only when a pawn of the side to move could take.
    if (pos->ep != NO_SQ) {
        int file = pos->ep & 7, row = pos->side == WHITE ? 4 : 3;
        int pawn = PieceCode(pos->side, PAWN);
        bool beside = (file > 0 && pos->board[row * 8 + file - 1] == pawn) ||
                      (file < 7 && pos->board[row * 8 + file + 1] == pawn);
        if (beside) key ^= PG_Random[EP_KEYS + file];
    }
    if (pos->side == WHITE) key ^= PG_Random[TURN_KEY];
    return key;
}

uint16_t PolyglotCandidates(Position* pos, const char* file, int verbose) {
    FILE* f = OpenRegularFile(file, "rb");
    if (!f) return 0;
    uint64_t key = PolyglotKey(pos);
    int64_t lo = 0, hi = 0;
    if (fseeko(f, 0, SEEK_END) == 0) hi = int64_t(ftello(f)) / ENTRY_BYTES;
    Entry e;
    while (lo < hi) {  // the first entry whose key is not below key
        int64_t mid = lo + (hi - lo) / 2;
        if (!ReadEntry(f, mid, &e)) break;
        if (e.key < key)
            lo = mid + 1;
        else
            hi = mid;
    }
    // One candidate a move: entries a file repeats add their weights.
    struct Candidate {
        uint16_t move;
        uint32_t weight;
    };
    static Candidate found[MAX_ENTRIES];
    int n = 0;
    uint64_t total = 0;
    uint16_t legal[256];
    int nlegal = LegalMoveList(pos, legal);
    for (int64_t i = lo; i < lo + (int64_t(1) << 16) && ReadEntry(f, i, &e) && e.key == key; i++) {
        uint16_t m = BookMove(pos, e.move);
        bool ok = false;
        for (int j = 0; j < nlegal; j++) ok |= legal[j] == m;
        if (!ok) continue;  // another position with the same key
        int at = 0;
        while (at < n && found[at].move != m) at++;
        if (at == n) found[n++] = Candidate{m, 0};
        found[at].weight += e.weight;
        total += e.weight;
    }
    std::fclose(f);
    if (total == 0) return 0;
    if (verbose) ShowMessage("move  weight  share");
    uint64_t pick = uint64_t(std::rand()) % total;
    uint16_t chosen = 0;
    for (int i = 0; i < n; i++) {
        if (!chosen && pick < found[i].weight) chosen = found[i].move;
        if (!chosen) pick -= found[i].weight;
        if (verbose) {
            char text[16];
            ShowMessagef("%s  %5u  %5.1f%%", MoveToStr(found[i].move, UserMoveStyle(pos), text, pos),
                         unsigned(found[i].weight), 100.0 * found[i].weight / double(total));
        }
    }
    return chosen;
}
