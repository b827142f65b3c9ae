// The check of a Syzygy table file before the prober opens it: its header is
// walked as the prober will walk it, and the blocks it describes must end
// where the file ends, less the 16 bytes of checksum. A file cut short or
// damaged in its header fails here, where the prober would read past its end.
#include "search/tablefile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr unsigned char MAGIC_WDL[4] = {0x71, 0xe8, 0x23, 0x5d};
constexpr unsigned char MAGIC_DTZ[4] = {0xd7, 0x66, 0x0c, 0xa5};
constexpr int MAX_PIECES = 7;
constexpr size_t FIRST_READ = 64 * 1024;  // headers of small tables fit, large ones read on
constexpr uint64_t MAX_INDEX_READ = 16 << 20;

// The ways of placing the leading pawns, by their count and the file of the
// first: the squares in the order the tables number them.
constexpr unsigned char PTWIST[64] = {
    0,  0,  0,  0,  0,  0,  0,  0,  47, 35, 23, 11, 10, 22, 34, 46, 45, 33, 21, 9,  8,  20,
    32, 44, 43, 31, 19, 7,  6,  18, 30, 42, 41, 29, 17, 5,  4,  16, 28, 40, 39, 27, 15, 3,
    2,  14, 26, 38, 37, 25, 13, 1,  0,  12, 24, 36, 0,  0,  0,  0,  0,  0,  0,  0};
constexpr unsigned char INVFLAP[24] = {8,  16, 24, 32, 40, 48, 9,  17, 25, 33, 41, 49,
                                       10, 18, 26, 34, 42, 50, 11, 19, 27, 35, 43, 51};
// The placements of the king pair with one or two more unique pieces, and of
// the king pair alone.
constexpr uint64_t PIVFAC[3] = {31332, 28056, 462};

constexpr uint64_t Binomial(int n, int k) {
    if (k < 0 || k > n) return 0;
    uint64_t r = 1;
    for (int i = 1; i <= k; i++) r = r * uint64_t(n - k + i) / uint64_t(i);
    return r;
}

uint64_t PawnFactor(int leading, int file) {
    uint64_t s = 0;
    for (int j = 6 * file; j < 6 * file + 6; j++) s += leading == 1 ? 1 : Binomial(PTWIST[INVFLAP[j]], leading - 1);
    return s;
}

// The file's bytes, read as far as the walk asks.
struct Reader {
    FILE* f;
    uint64_t size;
    std::vector<unsigned char> bytes;
    bool Have(uint64_t end) {
        if (end > size) return false;
        if (end <= bytes.size()) return true;
        const size_t old = bytes.size();
        const size_t want = size_t(std::min<uint64_t>(size, std::max<uint64_t>(end, 2 * old + FIRST_READ)));
        bytes.resize(want);
        return std::fread(bytes.data() + old, 1, want - old, f) == want - old;
    }
    int At(uint64_t at) { return Have(at + 1) ? bytes[at] : -1; }
    long Le(uint64_t at, int n) {
        if (!Have(at + uint64_t(n))) return -1;
        long v = 0;
        for (int i = n - 1; i >= 0; i--) v = v << 8 | bytes[at + uint64_t(i)];
        return v;
    }
};

// The number of positions a table numbers, from its piece order: one side's
// pieces (low or high nibbles) under the grouping rule of the encoding.
// From `from` on, each run of equal pieces counts at its first place.
void GroupRuns(const int* pieces, int num, int from, int* norm) {
    for (int i = from; i < num; i += norm[i])
        for (int j = i; j < num && pieces[j] == pieces[i]; j++) norm[i]++;
}

uint64_t PieceTableSize(const int* pieces, int num, int order, int enc) {
    int norm[MAX_PIECES] = {};
    norm[0] = enc == 0 ? 3 : 2;
    GroupRuns(pieces, num, norm[0], norm);
    uint64_t f = 1;
    int n = 64 - norm[0];
    for (int i = norm[0], k = 0; i < num || k == order; k++) {
        if (k == order) {
            f *= PIVFAC[enc];
        } else {
            f *= Binomial(n, norm[i]);
            n -= norm[i];
            i += norm[i];
        }
    }
    return f;
}

uint64_t PawnTableSize(const int* pieces, int num, const int* pawns, int order, int order2, int file) {
    int norm[MAX_PIECES] = {};
    norm[0] = pawns[0];
    if (pawns[1]) norm[pawns[0]] = pawns[1];
    GroupRuns(pieces, num, pawns[0] + pawns[1], norm);
    int i = norm[0];
    if (order2 < 0x0f) i += norm[i];
    int n = 64 - i;
    uint64_t f = 1;
    for (int k = 0; i < num || k == order || k == order2; k++) {
        if (k == order) {
            f *= PawnFactor(norm[0], file);
        } else if (k == order2) {
            f *= Binomial(48 - norm[0], norm[norm[0]]);
        } else {
            f *= Binomial(n, norm[i]);
            n -= norm[i];
            i += norm[i];
        }
    }
    return f;
}

// One compressed table's description: the sizes of its index, its block
// sizes and its blocks; false when the header is cut short.
struct Part {
    uint64_t index = 0, sizes = 0, blocks = 0;  // bytes
    uint64_t positions = 0, real_blocks = 0, all_blocks = 0;
    int flags = 0, idxbits = 0;
};

// The lengths of the codes: for each length the first symbol of that length
// (counting down), from which the prober builds its decoding bases. Symbols
// beyond the table, or more codes than a length holds, would send its
// decoder past the symbols.
bool LengthsSound(Reader& r, uint64_t at, int h, int min_len, long syms) {
    if (min_len > 32 || h > 64 || !r.Have(at + 2 * uint64_t(h))) return false;
    uint64_t base = 0;  // of the longer length, before shifting
    long longer = -1;
    for (int i = h - 1; i >= 0; i--) {
        const long first = r.Le(at + 2 * uint64_t(i), 2);
        if (first > syms || (longer >= 0 && first < longer)) return false;
        if (longer >= 0) {
            const uint64_t twice = base + uint64_t(first - longer);
            if (twice & 1) return false;
            base = twice / 2;
        }
        longer = first;
    }
    return (uint64_t(1) << min_len) - std::min(base, uint64_t(1) << min_len) <= uint64_t(syms - longer);
}

// The index of a table: for every 2^idxbits positions, a block and an offset
// from which the prober counts along the block sizes to the position's block.
// Every count must stay within the blocks.
bool IndexSound(Reader& r, uint64_t index_at, uint64_t sizes_at, const Part& p) {
    if (!r.Have(sizes_at + 2 * p.all_blocks)) return false;
    const unsigned char* sizes = r.bytes.data() + sizes_at;
    auto size_of = [sizes](uint64_t b) { return long(sizes[2 * b] | sizes[2 * b + 1] << 8); };
    const uint64_t entries = p.index / 6, span = uint64_t(1) << p.idxbits;
    const long half = long(span / 2);
    for (uint64_t e = 0; e < entries; e++) {
        const unsigned char* x = r.bytes.data() + index_at + 6 * e;
        uint64_t block = uint64_t(x[0]) | uint64_t(x[1]) << 8 | uint64_t(x[2]) << 16 | uint64_t(x[3]) << 24;
        const long offset = long(x[4] | x[5] << 8);
        // An entry may name a block of the padding after the last one; the
        // count back from it must end in a block of the table.
        if (block >= p.all_blocks) return false;
        // The first and the last position this entry serves.
        const uint64_t last = std::min(span, p.positions - e * span) - 1;
        for (const long start : {offset - half, offset - half + long(last)}) {
            long lit = start;
            uint64_t b = block;
            while (lit < 0) {
                if (b == 0) return false;
                lit += size_of(--b) + 1;
            }
            while (lit > size_of(b)) {
                lit -= size_of(b++) + 1;
                if (b >= p.all_blocks) return false;
            }
            if (b >= p.real_blocks) return false;
        }
    }
    return true;
}

// The symbols of a table: each a value, or a pair of two others that the
// prober's decoder follows down to values. A pair naming a symbol that is not
// there, or a loop of pairs, would send the prober out of its tables.
bool SymbolsSound(Reader& r, uint64_t at, int syms) {
    constexpr int LEAF = 0xfff, MAX_SYMBOLS = 4096;
    if (syms > MAX_SYMBOLS || !r.Have(at + 3 * uint64_t(syms))) return false;
    const unsigned char* pat = r.bytes.data() + at;
    auto left = [pat](int s) { return (pat[3 * s + 1] & 0xf) << 8 | pat[3 * s]; };
    auto right = [pat](int s) { return pat[3 * s + 2] << 4 | pat[3 * s + 1] >> 4; };
    // Depth-first, without recursion: 0 unseen, 1 on the path, 2 done.
    unsigned char state[MAX_SYMBOLS] = {};
    int stack[MAX_SYMBOLS];
    for (int root = 0; root < syms; root++) {
        if (state[root]) continue;
        int depth = 0;
        stack[depth++] = root;
        state[root] = 1;
        while (depth) {
            const int s = stack[depth - 1];
            int next = -1;
            if (right(s) != LEAF) {
                for (const int k : {left(s), right(s)}) {
                    if (k >= syms || state[k] == 1) return false;
                    if (!state[k]) {
                        next = k;
                        break;
                    }
                }
            }
            if (next < 0) {
                state[s] = 2;
                depth--;
            } else {
                state[next] = 1;
                stack[depth++] = next;
            }
        }
    }
    return true;
}

bool ReadPairs(Reader& r, uint64_t* at, uint64_t positions, Part* part) {
    const int flags = r.At(*at);
    if (flags < 0) return false;
    part->flags = flags;
    if (flags & 0x80) {  // one value for every position
        *at += 2;
        return true;
    }
    const int blocksize = r.At(*at + 1), idxbits = r.At(*at + 2), extra = r.At(*at + 3);
    const long real = r.Le(*at + 4, 4);
    const int max_len = r.At(*at + 8), min_len = r.At(*at + 9);
    if (blocksize < 0 || idxbits < 0 || extra < 0 || real < 0 || max_len < min_len || min_len < 0 ||
        blocksize > 32 || idxbits > 62)
        return false;
    const int h = max_len - min_len + 1;
    const long syms = r.Le(*at + 10 + 2 * uint64_t(h), 2);
    if (syms < 0 || !LengthsSound(r, *at + 10, h, min_len, syms) ||
        !SymbolsSound(r, *at + 12 + 2 * uint64_t(h), int(syms)))
        return false;
    part->index = 6 * ((positions + (uint64_t(1) << idxbits) - 1) >> idxbits);
    part->sizes = 2 * (uint64_t(real) + uint64_t(extra));
    part->blocks = uint64_t(real) << blocksize;
    part->positions = positions;
    part->real_blocks = uint64_t(real);
    part->all_blocks = uint64_t(real) + uint64_t(extra);
    part->idxbits = idxbits;
    *at += 12 + 2 * uint64_t(h) + 3 * uint64_t(syms) + uint64_t(syms & 1);
    return true;
}

uint64_t Align(uint64_t at, uint64_t to) { return (at + to - 1) & ~(to - 1); }

enum class Layout { Sound, Damaged, Unchecked };

// The pieces a header lists for each side's table (1 to 6 pawn to king of
// the first side of the name, 9 to 14 of the second) must be those of the
// file's name; the prober stops the engine on a piece it cannot find.
bool PiecesMatch(const int* pieces, int num, const int (*pieces_of)[16]) {
    int count[16] = {};
    for (int i = 0; i < num; i++) count[pieces[i] & 15]++;
    for (int t = 0; t < 6; t++)
        if (count[t + 1] != pieces_of[0][t] || count[t + 9] != pieces_of[1][t]) return false;
    return true;
}

// One side's pieces (low nibbles for the first table, high for the second),
// listed from at; false when cut short or not the name's pieces.
bool ReadPieces(Reader& r, uint64_t at, int num, int s, const int (*pieces_of)[16], int* pieces) {
    for (int i = 0; i < num; i++) {
        const int b = r.At(at + uint64_t(i));
        if (b < 0) return false;
        pieces[i] = (b >> (4 * s)) & 0x0f;
    }
    return PiecesMatch(pieces, num, pieces_of);
}

// name: the material, as "KRPvKR".
Layout Walk(Reader& r, const char* name, bool wdl) {
    int pieces_of[2][16] = {}, num = 0;
    int side = 0;
    for (const char* c = name; *c; c++) {
        if (*c == 'v') {
            side = 1;
            continue;
        }
        const char* kinds = "PNBRQK";
        const char* k = std::strchr(kinds, *c);
        if (!k || num == MAX_PIECES) return Layout::Unchecked;
        pieces_of[side][k - kinds]++;
        num++;
    }
    // The kind byte: whether pawns are in, and whether each side to move has
    // a table of its own (all but a material against itself).
    const int header = r.At(4);
    const bool symmetric = std::memcmp(pieces_of[0], pieces_of[1], sizeof pieces_of[0]) == 0;
    const bool pawns_in = pieces_of[0][0] + pieces_of[1][0] > 0;
    if (header < 0 || bool(header & 1) == symmetric || bool(header & 2) != pawns_in) return Layout::Damaged;
    const bool split = header & 1;
    const int files = header & 2 ? 4 : 1;
    uint64_t at = 5;
    Part parts[8];
    int nparts = 0;
    const int sides = wdl ? 2 : 1;
    if (!pawns_in) {
        int unique = 0;
        for (auto& s : pieces_of)
            for (int n : s) unique += n == 1;
        const int enc = unique >= 3 ? 0 : 2;
        uint64_t positions[2] = {};
        for (int s = 0; s < sides; s++) {
            int pieces[MAX_PIECES];
            const int order = r.At(at);
            if (order < 0 || !ReadPieces(r, at + 1, num, s, pieces_of, pieces)) return Layout::Damaged;
            positions[s] = PieceTableSize(pieces, num, (order >> (4 * s)) & 0x0f, enc);
        }
        at += uint64_t(num) + 1;
        at += at & 1;
        for (int t = 0; t < (wdl && split ? 2 : 1); t++)
            if (!ReadPairs(r, &at, positions[t], &parts[nparts++])) return Layout::Damaged;
    } else {
        int pawns[2] = {pieces_of[0][0], pieces_of[1][0]};
        if (pawns[1] > 0 && (pawns[0] == 0 || pawns[1] < pawns[0])) std::swap(pawns[0], pawns[1]);
        const int skip = 1 + (pawns[1] > 0);
        uint64_t positions[4][2] = {};
        for (int f = 0; f < 4; f++) {
            for (int s = 0; s < sides; s++) {
                int pieces[MAX_PIECES];
                const int order = r.At(at), order2 = pawns[1] ? r.At(at + 1) : 0xff;
                if (order < 0 || order2 < 0 || !ReadPieces(r, at + uint64_t(skip), num, s, pieces_of, pieces))
                    return Layout::Damaged;
                positions[f][s] = PawnTableSize(pieces, num, pawns, (order >> (4 * s)) & 0x0f,
                                                pawns[1] ? (order2 >> (4 * s)) & 0x0f : 0x0f, f);
            }
            at += uint64_t(num + skip);
        }
        at += at & 1;
        for (int f = 0; f < files; f++)
            for (int t = 0; t < (wdl && split ? 2 : 1); t++)
                if (!ReadPairs(r, &at, positions[f][t], &parts[nparts++])) return Layout::Damaged;
    }
    if (!wdl) {
        // The maps from stored values to distances; the wide form of the
        // largest tables is left to the prober's own reading.
        for (int p = 0; p < nparts; p++) {
            if (!(parts[p].flags & 2)) continue;
            if (parts[p].flags & 16) return Layout::Unchecked;
            for (int i = 0; i < 4; i++) {
                const int n = r.At(at);
                if (n < 0) return Layout::Damaged;
                at += 1 + uint64_t(n);
            }
        }
        at += at & 1;
    }
    // Each step is bounded by the file, so no sum of a made-up header wraps.
    uint64_t index_at[8], sizes_at[8];
    for (int p = 0; p < nparts; p++) {
        index_at[p] = at;
        if ((at += std::min(parts[p].index, r.size)) > r.size) return Layout::Damaged;
    }
    for (int p = 0; p < nparts; p++) {
        sizes_at[p] = at;
        if ((at += std::min(parts[p].sizes, r.size)) > r.size) return Layout::Damaged;
    }
    // The index and the block sizes are read whole where they are small (the
    // tables of up to five pieces); the prober's own reading covers the rest.
    if (at <= MAX_INDEX_READ)
        for (int p = 0; p < nparts; p++)
            if (parts[p].index && !IndexSound(r, index_at[p], sizes_at[p], parts[p])) return Layout::Damaged;
    for (int p = 0; p < nparts; p++)
        if ((at = Align(at, 64) + std::min(parts[p].blocks, r.size)) > r.size) return Layout::Damaged;
    return Align(at, 64) + 16 == r.size ? Layout::Sound : Layout::Damaged;
}

}  // namespace

bool TableFileSound(const std::string& file, bool wdl) {
    struct stat st;
    if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size % 64 != 16) return false;
    FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return false;
    Reader r{f, uint64_t(st.st_size), {}};
    bool sound = r.Have(4) && !std::memcmp(r.bytes.data(), wdl ? MAGIC_WDL : MAGIC_DTZ, 4);
    if (sound) {
        const size_t slash = file.find_last_of('/');
        std::string name = file.substr(slash == std::string::npos ? 0 : slash + 1);
        name = name.substr(0, name.find('.'));
        sound = Walk(r, name.c_str(), wdl) != Layout::Damaged;
    }
    // A download that pre-allocated the file and stopped leaves zeros at the
    // end: no written checksum is all zeros.
    static constexpr unsigned char zeros[16] = {};
    unsigned char sum[16];
    sound = sound && std::fseek(f, -16, SEEK_END) == 0 && std::fread(sum, 1, 16, f) == 16 &&
            std::memcmp(sum, zeros, 16);
    std::fclose(f);
    return sound;
}
