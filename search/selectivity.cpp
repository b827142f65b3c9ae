// Selectivity defaults, the depth names the console sets, and the reduction
// tables.
#include "search/selectivity.h"

#include <algorithm>
#include <cstring>
#include <iterator>

SelectivityRec Selectivity;

static const DepthDesc depth_params[] = {
    {"NMP_depth", &Selectivity.NMP_depth, 3, 3}, {"RP_depth", &Selectivity.RP_depth, 2, 2},
    {"CNP_depth", &Selectivity.CNP_depth, 3, 3}, {"FP_depth", &Selectivity.FP_depth, 3, 3},
    {"LMP_depth", &Selectivity.LMP_depth, 4, 4}, {"LMR_depth", &Selectivity.LMR_depth, 3, 4},
};
constexpr int NUM_DEPTHS = int(sizeof depth_params / sizeof depth_params[0]);

int NumDepthParams() { return NUM_DEPTHS; }

const DepthDesc* DepthParam(int i) { return i >= 0 && i < NUM_DEPTHS ? &depth_params[i] : nullptr; }

const DepthDesc* FindDepthParam(const char* name) {
    if (!name) return nullptr;
    for (const DepthDesc& d : depth_params)
        if (std::strcmp(d.name, name) == 0) return &d;
    return nullptr;
}

void ResetSelectivity() {
    for (const DepthDesc& d : depth_params) *d.field = d.reset;
}

void SetSelectivityDefaults() {
    static constexpr int8_t lmp_moves[8] = {2, 3, 5, 8, 13, 20, 27, 36};
    std::memset(&Selectivity, 0, sizeof Selectivity);
    for (const DepthDesc& d : depth_params) *d.field = d.def;
    for (int d = 0; d < 8; d++) {
        Selectivity.RP_margin[d] = int16_t(100 + 75 * d);
        Selectivity.CNP_margin[d] = int16_t(75 * d);
        Selectivity.FP_margin[d] = int16_t(75 + 75 * d);
        Selectivity.LMP_moves[d] = lmp_moves[d];
    }
    InitReductions();
}

void InitReductions() {
    for (int d = 0; d < int(std::size(Selectivity.LMR_reduction)); d++)
        for (int m = 0; m < int(std::size(Selectivity.LMR_reduction[0])); m++) {
            int r = 0, rpv = 0;
            if (d > 2) {
                r = (d + m) / 12 + 1;
                if (d - r - 1 <= 0) r = d - 2;
                r = std::min(r, 3);
                rpv = (2 * d + m) / 20;
                if (d - rpv <= 2) rpv = d - 3;
                rpv = std::min(rpv, 2);
            }
            Selectivity.LMR_reduction[d][m] = int8_t(r);
            Selectivity.LMR_reduction_pv[d][m] = int8_t(rpv);
        }
}
