// The slider attack tables with their multipliers, and compile-time spot
// checks of the constant tables.
#include "board/bitboard.h"

static_assert(BB_Between[0][63] == 0x0040201008040200ull, "a1-h8 diagonal");
static_assert(BB_Between[0][17] == 0 && BB_Between[0][8] == 0 && BB_Between[5][5] == 0);
static_assert(BB_KnightRays[0] == 0x0000000000020400ull);
static_assert(BB_PawnRays[0][12] == 0x0000000000280000ull && BB_PawnRays[1][12] == 0x28ull);
static_assert(BB_North[7] == 0 && BB_South[0] == 0 && BB_South[1] == 0xFF);
static_assert(BB_AdjacentSquares[0] == 2 && BB_AdjacentSquares[7] == 0x40);

// Multipliers that map every blocker subset of a square's rays to a slot of
// its own (or to one shared with a subset of the same attacks), found by a
// random search offline.
static const uint64_t kRookMagic[64] = {
    0x1080004008801020ull, 0x0840092002C03000ull, 0x1900200010400900ull, 0x0880100008000480ull,
    0x4200100420080200ull, 0x8100020100080400ull, 0x0200040110886200ull, 0x0200008040220411ull,
    0x0404800084400220ull, 0x0000401000402000ull, 0x0086001081220440ull, 0x0408800800100280ull,
    0x000A001201040820ull, 0x8848800200840080ull, 0x4001000100040200ull, 0x0442000102105084ull,
    0x9080010020804100ull, 0x0040404000201009ull, 0x0000808010002009ull, 0x2200090021D00100ull,
    0x0008008008040080ull, 0x0004004002010040ull, 0x0011040008015042ull, 0x00000A0001768104ull,
    0x0000800080204009ull, 0x2010004140002001ull, 0x9800200280100080ull, 0x1000100080080080ull,
    0x0442000A00049020ull, 0x2100040080020080ull, 0x0800120400900148ull, 0x0010040A00128541ull,
    0x2800804000800030ull, 0x1010002000400041ull, 0x4000200011004100ull, 0x0610008410800800ull,
    0x0400802402800800ull, 0xC100020080800400ull, 0x0002000802000401ull, 0x0182085882000401ull,
    0x0220204000808000ull, 0x2860100040024022ull, 0x0001002004110040ull, 0x99101042000A0020ull,
    0x0004080004008080ull, 0x0010040002008080ull, 0x2012004881020004ull, 0x8300842444820011ull,
    0x0088403882010200ull, 0x0820400080210100ull, 0x0110910040A00300ull, 0x0801100280080480ull,
    0x0242009008200600ull, 0x1002000489500200ull, 0x0040800200010080ull, 0x0091800041000080ull,
    0x0000209300488001ull, 0x04C1002414824001ull, 0x020020000B001041ull, 0x7000100004200901ull,
    0x8002002004100802ull, 0x30010002084C0007ull, 0x0888221800813004ull, 0x4000002840840112ull,
};
static const uint64_t kBishopMagic[64] = {
    0xA010041108003100ull, 0x006082020A002900ull, 0x6810010619200000ull, 0x08281A0520000408ull,
    0x0001104001000400ull, 0x0018901008048400ull, 0x00040A0210245280ull, 0x000200210808A402ull,
    0x9140048410821200ull, 0x0800091010820041ull, 0x20504804832202C0ull, 0x0100091401081000ull,
    0x8021011140000012ull, 0x0810020804450400ull, 0x208B0542109008A2ull, 0x0080084A08040204ull,
    0x0040E2A80811244Cull, 0x2505022008008108ull, 0x0430220100420040ull, 0x010A040420220040ull,
    0x1105000290400000ull, 0x0093001200822120ull, 0x4000A62048043004ull, 0x280120048A015004ull,
    0x006090002A020814ull, 0x44042000240800D0ull, 0x01102800040A4400ull, 0x1004080080220040ull,
    0x0001001011004024ull, 0x0010044000805040ull, 0x0914041200820100ull, 0x0004821012821480ull,
    0x0024040500C05021ull, 0x0088611002080200ull, 0x0116080A00040020ull, 0x4000020080080080ull,
    0x2450450140840040ull, 0x0000880201484100ull, 0x0222020404020092ull, 0x8081110600002E00ull,
    0x2842101105000801ull, 0x1100809008001025ull, 0x00020202221C0400ull, 0x0422014022009020ull,
    0x0210046102100C00ull, 0xC004008082029102ull, 0x00AA461801101200ull, 0x0404080080201108ull,
    0x020542108C205002ull, 0x0410544804100100ull, 0x0040910841100000ull, 0x0400200042021100ull,
    0x00004204850400C0ull, 0x0200100410A42102ull, 0x1040020801210102ull, 0x0805040410420000ull,
    0x2884804130100200ull, 0x800C262201242000ull, 0x1058000194108800ull, 0x0014221054420204ull,
    0x0104000012A02200ull, 0x0200881003300100ull, 0x0140400202840100ull, 0x0402020801010201ull,
};

SliderMagic rook_magic[64], bishop_magic[64];
static uint64_t slider_table[102400 + 5248];

// Ray attacks the slow way, for filling the tables.
static uint64_t WalkRays(int sq, uint64_t occ, const SqTable* const rays[4]) {
    uint64_t a = 0;
    for (int d = 0; d < 4; d++) {
        uint64_t r = (*rays[d])[sq];
        bool up = d < 2;
        if (uint64_t b = r & occ) r ^= (*rays[d])[up ? LSB(b) : MSB(b)];
        a |= r;
    }
    return a;
}

static uint64_t* FillSlider(SliderMagic* m, const uint64_t* magics, const SqTable* const rays[4], uint64_t* t) {
    for (int sq = 0; sq < 64; sq++) {
        // A blocker on the board edge changes nothing: the ray ends there anyway.
        uint64_t edges = ((0x00000000000000FFull | 0xFF00000000000000ull) & ~(0xFFull << (8 * (sq >> 3)))) |
                         ((0x0101010101010101ull | 0x8080808080808080ull) & ~(0x0101010101010101ull << (sq & 7)));
        uint64_t mask = WalkRays(sq, 0, rays) & ~edges;
        int bits = CountBits(mask);
        m[sq] = SliderMagic{t, mask, magics[sq], 64 - bits};
        uint64_t sub = 0;
        do {
            t[SliderIndex(m[sq], sub)] = WalkRays(sq, sub, rays);
            sub = (sub - mask) & mask;
        } while (sub);
        t += uint64_t(1) << bits;
    }
    return t;
}

void InitBitboards() {
    static const SqTable* const rook_rays[4] = {&BB_RayN, &BB_RayE, &BB_RayS, &BB_RayW};
    static const SqTable* const bishop_rays[4] = {&BB_RayNE, &BB_RayNW, &BB_RaySE, &BB_RaySW};
    uint64_t* t = FillSlider(rook_magic, kRookMagic, rook_rays, slider_table);
    FillSlider(bishop_magic, kBishopMagic, bishop_rays, t);
}

// Before main, so that no caller can see empty tables.
static const bool slider_tables_ready = (InitBitboards(), true);
