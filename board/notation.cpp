// Move text in both directions, the board diagram and the board editor.
#include "board/notation.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "board/bitboard.h"
#include "board/legality.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "engine/messages.h"
#include "search/records.h"

// Promotion flags in the order the texts test them, with their letters.
static const uint16_t kPromoFlag[4] = {PROMO_Q, PROMO_N, PROMO_B, PROMO_R};
static const char kPromoLetter[4] = {'Q', 'N', 'B', 'R'};

static int PromoIndex(uint16_t move) {
    for (int i = 0; i < 4; i++)
        if (move & kPromoFlag[i]) return i;
    return -1;
}

char* MoveToStr(uint16_t move, char* buf) {
    if (!move) {
        std::strcpy(buf, "null");
        return buf;
    }
    std::memcpy(buf, sq_name[MoveFrom(move)], 2);
    std::memcpy(buf + 2, sq_name[MoveTo(move)], 2);
    buf[4] = 0;
    int p = PromoIndex(move);
    if (p >= 0) {
        bool uci = PBlock.protocol.load(std::memory_order_relaxed) == 2;
        if (uci) {
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

static void PawnStrings(const Position* pos, int from, int to, char* coord, char* san, char* byfile) {
    if (pos->board[to] || to == pos->ep) {
        std::strcpy(san, coord);
        san[1] = 'x';
        byfile[0] = sq_name[from][0];
        byfile[1] = sq_name[to][0];
        byfile[2] = 0;
    } else {
        std::strcpy(san, sq_name[to]);
    }
}

// Other pieces of the mover's kind that also reach `to`.
static uint64_t Rivals(const Position* pos, int from, int to) {
    int code = pos->board[from], c = PieceColor(code), type = PieceType(code);
    uint64_t same = pos->bb[c][type] & ~(uint64_t(1) << from);
    uint64_t occ = pos->bb[0][0] | pos->bb[1][0] | (uint64_t(1) << to);
    uint64_t reach = 0;
    if (type == KNIGHT) reach = BB_KnightRays[to];
    if (type == BISHOP || type == QUEEN) reach |= GenAttacksB(to, occ);
    if (type == ROOK || type == QUEEN) reach |= GenAttacksR(to, occ);
    return same & reach;
}

static void PieceStrings(const Position* pos, int from, int to, char* san, char* byfile, char* byrank) {
    int type = PieceType(pos->board[from]);
    if (type == KING && (to == from + 2 || to == from - 2)) {
        bool east = to == from + 2;
        std::strcpy(san, east ? "o-o" : "o-o-o");
        std::strcpy(byfile, east ? "O-O" : "O-O-O");
        std::strcpy(byrank, east ? "0-0" : "0-0-0");
        return;
    }
    char letter = wchar[type];
    std::snprintf(san, 16, "%c", letter);
    std::snprintf(byfile, 16, "%c%c", letter, sq_name[from][0]);
    std::snprintf(byrank, 16, "%c%c", letter, sq_name[from][1]);
    uint64_t rivals = Rivals(pos, from, to);
    bool same_file = false, same_rank = false;
    for (uint64_t b = rivals; b; b &= b - 1) {
        same_file |= (LSB(b) & 7) == (from & 7);
        same_rank |= (LSB(b) >> 3) == (from >> 3);
    }
    if (same_file)
        std::strcpy(san, byrank);
    else if (same_rank)
        std::strcpy(san, byfile);
    const char* x = pos->board[to] ? "x" : "";
    for (char* s : {san, byfile, byrank}) {
        std::strcat(s, x);
        std::strcat(s, sq_name[to]);
    }
}

void GenMoveStrings(Position* pos, uint16_t move, char* coord, char* san, char* byfile, char* byrank) {
    int from = MoveFrom(move), to = MoveTo(move);
    MoveToStr(move, coord);
    san[0] = byfile[0] = byrank[0] = 0;
    if (PieceType(pos->board[from]) == PAWN) {
        int p = PromoIndex(move);
        if (p >= 0) coord[4] = 0;
        PawnStrings(pos, from, to, coord, san, byfile);
        if (p >= 0) {
            char suffix[3] = {'=', kPromoLetter[p], 0};
            for (char* s : {coord, san, byfile}) std::strcat(s, suffix);
        }
    } else {
        PieceStrings(pos, from, to, san, byfile, byrank);
    }
    MoveEntry e{move, 0, pos->board[from], pos->board[to]};
    if (MoveGivesCheck(pos, pos->side, &e))
        for (char* s : {coord, san, byfile, byrank}) std::strcat(s, "+");
}

static void DropPlus(char* s) {
    char* o = s;
    for (; *s; s++)
        if (*s != '+') *o++ = *s;
    *o = 0;
}

// Promotion letters end the text as "=X"; castling letters become "o".
static void NormaliseMoveText(char* text) {
    if (char* plus = std::strchr(text, '+')) *plus = 0;
    size_t n = std::strlen(text);
    if (n > 0) {
        char last = char(std::toupper(static_cast<unsigned char>(text[n - 1])));
        if (std::strchr("NBQR", last)) {
            if (n >= 2 && text[n - 2] == '=') {
                text[n - 1] = last;
            } else {
                text[n - 1] = '=';
                text[n] = last;
                text[n + 1] = 0;
            }
        }
    }
    for (char* c = text; *c; c++)
        if (*c == 'O' || *c == '0') *c = 'o';
}

int IsValidMove(char* text, uint16_t* move) {
    *move = 0;
    NormaliseMoveText(text);
    Position* pos = &ThreadData[0]->pos;
    // A list of its own: the main position's ply may lie beyond the stack.
    MoveEntry list[256];
    MoveEntry* end = GeneratePawnCaptures(pos, pos->side, list);
    end = GeneratePieceCaptures(pos, pos->side, end);
    end = GeneratePromotions(pos, pos->side, 1, end);
    end = GenerateNonCaptures(pos, pos->side, end);
    end->move = END_OF_LIST;

    int matches = 0;
    uint16_t found = 0;
    for (MoveEntry* e = list; e->move != END_OF_LIST; e++) {
        char forms[4][16];
        GenMoveStrings(pos, e->move, forms[0], forms[1], forms[2], forms[3]);
        bool same = false;
        for (auto& f : forms) {
            DropPlus(f);
            same |= std::strcmp(f, text) == 0;
        }
        if (same && MoveIsLegal(pos, pos->side, e->move)) {
            matches++;
            found = e->move;
        }
    }
    if (matches == 1) {
        *move = found;
        return 1;
    }
    if (matches == 2) ShowMessage("ambiguous move");
    return 0;
}

void ShowBoard(const Position* pos) {
    static const char white[] = "-PNBRQK", black[] = "-onbrqk";
    char text[512];
    MakeEPD(pos, text);
    char* o = text + std::strlen(text);
    *o++ = '\n';
    for (int rank = 7; rank >= 0; rank--) {
        for (int file = 0; file < 8; file++) {
            int code = pos->board[rank * 8 + file];
            *o++ = ' ';
            if (code)
                *o++ = PieceColor(code) ? black[PieceType(code)] : white[PieceType(code)];
            else
                *o++ = (rank & 1) != (file & 1) ? '-' : '+';
        }
        *o++ = '\n';
    }
    std::strcpy(o, pos->side ? "black\n" : "white\n");
    std::puts(text);
    std::fflush(stdout);
    if (PBlock.log_on.load(std::memory_order_relaxed) && fdlog) {
        std::fprintf(fdlog, "%s\n", text);
        std::fflush(fdlog);
    }
}

// ---- the board editor ----

static void ClearBoard(Position* pos) {
    std::memset(pos->board, 0, sizeof pos->board);
    std::memset(pos->plist, NO_SQ, sizeof pos->plist);
    std::memset(pos->bb, 0, sizeof pos->bb);
    pos->msig[0] = pos->msig[1] = 0;
    pos->npmat[0] = pos->npmat[1] = 0;
    pos->castle = 15;
    pos->ep = NO_SQ;
    pos->fifty = 0;
    pos->lastmove = 0;
    pos->nhist = 0;
    pos->ply = 1;
}

// One word of a piece line: a letter and a square. Returns 0 when the word
// names no square (the rest of the line is then ignored).
static int EditSquare(Position* pos, const char* word, int colour) {
    if (!word[1] || !word[2]) return 0;
    int sq = (word[2] - '1') * 8 + (word[1] - 'a');
    if (sq < 0 || sq > 63) return 0;
    if (pos->board[sq]) RemovePiece(pos, sq);
    const char* at = std::strchr("PNBRQK", std::toupper(static_cast<unsigned char>(word[0])));
    if (!at || !word[0]) return 1;
    int type = int(at - "PNBRQK") + 1, n = 0;
    while (pos->plist[colour][type][n] != NO_SQ) n++;
    if (n < 9) AddPiece(pos, colour, type, sq);  // a tenth of a kind does not fit the lists
    return 1;
}

static void EditPieceLine(Position* pos, char* line) {
    int colour = line[0] == 'w' ? WHITE : BLACK;
    pos->side = uint8_t(colour);
    char* save = nullptr;
    strtok_r(line, " ", &save);  // the colour word
    for (char* w = strtok_r(nullptr, " ", &save); w; w = strtok_r(nullptr, " ", &save))
        if (!EditSquare(pos, w, colour)) break;
}

// Rights stay only where king and rook stand at home; keys from scratch.
static void FinishEdit(Position* pos) {
    static const int king_sq[4] = {4, 4, 60, 60}, rook_sq[4] = {7, 0, 63, 56};
    for (int i = 0; i < 4; i++) {
        int c = i >> 1;
        if (pos->board[king_sq[i]] != PieceCode(c, KING) || pos->board[rook_sq[i]] != PieceCode(c, ROOK))
            pos->castle &= uint8_t(~(1 << i));
    }
    pos->hash = ComputeHash(pos);
    pos->pawnhash = ComputePawnHash(pos);
    pos->nhist = 0;
    std::memset(pos->hist, 0, 2 * sizeof(HistRec));
}

int EditBoard(int (*readline)(char* buf, int size)) {
    Position* pos = &ThreadData[0]->pos;
    Position before = *pos;
    ShowMessage("\n");
    ShowMessage(".                    end edit");
    ShowMessage("#                    clear board");
    ShowMessage("w  Pa2 Pb2 Kc2       white, pieces");
    ShowMessage("b  Pa7 Pb7 Kc7       black, pieces");
    char line[80];
    while (readline(line, sizeof line)) {
        line[77] = 0;
        line[std::strcspn(line, "\r\n")] = 0;
        if (!line[0]) continue;
        if (line[0] == '.') break;
        if (line[0] == '#')
            ClearBoard(pos);
        else if (line[0] == 'w' || line[0] == 'b')
            EditPieceLine(pos, line);
    }
    // The engine needs one king a side and the side not to move out of check;
    // anything else is refused and the old position kept.
    char epd[100], why[128];
    MakeEPD(pos, epd);
    Position probe = *pos;
    probe.hist = nullptr;
    if (!LoadFen(&probe, epd, why)) {
        *pos = before;
        ShowMessagef("position not accepted: %s", why);
        return 0;
    }
    FinishEdit(pos);
    return 0;
}
