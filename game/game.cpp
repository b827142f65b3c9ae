// The main thread's game: typed moves, the history kept inside its array,
// and the board editor.
#include "game/game.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/messages.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "thread/records.h"

namespace {

constexpr int REBASE_AT = 400;   // game plies kept before the history is rebased
constexpr int FIFTY_CAP = 200;   // the counter is a byte: keep it well away from wrapping
constexpr int FIFTY_PAST = 110;  // any value above 100 means the same to the rules

}  // namespace

Position* GamePos() { return &ThreadData[0]->pos; }

int IsLegalMove(Position* pos, uint16_t move) {
    if (move == 0 || move == END_OF_LIST) return 0;
    uint16_t list[256];
    const int n = LegalMoveList(pos, list);
    return std::find(list, list + n, move) != list + n ? 1 : 0;
}

void PlayGameMove(uint16_t move) {
    Position* pos = GamePos();
    // Past the fifty-move rule the exact count no longer matters, and the
    // counter never exceeds the history it would make the search look back on.
    if (pos->fifty > FIFTY_CAP) pos->fifty = FIFTY_PAST;
    if (pos->nhist >= REBASE_AT) {
        if (pos->fifty > FIFTY_PAST) pos->fifty = FIFTY_PAST;
        int keep = pos->fifty < pos->nhist ? pos->fifty : pos->nhist;
        int drop = pos->nhist - keep;
        std::memmove(pos->hist, pos->hist + drop, size_t(keep) * sizeof(HistRec));
        pos->nhist = uint16_t(keep);
        pos->ncut = uint16_t(pos->ncut + drop);
    }
    MakeMove(pos, move);
    pos->ply = 1;
}

int IsValidMove(const char* text, uint16_t* move) {
    int matches = ParseMove(GamePos(), text, move);
    if (matches >= 2) ShowMessage("ambiguous move");
    return matches == 1;
}

// The board editor.

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
    pos->ncut = 0;
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

int EditBoard(int (*readline)(char* buf, int size)) {
    Position* pos = GamePos();
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
    // The checked copy is the one kept: it has lost the castling rights and
    // the en-passant square the edited placement can no longer have.
    char epd[100], why[128];
    MakeEPD(pos, epd);
    Position probe = *pos;
    probe.hist = nullptr;
    if (!LoadFen(&probe, epd, pos->frc, why)) {
        *pos = before;
        ShowMessagef("position not accepted: %s", why);
        return 0;
    }
    probe.hist = pos->hist;
    *pos = probe;
    std::memset(pos->hist, 0, 2 * sizeof(HistRec));
    return 0;
}
