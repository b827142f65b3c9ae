// The text of the evaluation report, built from the fields the evaluation
// left in eval_report and the depth-0 scores.
#include "eval/report.h"

#include <cstdarg>
#include <cstdio>

#include "base/control.h"

namespace {

// Appends to a fixed buffer, cutting what does not fit.
struct Text {
    char* buf;
    size_t size, len;
    void Add(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
        if (len + 1 >= size) return;
        va_list ap;
        va_start(ap, fmt);
        int n = std::vsnprintf(buf + len, size - len, fmt, ap);
        va_end(ap);
        if (n > 0) len = len + size_t(n) < size ? len + size_t(n) : size - 1;
    }
};

void AddSquares(Text& t, const char* title, uint64_t set) {
    if (!set) return;
    t.Add("%s", title);
    for (; set; set &= set - 1) t.Add(" %s", sq_name[__builtin_ctzll(set)]);
    t.Add("\n");
}

void AddTable(Text& t, const EvalReport& r) {
    static const char* const rows[7] = {"ppawn=     ", "pawns=     ", "knights=   ", "bishops=   ",
                                        "rooks=     ", "queens=    ", "king=      "};
    t.Add("           white     black\n");
    t.Add("mtl=       %5d     %5d\n", r.material[0], r.material[1]);
    t.Add("pos=       %5d     %5d\n", r.positional[0], r.positional[1]);
    for (int i = 0; i < 7; i++) t.Add("%s%5d     %5d\n", rows[i], r.type_total[0][i], r.type_total[1][i]);
}

void AddBoard(Text& t, const Position& pos, const EvalReport& r) {
    static const char white[] = "-PNBRQK", black[] = "-onbrqk";
    for (int rank = 7; rank >= 0; rank--) {
        for (int f = 0; f < 8; f++) {
            const int sq = rank * 8 + f, code = pos.board[sq];
            char ch = (f + rank) % 2 == 0 ? '+' : '-';
            if (code) ch = PieceColor(code) == WHITE ? white[PieceType(code)] : black[PieceType(code)];
            t.Add(" %c", ch);
        }
        t.Add("    ");
        for (int f = 0; f < 8; f++) {
            const int sq = rank * 8 + f;
            if (pos.board[sq])
                t.Add(" %4d", r.square_score[sq]);
            else
                t.Add("    -");
        }
        t.Add("\n");
    }
}

}  // namespace

EvalReport eval_report;

int FormatEvalInfo(const Position& pos, char* buf, size_t size) {
    if (!buf || size == 0) return 0;
    buf[0] = 0;
    Text t{buf, size, 0};
    const EvalReport& r = eval_report;
    t.Add("\nevaluation in centipawns: eval and qscore for the side to move, then the terms of each colour\n");
    t.Add("eval= %d, qscore= %d, draw_adj= %0.2f\n", PBlock.root_eval, PBlock.root_qscore, r.draw_factor);
    AddSquares(t, "hung pieces on: ", r.hanging);
    AddSquares(t, "pinned pieces on :", r.pinned);
    if (r.passer_sq[0] != 0 || r.passer_sq[1] < 63) {
        t.Add("free pawns on : ");
        if (r.passer_sq[0] != 0) t.Add(" %s", sq_name[r.passer_sq[0] & 63]);
        if (r.passer_sq[1] != 63) t.Add(" %s", sq_name[r.passer_sq[1] & 63]);
        t.Add("\n");
    }
    AddTable(t, r);
    AddBoard(t, pos, r);
    t.Add("%s\n", pos.side == WHITE ? "white" : "black");
    return int(t.len);
}
