// The "ev" command: a depth-0 search fills the report fields, then the
// breakdown is printed and logged.
#include "eval/report.h"

#include <cstdio>
#include <cstring>

#include "engine/messages.h"
#include "search/records.h"
#include "search/root.h"
#include "search/timecontrol.h"

void ShowEvalInfo() {
    constexpr auto relaxed = std::memory_order_relaxed;
    std::memset(&PBlock.report, 0, sizeof PBlock.report);
    PBlock.report.draw_factor = 1.0;
    PBlock.draw_score[0].store(0, relaxed);
    PBlock.draw_score[1].store(0, relaxed);
    const int8_t depth = PBlock.max_depth.load(relaxed);
    PBlock.max_depth.store(0, relaxed);
    InitSearch();
    SearchIterations(1);
    PBlock.root_eval = ThreadData[1]->root_eval;
    PBlock.root_qscore = ThreadData[1]->result_score;
    PBlock.max_depth.store(depth, relaxed);

    static char text[4096];
    FormatEvalInfo(text, sizeof text);
    std::printf("%s\n", text);
    std::fflush(stdout);
    if (PBlock.log_on.load(relaxed) && fdlog) {
        std::fprintf(fdlog, "%s\n", text);
        std::fflush(fdlog);
    }
}
