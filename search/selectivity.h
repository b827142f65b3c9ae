// The search's own settings: the depths up to which it prunes, razors and
// reduces, their margins, and the late-move reduction tables built from them.
#pragma once
#include <cstdint>

struct SelectivityRec {
    int8_t RP_depth, CNP_depth, NMP_depth, FP_depth, LMP_depth, LMR_depth;
    int16_t RP_margin[8], CNP_margin[8], FP_margin[8];
    int8_t LMP_moves[8];
    int8_t LMR_reduction[70][32];  // [depth][moves searched, capped at 31]
    int8_t LMR_reduction_pv[70][32];
};

extern SelectivityRec Selectivity;

// The six selectivity depths the console "set" command changes by name.
struct DepthDesc {
    const char* name;
    int8_t* field;
    int8_t def;    // start-up value
    int8_t reset;  // value restored by "set" with an unknown name (LMR_depth 4, not 3)
};
int NumDepthParams();
const DepthDesc* DepthParam(int i);
const DepthDesc* FindDepthParam(const char* name);
void ResetSelectivity();

// Writes every default into Selectivity, the reduction tables included.
void SetSelectivityDefaults();
// Builds LMR_reduction and LMR_reduction_pv.
void InitReductions();
