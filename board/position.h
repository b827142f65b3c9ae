// Squares, pieces, the 16-bit move word, the Position record and its history
// record.
#pragma once
#include <cstdint>

#include "base/limits.h"

struct StackRec;

enum : int { WHITE = 0, BLACK = 1 };
enum : int { NONE = 0, PAWN = 1, KNIGHT = 2, BISHOP = 3, ROOK = 4, QUEEN = 5, KING = 6 };
constexpr int NO_SQ = 64;  // also ends a piece list and marks "no en-passant square"

// Move word: bits 0-5 destination, 8-13 origin; promotion flags
// 0x0040 queen, 0x0080 knight, 0x4000 bishop, 0x8000 rook (at most one set).
// 0 is the null move, 0xFFFF ends a move list.
constexpr uint16_t PROMO_Q = 0x0040, PROMO_N = 0x0080, PROMO_B = 0x4000, PROMO_R = 0x8000;
constexpr uint16_t PROMO_MASK = 0xC0C0;
constexpr uint16_t END_OF_LIST = 0xFFFF;
constexpr int HIST_SIZE = 800;
// Plies a game record keeps (console, self-play, PGN); the search needs the rest of the history.
constexpr int GAME_MAX = HIST_SIZE - 100;

constexpr int MoveFrom(uint16_t m) { return (m >> 8) & 63; }
constexpr int MoveTo(uint16_t m) { return m & 63; }
constexpr uint16_t MakeMoveWord(int from, int to, uint16_t promo = 0) {
    return uint16_t((from << 8) | to | promo);
}
constexpr int PieceColor(int code) { return (code >> 3) & 1; }
constexpr int PieceType(int code) { return code & 7; }
constexpr int PieceCode(int colour, int type) { return colour * 8 + type; }

inline constexpr char wchar[] = " PNBRQK";
inline constexpr char bchar[] = " pnbrqk";
inline constexpr uint32_t msig[8] = {0, 1, 16, 256, 4096, 65536, 0, 0};  // material-signature step by type
inline constexpr uint16_t npv[8] = {0, 0, 3, 3, 5, 10, 0, 0};
inline constexpr int16_t piece_value[8] = {0, 100, 335, 335, 525, 1000, 12000, 0};
inline constexpr int pawn_dir[2] = {8, -8};
inline constexpr int init_king_sq[2] = {4, 60};
inline constexpr int flip_sq[2] = {0, 56};
extern const char* const sq_name[64];
extern const uint8_t csbits[64];

// A piece list holds up to ten squares and its end mark: two pieces and eight
// promotions. FEN text from outside may place at most nine of a kind, and no
// more than the list holds when every pawn of that side promotes to it.
constexpr int PLIST_SIZE = 11;

struct HistRec {
    uint16_t move;
    uint8_t captured;  // type taken on the destination (0 for en passant and null moves)
    uint8_t ep, fifty, castle;
    uint64_t hash, pawnhash;
};

// One entry of a move list; the generators fill all but score. Eight bytes,
// so that an entry's place in a list is a shift away from its address.
struct alignas(4) MoveEntry {
    uint16_t move;
    uint8_t score;     // ordering score, set by the move picker
    uint8_t piece;     // code of the moving piece
    uint8_t captured;  // code on the destination, 0 if empty (so 0 for en passant)
};

struct Position {
    uint8_t board[65];  // board[64] stays 0 so that NO_SQ reads as empty
    uint8_t plist[2][8][PLIST_SIZE];
    uint8_t slot[64];   // place of the piece on a square in its list (stale on empty squares)
    uint64_t bb[2][8];  // [colour][0] = all pieces of that colour
    uint8_t side, castle, ep, fifty;
    uint32_t msig[2];
    uint16_t npmat[2];
    uint64_t hash, pawnhash;
    uint16_t lastmove, nhist, ply;
    uint16_t ncut;  // plies cut from the front of a long game's hist: nhist + ncut were played
    HistRec* hist;
    StackRec* ss;
    uint8_t thread;
    // Castling as in Chess960: the move word of a castling is the king taking
    // its own rook (frc = 1); crook holds the rook square of each right (K, Q,
    // k, q order) and cmask the rights a move from or to a square takes away.
    uint8_t frc;
    uint8_t crook[4];
    uint8_t cmask[64];
};

inline uint64_t Occupied(const Position& pos) { return pos.bb[0][0] | pos.bb[1][0]; }
inline int KingSq(const Position& pos, int colour) { return pos.plist[colour][KING][0]; }
// How often the position stood before in the record, with the same side to
// move, since the last capture or pawn move.
inline int Repetitions(const Position* pos) {
    const int limit = pos->fifty < pos->nhist ? pos->fifty : pos->nhist;
    int count = 0;
    for (int i = 4; i <= limit; i += 2) count += pos->hist[pos->nhist - i].hash == pos->hash;
    return count;
}
