// The evaluation weights (Personality), the name table the tuner and the
// console walk, and the tables built from them.
#pragma once
#include <cstdint>

struct PersonalityRec {
    int16_t pawn_value_op, pawn_value_en;
    int16_t knight_value_op, knight_value_en;
    int16_t bishop_value_op, bishop_value_en;
    int16_t rook_value_op, rook_value_en;
    int16_t queen_value_op, queen_value_en;
    int16_t bishop_pair;
    int16_t ppawn_r7;
    int16_t pawn_isolated, pawn_backward, pawn_doubled, pawn_weak, pawn_candidate;
    int16_t knight_mobility, knight_outpost;
    int16_t bishop_mobility, bishop_trapped;
    int16_t rook_mobility, rook_open_file, rook_half_open_file, rook_rank7, rook_trapped;
    int16_t queen_mobility, queen_rank7;
    int16_t king_centre_op, king_centre_en;
    int16_t pawn_shield, pawn_storm, king_safety;
    int16_t hung, pinned;
    int16_t contempt;
    int16_t tune;  // spare: the tuner accepts it, no term reads it
};

extern PersonalityRec Personality;

// A named 16-bit parameter: the tunable weights in tuning order (range > 0),
// followed by the spare "tune" (range 0). def is the start-up value.
struct ParamDesc {
    const char* name;
    int16_t* field;
    int16_t range;
    int16_t def;
};
// How many tunable weights there are (the table's length less the spare,
// checked where the table is), for tables sized before start-up.
constexpr int NUM_TUNABLE = 35;
int NumTunable();                        // the weights with a range, in tuning order
const ParamDesc* TunableParam(int i);    // 0 <= i < NumTunable(), else nullptr
const ParamDesc* FindParam(const char* name);  // a tunable weight or "tune"; nullptr if unknown

// Writes every default into Personality.
void SetPersonalityDefaults();
// Rebuilds every derived table below from Personality; run again after the
// table-feeding weights (ppawn_r7, the four mobility weights, king_centre_op,
// king_centre_en, king_safety) change.
void InitEval();

extern int16_t PawnOpening[64], PawnEnding[64];
extern int16_t KnightOpening[64], KnightEnding[64];
extern int16_t BishopOpening[64], BishopEnding[64];
extern int16_t RookOpening[64], RookEnding[64];
extern int16_t QueenOpening[64], QueenEnding[64];
extern int16_t KingOpening[64], KingEnding[64];
// A king's neighbours, best KingEnding first, ended by 64: the first one a
// king can step to is its best step.
extern uint8_t KingStepsBest[64][9];
extern int16_t KnightMobility[16], BishopMobility[16], RookMobility[16], QueenMobility[32];
extern int16_t PP_ADVANCE[8];
extern int16_t KingDanger[32];
extern uint8_t leftbit[256];   // lowest file of a file mask, 8 for none
extern int8_t rightbit[256];   // highest file, -1 for none
extern uint8_t islands[256];   // runs of adjacent files
