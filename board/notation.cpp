// Move text in both directions and the board diagram.
#include "board/notation.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "base/control.h"
#include "base/messages.h"
#include "board/bitboard.h"
#include "board/chess960.h"
#include "board/fen.h"
#include "board/legality.h"
#include "board/makemove.h"
#include "board/movegen.h"

// Promotion flags in the order the texts test them, with their letters.
static const uint16_t kPromoFlag[4] = {PROMO_Q, PROMO_N, PROMO_B, PROMO_R};
static const char kPromoLetter[] = "QNBR";

static int PromoIndex(uint16_t move) {
    for (int i = 0; i < 4; i++)
        if (move & kPromoFlag[i]) return i;
    return -1;
}

// The square a castling's text names as its destination in the style asked
// for: the king's own in the two-square form, the rook's when the king takes it.
static int CastlingTextTo(const Position* pos, uint16_t move, bool king_takes_rook) {
    const int from = MoveFrom(move), to = MoveTo(move);
    if (bool(pos->frc) == king_takes_rook || !IsCastlingMove(pos, move)) return to;
    if (!king_takes_rook) return CastleKingTo(pos->side, to > from);
    return pos->crook[2 * pos->side + (to < from)];
}

char* MoveToStr(uint16_t move, MoveStyle style, char* buf, Position* pos) {
    if (!move) {
        std::strcpy(buf, "null");
        return buf;
    }
    VELL_ASSERT(pos || style.notation != Notation::San);
    if (style.notation == Notation::San) return MoveToSan(pos, move, buf);
    std::memcpy(buf, sq_name[MoveFrom(move)], 2);
    std::memcpy(buf + 2, sq_name[pos ? CastlingTextTo(pos, move, style.king_takes_rook) : MoveTo(move)], 2);
    buf[4] = 0;
    int p = PromoIndex(move);
    if (p >= 0) {
        if (style.notation == Notation::Uci) {
            buf[4] = char(std::tolower(kPromoLetter[p]));
            buf[5] = 0;
        } else {
            buf[4] = '=';
            buf[5] = kPromoLetter[p];
            buf[6] = 0;
        }
    }
    return buf;
}

int LegalMoveList(Position* pos, uint16_t* out) {
    // A list of its own: the main position's ply may lie beyond the stack. Set-up positions can
    // have more pseudo-legal moves than any game reaches, hence the room.
    MoveEntry list[1024];
    MoveEntry* end = GeneratePawnCaptures(pos, pos->side, list);
    end = GeneratePieceCaptures(pos, pos->side, end);
    end = GeneratePromotions(pos, pos->side, 1, end);
    end = GenerateNonCaptures(pos, pos->side, end);
    int n = 0;
    for (MoveEntry* e = list; e != end && n < 256; e++)
        if (e->move && MoveIsLegal(pos, pos->side, e->move)) out[n++] = e->move;
    return n;
}

static bool IsCastling(const Position* pos, uint16_t move) { return IsCastlingMove(pos, move); }

// "+" or "#" when the move checks; the move is made and taken back.
static const char* CheckMark(Position* pos, uint16_t move) {
    MakeMove(pos, move);
    const char* mark = "";
    if (SqAtakd(pos, KingSq(*pos, pos->side), pos->side ^ 1)) {
        uint16_t replies[256];
        mark = LegalMoveList(pos, replies) ? "+" : "#";
    }
    UnmakeMove(pos);
    return mark;
}

char* MoveToSan(Position* pos, uint16_t move, char* out) {
    int from = MoveFrom(move), to = MoveTo(move), type = PieceType(pos->board[from]);
    char* o = out;
    if (IsCastling(pos, move)) {
        std::strcpy(o, to > from ? "O-O" : "O-O-O");
        o += std::strlen(o);
    } else {
        bool capture = pos->board[to] || (type == PAWN && to == pos->ep);
        if (type == PAWN) {
            if (capture) *o++ = sq_name[from][0];
        } else {
            *o++ = wchar[type];
            // Only other legal moves of the same kind to the same square call
            // for a qualifier: a pinned piece makes nothing ambiguous.
            uint16_t list[256];
            int n = LegalMoveList(pos, list);
            bool rival = false, same_file = false, same_rank = false;
            for (int i = 0; i < n; i++) {
                int f = MoveFrom(list[i]);
                if (MoveTo(list[i]) != to || f == from || PieceType(pos->board[f]) != type) continue;
                rival = true;
                same_file |= (f & 7) == (from & 7);
                same_rank |= (f >> 3) == (from >> 3);
            }
            if (rival && (!same_file || same_rank)) *o++ = sq_name[from][0];
            if (rival && same_file) *o++ = sq_name[from][1];
        }
        if (capture) *o++ = 'x';
        *o++ = sq_name[to][0];
        *o++ = sq_name[to][1];
        int p = PromoIndex(move);
        if (p >= 0) {
            *o++ = '=';
            *o++ = kPromoLetter[p];
        }
    }
    std::strcpy(o, CheckMark(pos, move));
    return out;
}

// What a move text asks for; 0 or -1 where it leaves a part open.
struct MoveQuery {
    int type = 0;  // 0: any piece (coordinates)
    int from = -1, from_file = -1, from_rank = -1, to = -1, to_file = -1;
    int promo = -1;  // index into kPromoLetter, -1 none
    int castle = 0;  // 1 short, 2 long
};

static int FileOf(char c) { return c >= 'a' && c <= 'h' ? c - 'a' : -1; }
static int RankOf(char c) { return c >= '1' && c <= '8' ? c - '1' : -1; }

// Splits the text into a query; false when it is no move text at all.
static bool ReadQuery(const char* text, MoveQuery* q) {
    char t[32];
    size_t n = std::strlen(text);
    if (n == 0 || n >= sizeof t) return false;
    std::memcpy(t, text, n + 1);
    // Check and mate signs and the move marks (!, ?, !?, ?!, !!, ??) say nothing about the move.
    while (n > 0 && std::strchr("+#!?", t[n - 1])) t[--n] = 0;
    bool castle_letters = n > 0;
    for (size_t i = 0; i < n; i++)
        castle_letters &= (i & 1) ? t[i] == '-' : std::strchr("O0o", t[i]) != nullptr;
    if (castle_letters && (n == 3 || n == 5)) {
        q->type = KING;
        q->castle = n == 3 ? 1 : 2;
        return true;
    }
    // A promotion letter, in either case, with or without "=".
    if (n >= 2 && std::strchr("QRBNqrbn", t[n - 1]) && (t[n - 2] == '=' || RankOf(t[n - 2]) >= 0)) {
        char up = char(std::toupper(static_cast<unsigned char>(t[n - 1])));
        q->promo = int(std::strchr(kPromoLetter, up) - kPromoLetter);
        t[--n] = 0;
        if (t[n - 1] == '=') t[--n] = 0;
    }
    const char* p = t;
    if (*p && std::strchr("KQRBNP", *p)) q->type = int(std::strchr(wchar, *p++) - wchar);
    // The rest: [file][rank][x or -][file rank], or the pawn capture by files ("ed").
    int f1 = -1, r1 = -1;
    if (FileOf(*p) >= 0) f1 = FileOf(*p++);
    if (RankOf(*p) >= 0) r1 = RankOf(*p++);
    if (*p == 'x' || *p == ':' || *p == '-') p++;
    if (!*p && f1 >= 0 && r1 >= 0) {  // the square just read is the destination
        q->to = r1 * 8 + f1;
        if (!q->type) q->type = PAWN;
        return true;
    }
    if (FileOf(p[0]) >= 0 && RankOf(p[1]) >= 0 && !p[2]) {
        q->to = RankOf(p[1]) * 8 + FileOf(p[0]);
        if (f1 >= 0 && r1 >= 0 && !q->type) {
            q->from = r1 * 8 + f1;  // coordinates
            return true;
        }
        q->from_file = f1;
        q->from_rank = r1;
        if (!q->type) q->type = PAWN;
        return true;
    }
    if (!q->type && f1 >= 0 && r1 < 0 && FileOf(p[0]) >= 0 && !p[1]) {
        q->type = PAWN;
        q->from_file = f1;
        q->to_file = FileOf(p[0]);
        return true;
    }
    return false;
}

static bool Matches(const Position* pos, const MoveQuery& q, uint16_t m) {
    int from = MoveFrom(m), to = MoveTo(m);
    if (q.castle) return IsCastling(pos, m) && (q.castle == 1) == (to > from);
    if (q.type && PieceType(pos->board[from]) != q.type) return false;
    if (q.to >= 0 && to != q.to) return false;
    if (q.to_file >= 0 && ((to & 7) != q.to_file || (from & 7) == q.to_file)) return false;
    if (q.from >= 0 && from != q.from) return false;
    if (q.from_file >= 0 && (from & 7) != q.from_file) return false;
    if (q.from_rank >= 0 && (from >> 3) != q.from_rank) return false;
    // A pawn named by its destination alone moves straight ahead.
    if (q.type == PAWN && q.from < 0 && q.from_file < 0 && (from & 7) != (to & 7)) return false;
    // Castling is typed as O-O or in coordinates, never as a king move with a letter.
    if (q.type == KING && q.from < 0 && IsCastling(pos, m)) return false;
    return PromoIndex(m) == q.promo;
}

int ParseMove(Position* pos, const char* text, uint16_t* move) {
    *move = 0;
    MoveQuery q;
    if (!ReadQuery(text, &q)) return 0;
    uint16_t list[256];
    int n = LegalMoveList(pos, list), matches = 0;
    for (int i = 0; i < n; i++) {
        if (!Matches(pos, q, list[i])) continue;
        if (++matches == 1) *move = list[i];
    }
    if (matches != 1) *move = 0;
    return matches;
}

void ShowBoard(const Position* pos, bool flipped) {
    static const char white[] = ".PNBRQK", black[] = ".pnbrqk";
    char text[512];
    MakeEPD(pos, text);
    char* o = text + std::strlen(text);
    *o++ = '\n';
    // The last move's square is framed, so the eye finds what changed.
    const uint16_t last = pos->nhist > 0 ? pos->hist[pos->nhist - 1].move : 0;
    const int marked = last ? MoveTo(last) : -1;
    for (int row = 0; row < 8; row++) {
        const int rank = flipped ? row : 7 - row;
        *o++ = char('1' + rank);
        *o++ = ' ';
        bool close = false;
        for (int col = 0; col < 8; col++) {
            const int file = flipped ? 7 - col : col, sq = rank * 8 + file, code = pos->board[sq];
            *o++ = sq == marked ? '[' : close ? ']' : ' ';
            close = sq == marked;
            *o++ = code ? (PieceColor(code) ? black : white)[PieceType(code)] : '.';
        }
        if (close) *o++ = ']';
        *o++ = '\n';
    }
    std::strcpy(o, flipped ? "   h g f e d c b a\n" : "   a b c d e f g h\n");
    o += std::strlen(o);
    std::strcpy(o, pos->side ? "black\n" : "white\n");
    std::puts(text);
    std::fflush(stdout);
    if (PBlock.log_on.load(std::memory_order_relaxed) && fdlog) {
        std::fprintf(fdlog, "%s\n", text);
        std::fflush(fdlog);
    }
}
