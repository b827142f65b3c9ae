// FEN in and out: the trusting SetPosition, the checking LoadFen for text
// from outside, and MakeEPD.
#include "board/fen.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/messages.h"
#include "board/bitboard.h"
#include "board/chess960.h"
#include "board/makemove.h"

const char fen_opn[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

static int LetterType(char c, int* colour) {
    const char* w = std::strchr("PNBRQK", c);
    const char* b = std::strchr("pnbrqk", c);
    if (c && w) return *colour = WHITE, int(w - "PNBRQK") + 1;
    if (c && b) return *colour = BLACK, int(b - "pnbrqk") + 1;
    return NONE;
}

static int ListLength(const Position* pos, int colour, int type) {
    int n = 0;
    while (pos->plist[colour][type][n] != NO_SQ) n++;
    return n;
}

// A second letter on one square (a rank written too long stays on its
// h-file square) replaces the first; a tenth piece of a kind is left out.
static void PlaceLetter(Position* pos, char c, int sq) {
    int colour = WHITE, type = LetterType(c, &colour);
    if (!type || sq < 0 || sq > 63 || ListLength(pos, colour, type) >= 9) return;
    if (pos->board[sq]) RemovePiece(pos, sq);
    AddPiece(pos, colour, type, sq);
}

static void ClearPosition(Position* pos) {
    std::memset(pos->board, 0, sizeof pos->board);
    std::memset(pos->plist, NO_SQ, sizeof pos->plist);
    std::memset(pos->bb, 0, sizeof pos->bb);
    pos->ep = NO_SQ;
    pos->fifty = 0;
    pos->msig[0] = pos->msig[1] = 0;
    pos->npmat[0] = pos->npmat[1] = 0;
    pos->lastmove = 0;
    pos->nhist = 0;
    pos->ncut = 0;
    pos->ply = 1;
}

// Reads the board field; returns the character that ended it.
static const char* ReadBoardField(Position* pos, const char* p) {
    int sq = 56;
    for (; *p && *p != ' '; p++) {
        if (*p >= '0' && *p <= '9') {
            int n = *p - '0';
            sq = (sq & 7) + n <= 7 ? sq + n : sq | 7;
        } else if (*p == '/') {
            sq = (sq & ~7) - 8;
        } else {
            PlaceLetter(pos, *p, sq);
            if ((sq & 7) != 7) sq++;
        }
    }
    return p;
}

static const char* SkipBlanks(const char* p) {
    while (*p == ' ') p++;
    return p;
}

// Castling and en-passant fields, p at the start of the castling field.
static void ReadRightsFields(Position* pos, const char* p) {
    for (; *p && *p != ' '; p++) {
        if (pos->frc) {
            AddCastlingLetter(pos, *p);
            continue;
        }
        if (*p == 'K') pos->castle += 1;
        if (*p == 'Q') pos->castle += 2;
        if (*p == 'k') pos->castle += 4;
        if (*p == 'q') pos->castle += 8;
    }
    p = SkipBlanks(p);
    int ep = 0;
    bool file = false, rank = false;
    for (; *p && *p != ' '; p++) {
        if (*p >= 'a' && *p <= 'h') ep = *p - 'a', file = true;
        if (*p >= '1' && *p <= '8') ep += (*p - '1') * 8, rank = true;
    }
    // A repeated rank digit could add past the board; such a field names no square.
    if (file && rank && ep < 64) pos->ep = uint8_t(ep);
}

static void SetPositionCore(Position* pos, const char* fen, bool chess960) {
    ClearPosition(pos);
    const char* p = ReadBoardField(pos, fen);
    ResetCastling(pos, chess960);
    if (*p == ' ' && p[1]) {
        if (p[1] == 'w') pos->side = WHITE;
        if (p[1] == 'b') pos->side = BLACK;
        if (p[2]) ReadRightsFields(pos, SkipBlanks(p + 2));
    }
    if (pos->castle > 15) pos->castle = 15;  // repeated letters must not index past the key table
    FinishCastling(pos);
    pos->side &= 1;
    pos->hash = ComputeHash(pos);
    pos->pawnhash = ComputePawnHash(pos);
}

void SetPosition(Position* pos, const char* fen, bool chess960) {
    SetPositionCore(pos, fen, chess960);
    VELL_ASSERT(pos->ply == 1);
    if (pos->hist) std::memset(pos->hist, 0, 2 * sizeof(HistRec));
    pos->nhist = 0;
}

void MakeEPD(const Position* pos, char* buf) {
    char* o = buf;
    for (int rank = 7; rank >= 0; rank--) {
        int empty = 0;
        for (int file = 0; file < 8; file++) {
            int code = pos->board[rank * 8 + file];
            if (!code) {
                empty++;
                continue;
            }
            if (empty) *o++ = char('0' + empty);
            empty = 0;
            *o++ = PieceColor(code) ? bchar[PieceType(code)] : wchar[PieceType(code)];
        }
        if (empty) *o++ = char('0' + empty);
        if (rank) *o++ = '/';
    }
    *o++ = ' ';
    *o++ = pos->side ? 'b' : 'w';
    *o++ = ' ';
    if (pos->frc) o = WriteCastlingFiles(pos, o);
    if (!pos->castle && !pos->frc) *o++ = '-';
    for (int i = 0; i < 4 && !pos->frc; i++)
        if (pos->castle & (1 << i)) *o++ = "KQkq"[i];
    *o++ = ' ';
    if (pos->ep < 64) {
        *o++ = sq_name[pos->ep][0];
        *o++ = sq_name[pos->ep][1];
    } else {
        *o++ = '-';
    }
    *o = 0;
}

// ---- LoadFen: the checks for FEN text from outside ----

// Copies the next blank-separated word (at most size - 1 characters) and
// returns the text after it, or null when the word does not fit.
static const char* NextField(const char* p, char* word, int size) {
    while (*p == ' ' || *p == '\t') p++;
    int n = 0;
    for (; *p && *p != ' ' && *p != '\t' && *p != '\n' && *p != '\r'; p++) {
        if (n == size - 1) return nullptr;
        word[n++] = *p;
    }
    word[n] = 0;
    return p;
}

// The board field must describe eight ranks of exactly eight squares; counts
// pieces by colour and type on the way.
static bool CheckBoardField(const char* f, int count[2][8], char* why) {
    int rank = 0, files = 0;
    for (const char* p = f;; p++) {
        if (*p == '/' || !*p) {
            if (files != 8) {
                std::snprintf(why, 128, "rank %d of the FEN board has %d squares, not 8", 8 - rank, files);
                return false;
            }
            if (!*p) break;
            if (++rank > 7) {
                std::snprintf(why, 128, "the FEN board has more than 8 ranks");
                return false;
            }
            files = 0;
            continue;
        }
        int colour = WHITE, type = LetterType(*p, &colour);
        if (*p >= '1' && *p <= '8') {
            files += *p - '0';
        } else if (type) {
            count[colour][type]++;
            if (type == PAWN && (rank == 0 || rank == 7)) {
                std::snprintf(why, 128, "pawn on the first or last rank");
                return false;
            }
            files++;
        } else {
            std::snprintf(why, 128, "unexpected character '%c' in the FEN board", *p);
            return false;
        }
        if (files > 8) {
            std::snprintf(why, 128, "rank %d of the FEN board has more than 8 squares", 8 - rank);
            return false;
        }
    }
    if (rank != 7) {
        std::snprintf(why, 128, "the FEN board has %d ranks, not 8", rank + 1);
        return false;
    }
    return true;
}

static bool CheckCounts(const int count[2][8], char* why) {
    static const char* const colour_name[2] = {"white", "black"};
    static const char* const type_name[8] = {"",      "pawns",  "knights", "bishops",
                                             "rooks", "queens", "kings",   ""};
    for (int c = 0; c < 2; c++) {
        if (count[c][KING] != 1) {
            std::snprintf(why, 128, "%s has %d kings, needs exactly one", colour_name[c], count[c][KING]);
            return false;
        }
        for (int t = PAWN; t < KING; t++)
            if (count[c][t] > 9) {
                std::snprintf(why, 128, "%s has %d %s, at most 9 fit", colour_name[c], count[c][t],
                              type_name[t]);
                return false;
            }
        // Every pawn may still promote to the one kind; its list must hold them all.
        for (int t = KNIGHT; t < KING; t++)
            if (count[c][t] + count[c][PAWN] > PLIST_SIZE - 1) {
                std::snprintf(why, 128, "%s has %d %s and %d pawns, promotions could make more than %d %s",
                              colour_name[c], count[c][t], type_name[t], count[c][PAWN], PLIST_SIZE - 1,
                              type_name[t]);
                return false;
            }
    }
    return true;
}

// Side, castling and en-passant fields; writes the canonical forms.
static bool CheckOtherFields(const char* p, bool chess960, char* side, char* castle, char* ep, char* why) {
    char word[16];
    p = NextField(p, word, sizeof word);
    if (!p || (std::strcmp(word, "w") != 0 && std::strcmp(word, "b") != 0)) {
        std::snprintf(why, 128, "the side to move must be w or b");
        return false;
    }
    std::strcpy(side, word);
    p = NextField(p, word, sizeof word);
    if (!p) {
        std::snprintf(why, 128, "bad castling field");
        return false;
    }
    // Chess960 letters are matched with the board once it is set up.
    const char* letters = chess960 ? "KQkqABCDEFGHabcdefgh" : "KQkq";
    int rights = 0;
    char* o = castle;
    if (std::strcmp(word, "-") != 0)
        for (const char* c = word; *c; c++) {
            const char* at = std::strchr(letters, *c);
            if (!at) {
                std::snprintf(why, 128, "bad castling field '%.15s'", word);
                return false;
            }
            if (chess960)
                *o++ = *c;
            else
                rights |= 1 << (at - letters);
        }
    for (int i = 0; i < 4; i++)
        if (rights & (1 << i)) *o++ = "KQkq"[i];
    if (o == castle) *o++ = '-';
    *o = 0;
    p = NextField(p, word, sizeof word);
    bool square = p && word[0] >= 'a' && word[0] <= 'h' && word[1] >= '1' && word[1] <= '8' && !word[2];
    if (p && word[0] && !square && std::strcmp(word, "-") != 0) {
        std::snprintf(why, 128, "bad en-passant field '%.15s'", word);
        return false;
    }
    std::strcpy(ep, square ? word : "-");
    return true;
}

// Rights whose king and rook have left home, and an en-passant square that no
// double push can have made, are dropped.
static void DropImpossibleRights(Position* pos) {
    for (int i = 0; i < 4; i++) {
        int c = i >> 1;
        bool home = pos->frc || KingSq(*pos, c) == init_king_sq[c];
        if (!home || !CastlingRightFits(pos, i)) pos->castle &= uint8_t(~(1 << i));
    }
    FinishCastling(pos);
    if (pos->ep == NO_SQ) return;
    int us = pos->side, them = us ^ 1, ep = pos->ep;
    bool ok = (ep >> 3) == (us == WHITE ? 5 : 2) && pos->board[ep - pawn_dir[us]] == PieceCode(them, PAWN) &&
              !pos->board[ep] && !pos->board[ep + pawn_dir[us]];
    if (!ok) pos->ep = NO_SQ;
}

static bool IsFieldGap(char c) { return c == ' ' || c == '\t'; }

// The text after the first n blank-separated fields.
static const char* AfterFields(const char* fen, int n) {
    for (int field = 0; field < n; field++) {
        while (IsFieldGap(*fen)) fen++;
        while (*fen && !IsFieldGap(*fen)) fen++;
    }
    return fen;
}

uint8_t FenHalfmoveClock(const char* fen) {
    const char* t = AfterFields(fen, 4);
    char* end;
    const long v = std::strtol(t, &end, 10);
    if (end == t || (*end && !IsFieldGap(*end))) return 0;
    return uint8_t(std::clamp(v, 0L, 101L));
}

int FenMoveNumber(const char* fen) {
    const long n = std::strtol(AfterFields(fen, 5), nullptr, 10);
    return n >= 1 && n < 100000 ? int(n) : 1;
}

int LoadFen(Position* pos, const char* fen, bool chess960, char* why) {
    char board[100], side[4], castle[16], ep[4];
    why[0] = 0;
    const char* p = NextField(fen, board, sizeof board);
    if (!p || !board[0]) {
        std::snprintf(why, 128, p ? "empty FEN" : "the FEN board field is too long");
        return 0;
    }
    int count[2][8] = {};
    if (!CheckBoardField(board, count, why) || !CheckCounts(count, why)) return 0;
    if (!CheckOtherFields(p, chess960, side, castle, ep, why)) return 0;

    char text[128];
    std::snprintf(text, sizeof text, "%s %s %s %s", board, side, castle, ep);
    Position tmp = *pos;
    SetPositionCore(&tmp, text, chess960);
    int waiting = tmp.side ^ 1;
    if (SqAtakd(&tmp, KingSq(tmp, waiting), tmp.side)) {
        std::snprintf(why, 128, "the side not to move is in check");
        return 0;
    }
    DropImpossibleRights(&tmp);
    tmp.hash = ComputeHash(&tmp);
    *pos = tmp;
    if (pos->hist) std::memset(pos->hist, 0, 2 * sizeof(HistRec));
    return 1;
}

bool FenNeedsChess960(const char* fen) {
    Position probe{};
    char why[128];
    if (!LoadFen(&probe, fen, true, why)) return false;
    const uint8_t rights960 = probe.castle;
    return !LoadFen(&probe, fen, false, why) || probe.castle != rights960;
}
