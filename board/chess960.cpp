// Castling rights by rook square, castling moves of any start position and
// the numbered start positions.
#include "board/chess960.h"

#include <cstdio>
#include <cstring>

#include "board/bitboard.h"

static std::atomic<bool> chess960_on{false};

void SetChess960(bool on) { chess960_on.store(on, std::memory_order_relaxed); }
bool Chess960() { return chess960_on.load(std::memory_order_relaxed); }

static constexpr uint8_t kHomeRook[4] = {7, 0, 63, 56};
static inline uint64_t Bit(int sq) { return uint64_t(1) << sq; }
static inline int BackRank(int side) { return side ? 56 : 0; }

void ResetCastling(Position* pos, bool chess960) {
    pos->castle = 0;
    pos->frc = chess960;
    std::memcpy(pos->crook, kHomeRook, sizeof pos->crook);
}

void AddCastlingLetter(Position* pos, char letter) {
    const bool upper = letter >= 'A' && letter <= 'Z';
    const int side = upper ? WHITE : BLACK, rank = BackRank(side);
    const char lower = upper ? char(letter - 'A' + 'a') : letter;
    const int k = pos->plist[side][KING][0], rook = PieceCode(side, ROOK);
    if (k == NO_SQ || (k & ~7) != rank) return;
    int sq = NO_SQ;
    if (lower == 'k') {
        for (int f = 7; f > (k & 7) && sq == NO_SQ; f--)
            if (pos->board[rank + f] == rook) sq = rank + f;
    } else if (lower == 'q') {
        for (int f = 0; f < (k & 7) && sq == NO_SQ; f++)
            if (pos->board[rank + f] == rook) sq = rank + f;
    } else if (lower >= 'a' && lower <= 'h' && pos->board[rank + lower - 'a'] == rook) {
        sq = rank + lower - 'a';
    }
    if (sq == NO_SQ || sq == k) return;
    const int right = 2 * side + (sq < k);
    pos->castle |= uint8_t(1 << right);
    pos->crook[right] = uint8_t(sq);
}

void FinishCastling(Position* pos) {
    if (!pos->frc) {
        std::memcpy(pos->cmask, csbits, sizeof pos->cmask);
        return;
    }
    std::memset(pos->cmask, 0, sizeof pos->cmask);
    for (int right = 0; right < 4; right++) {
        if (!(pos->castle & (1 << right))) continue;
        const int side = right >> 1, k = pos->plist[side][KING][0];
        if (k != NO_SQ) pos->cmask[k] |= uint8_t(3 << (2 * side));
        pos->cmask[pos->crook[right]] |= uint8_t(1 << right);
    }
}

bool CastlingRightFits(const Position* pos, int right) {
    const int side = right >> 1, k = pos->plist[side][KING][0], r = pos->crook[right];
    if (k == NO_SQ || (k & ~7) != BackRank(side) || (r & ~7) != BackRank(side)) return false;
    if (pos->board[r] != PieceCode(side, ROOK)) return false;
    return (right & 1) ? r < k : r > k;
}

char* WriteCastlingFiles(const Position* pos, char* o) {
    if (!pos->castle) *o++ = '-';
    for (int right = 0; right < 4; right++)
        if (pos->castle & (1 << right)) *o++ = char((right < 2 ? 'A' : 'a') + (pos->crook[right] & 7));
    return o;
}

bool StandardCastling(const Position* pos) {
    for (int right = 0; right < 4; right++)
        if ((pos->castle & (1 << right)) &&
            (pos->crook[right] != kHomeRook[right] || KingSq(*pos, right >> 1) != init_king_sq[right >> 1]))
            return false;
    return true;
}

// Squares from a to b, both included.
static inline uint64_t Span(int a, int b) { return BB_Between[a][b] | Bit(a) | Bit(b); }

// The squares that must be empty, but for king and rook themselves.
static inline bool PathsClear(const Position* pos, int k, int r, bool is_short, int side) {
    const uint64_t need =
        (Span(k, CastleKingTo(side, is_short)) | Span(r, CastleRookTo(side, is_short))) & ~(Bit(k) | Bit(r));
    return !(need & Occupied(*pos));
}

static bool KingPathSafe(const Position* pos, int side, int from, int to) {
    // The rook may have shielded the king's destination along the rank.
    const uint64_t occ = Occupied(*pos) & ~(Bit(from) | Bit(to));
    for (uint64_t b = Span(from, CastleKingTo(side, to > from)); b; b &= b - 1)
        if (SqAtakdOn(pos, LSB(b), side ^ 1, occ)) return false;
    return true;
}

// Legal castlings only, so that the legality test of every move in the
// search needs no call for them.
MoveEntry* GenerateCastlings960(const Position* pos, int side, MoveEntry* out) {
    const int k = KingSq(*pos, side);
    for (int right = 2 * side; right < 2 * side + 2; right++) {
        if (!(pos->castle & (1 << right))) continue;
        const int r = pos->crook[right];
        if (!PathsClear(pos, k, r, !(right & 1), side) || !KingPathSafe(pos, side, k, r)) continue;
        *out++ = MoveEntry{MakeMoveWord(k, r), 0, uint8_t(PieceCode(side, KING)), 0};
    }
    return out;
}

int CastlingIsPseudoLegal960(const Position* pos, int side, uint16_t move) {
    const int from = MoveFrom(move), to = MoveTo(move), right = 2 * side + (to < from);
    if (!pos->frc || (move & PROMO_MASK) || from != KingSq(*pos, side)) return 0;
    if (!(pos->castle & (1 << right)) || pos->crook[right] != to) return 0;
    return PathsClear(pos, from, to, to > from, side) && KingPathSafe(pos, side, from, to);
}

bool IsCastlingMove(const Position* pos, uint16_t move) {
    const int from = MoveFrom(move), to = MoveTo(move), us = pos->side;
    if (pos->board[from] != PieceCode(us, KING)) return false;
    if (pos->frc) return pos->board[to] == PieceCode(us, ROOK);
    return to == from + 2 || to == from - 2;
}

// The standard numbering: the light-squared bishop, the dark-squared one,
// the queen on the free squares, the knights by a table of pairs, and rook,
// king, rook on the three squares left.
void Chess960StartFen(int n, char* buf) {
    static constexpr int kKnights[10][2] = {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 2},
                                            {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}};
    char rank[9] = {};
    auto place_free = [&rank](int index, char piece) {
        for (int f = 0; f < 8; f++)
            if (!rank[f] && index-- == 0) rank[f] = piece;
    };
    n = ((n % 960) + 960) % 960;
    rank[2 * (n % 4) + 1] = 'B';
    n /= 4;
    rank[2 * (n % 4)] = 'B';
    n /= 4;
    place_free(n % 6, 'Q');
    n /= 6;
    // The second knight first: placing the first shifts the free squares.
    place_free(kKnights[n][1], 'N');
    place_free(kKnights[n][0], 'N');
    place_free(0, 'R');
    place_free(0, 'K');
    place_free(0, 'R');
    char black[9];
    for (int f = 0; f < 9; f++) black[f] = rank[f] ? char(rank[f] - 'A' + 'a') : 0;
    std::snprintf(buf, 100, "%s/pppppppp/8/8/8/8/PPPPPPPP/%s w KQkq - 0 1", black, rank);
}
