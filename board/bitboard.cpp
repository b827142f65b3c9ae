// Start-up hook of the square-set tables, and compile-time spot checks of them.
#include "board/bitboard.h"

static_assert(BB_Between[0][63] == 0x0040201008040200ull, "a1-h8 diagonal");
static_assert(BB_Between[0][17] == 0 && BB_Between[0][8] == 0 && BB_Between[5][5] == 0);
static_assert(BB_KnightRays[0] == 0x0000000000020400ull);
static_assert(BB_PawnRays[0][12] == 0x0000000000280000ull && BB_PawnRays[1][12] == 0x28ull);
static_assert(BB_North[7] == 0 && BB_South[0] == 0 && BB_South[1] == 0xFF);
static_assert(BB_AdjacentSquares[0] == 2 && BB_AdjacentSquares[7] == 0x40);

void InitBitboards() {}
