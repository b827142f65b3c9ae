// Set-up helpers for the evaluation tests.
#include "tests/eval/eval_setup.h"

#include <cstdio>
#include <cstring>

#include "eval/endgame.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "tests/board/board_setup.h"

ThreadRec* EvalTestSetup() {
    static bool done = false;
    BoardTestSetup();
    if (!done) {
        SetPersonalityDefaults();
        InitEval();
        InitKPK();
        done = true;
    }
    if (!ThreadData[1]) ThreadData[1] = NewThreadRec(1);
    return ThreadData[1];
}

Position* EvalPosition(const char* fen) {
    Position* pos = &EvalTestSetup()->pos;
    SetPosition(pos, fen);
    return pos;
}

int EvalAt(int ply) {
    ThreadRec* td = EvalTestSetup();
    return Evaluate(td, td->pos.side, ply, 0);
}

void ClearEvalCaches() {
    ThreadRec* td = EvalTestSetup();
    std::memset(td->ecache, 0, sizeof td->ecache);
    std::memset(td->pcache, 0, sizeof td->pcache);
    // A zero key would match a position without pawns; make every entry miss.
    for (auto& e : td->pcache) e.key = ~0ULL;
    for (auto& e : td->ecache) e.key = ~0ULL;
}

int EvalFen(const char* fen) {
    EvalPosition(fen);
    ClearEvalCaches();
    return EvalAt(2);
}

int EvalWithReport(const char* fen) {
    EvalPosition(fen);
    std::memset(&PBlock.report, 0, sizeof PBlock.report);
    return EvalAt(1);
}

static char SwapCase(char ch) {
    if (ch >= 'a' && ch <= 'z') return char(ch - 'a' + 'A');
    if (ch >= 'A' && ch <= 'Z') return char(ch - 'A' + 'a');
    return ch;
}

std::string MirrorFen(const std::string& fen) {
    char fields[4][100] = {};
    std::sscanf(fen.c_str(), "%99s %99s %99s %99s", fields[0], fields[1], fields[2], fields[3]);
    char ranks[8][20] = {};
    int n = 0, len = 0;
    for (const char* p = fields[0]; *p && n < 8; p++) {
        if (*p == '/') {
            n++, len = 0;
            continue;
        }
        if (len < 19) ranks[n][len++] = SwapCase(*p);
    }
    char out[200];
    int o = 0;
    for (int i = n; i >= 0; i--) {
        for (const char* p = ranks[i]; *p; p++) out[o++] = *p;
        if (i) out[o++] = '/';
    }
    out[o] = 0;
    char cast[8] = "-";
    int c = 0;
    for (const char* p = fields[2]; *p && c < 4; p++)
        if (*p != '-') cast[c++] = SwapCase(*p), cast[c] = 0;
    char ep[4] = "-";
    if (fields[3][0] && fields[3][0] != '-') ep[0] = fields[3][0], ep[1] = char('9' - (fields[3][1] - '0')), ep[2] = 0;
    char buf[256];
    std::snprintf(buf, sizeof buf, "%s %c %s %s", out, fields[1][0] == 'w' ? 'b' : 'w', cast, ep);
    return buf;
}
