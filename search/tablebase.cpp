// Syzygy endgame tables through the Fathom library: opening and checking the
// files, the root probe and its move filter, and the probe inside the search.
#include "search/tablebase.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include "base/limits.h"
#include "base/relaxed.h"
#include "board/position.h"
#include "search/root.h"
#include "search/tablefile.h"

#ifdef VELL_SYZYGY
#include <tbprobe.h>
#endif

TbSettings tb_settings;
std::atomic<int> tb_cardinality{0};

namespace {

// Largest table found by the last successful opening; 0 when none is open.
int tb_largest;
std::atomic<uint64_t> hits[MAX_THREADS + 1];

// The root's verdict for the search that runs: the moves it keeps and what
// the root is worth. Written by the main thread before the threads start.
RootMoveSet keep_moves;
std::atomic<bool> root_probed{false};
std::atomic<int> root_score{0};

}  // namespace

const char* TbResultName(TbResult r) {
    static const char* const names[] = {"loss", "blessed loss", "draw", "cursed win", "win"};
    return names[int(r)];
}

bool TablebaseRootKeeps(uint16_t move) { return keep_moves.Allows(move); }

bool TablebaseRootScore(int* score) {
    if (!root_probed.load(R)) return false;
    *score = root_score.load(R);
    return true;
}

uint64_t TablebaseHits() {
    uint64_t sum = 0;
    for (const auto& h : hits) sum += h.load(R);
    return sum;
}

void TablebaseLimitChanged() { tb_cardinality.store(std::min(tb_largest, tb_settings.probe_limit.load(R)), R); }

#ifndef VELL_SYZYGY

bool TablebaseSupported() { return false; }
bool TablebaseInit(const char*, char* msg, size_t size) {
    std::snprintf(msg, size, "this build has no tablebase support");
    return false;
}
bool TablebaseCheck(char* msg, size_t size) {
    std::snprintf(msg, size, "this build has no tablebase support");
    return false;
}
void PrepareTablebaseRoot(const Position*) {}
bool ProbeWdl(const Position*, int, int, int*) { return false; }
bool ProbeRootTable(Position*, TbResult*, int*, TbMoveResult*, int*) { return false; }

#else

namespace {

// The packaged library maps each table on its first probe and keeps no lock
// of its own (it calls no locking function and holds no atomic instruction),
// so two threads touching a new table at once would both map it. Every call
// into it takes this mutex; probes are rare enough (zeroing moves with few
// pieces) that the threads seldom meet here.
std::mutex tb_mutex;

// The library's view of a position: side sets, piece sets, en-passant square
// (0 for none) and the side to move.
struct TbPos {
    uint64_t white, black, kings, queens, rooks, bishops, knights, pawns;
    unsigned ep;
    bool turn;
};

TbPos ToTb(const Position* pos) {
    auto both = [pos](int type) { return pos->bb[WHITE][type] | pos->bb[BLACK][type]; };
    return {pos->bb[WHITE][0], pos->bb[BLACK][0], both(KING),   both(QUEEN),
            both(ROOK),        both(BISHOP),      both(KNIGHT), both(PAWN),
            pos->ep == NO_SQ ? 0u : unsigned(pos->ep), pos->side == WHITE};
}

uint16_t FromTbMove(unsigned from, unsigned to, unsigned promotes) {
    static constexpr uint16_t promo[5] = {0, PROMO_Q, PROMO_R, PROMO_B, PROMO_N};
    return MakeMoveWord(int(from), int(to), promotes <= 4 ? promo[promotes] : 0);
}

bool EndsWith(const char* name, const char* suffix) {
    const size_t n = std::strlen(name), s = std::strlen(suffix);
    return n > s && !std::strcmp(name + n - s, suffix);
}

// Calls visit(folder, name, sound) for every table file of every folder in path.
template <class Visit>
void ScanFolders(const std::string& list, Visit visit) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        const std::string folder = list.substr(start, end - start);
        start = end + 1;
        if (folder.empty()) continue;
        DIR* dir = opendir(folder.c_str());
        if (!dir) continue;
        while (const dirent* e = readdir(dir)) {
            const bool wdl = EndsWith(e->d_name, ".rtbw");
            if (!wdl && !EndsWith(e->d_name, ".rtbz")) continue;
            visit(folder, std::string(e->d_name), TableFileSound(folder + "/" + e->d_name, wdl));
        }
        closedir(dir);
    }
}

// The library opens every table it finds in its path and cannot be told to
// leave one out, so it is given a private folder of links to the sound files
// alone; the links live until the next opening or the end of the engine.
std::string tb_path, link_dir;

void RemoveLinks() {
    if (link_dir.empty()) return;
    if (DIR* dir = opendir(link_dir.c_str())) {
        while (const dirent* e = readdir(dir))
            if (e->d_name[0] != '.') unlink((link_dir + "/" + e->d_name).c_str());
        closedir(dir);
    }
    rmdir(link_dir.c_str());
    link_dir.clear();
}

bool MakeLinkDir() {
    static bool registered = false;
    if (!registered) registered = !std::atexit(RemoveLinks);
    const char* tmp = std::getenv("TMPDIR");
    std::string name = std::string(tmp && tmp[0] ? tmp : "/tmp") + "/vell-tb-XXXXXX";
    if (!mkdtemp(name.data())) return false;
    link_dir = name;
    return true;
}

// Appends a line to msg (lines joined by '\n'); a line that would not fit
// whole before the room kept for the verdict is left out and counted.
constexpr size_t VERDICT_ROOM = 120;
static void AppendMessage(char* msg, size_t size, const char* fmt, const char* a, int* left_out = nullptr) {
    const size_t used = std::strlen(msg);
    const size_t need = size_t(std::snprintf(nullptr, 0, fmt, a));
    const size_t room = left_out ? (size > VERDICT_ROOM ? size - VERDICT_ROOM : 0) : size;
    if (used + need < room)
        std::snprintf(msg + used, size - used, fmt, a);
    else if (left_out)
        ++*left_out;
}

// "N more damaged files" when some damaged file had no room of its own.
void AppendLeftOut(char* msg, size_t size, int left_out) {
    const size_t used = std::strlen(msg);
    if (left_out && used + 1 < size) std::snprintf(msg + used, size - used, "%d more damaged files\n", left_out);
}

// The library's tb_free leaves it unable to open tables again and its tb_init
// with an empty path frees them but keeps TB_LARGEST, so closing only stops
// the probing; the next opening lets go of the old tables.
void CloseTables() {
    tb_largest = 0;
    tb_cardinality.store(0, R);
}

// tb_init lets go of the tables opened before and prints a line to stderr for
// each one it never mapped; those lines mean nothing to a user.
bool InitQuietly(const char* path) {
    std::fflush(stderr);
    const int saved = dup(2), null = open("/dev/null", O_WRONLY);
    if (saved >= 0 && null >= 0) dup2(null, 2);
    const bool ok = tb_init(path);
    std::fflush(stderr);
    if (saved >= 0 && null >= 0) dup2(saved, 2);
    if (saved >= 0) close(saved);
    if (null >= 0) close(null);
    return ok;
}

// Whether a position repeated since the last capture or pawn move: the DTZ
// ranking then cannot count on the full fifty moves.
bool RepeatedSinceZeroing(const Position* pos) {
    const int n = std::min<int>(pos->fifty, pos->nhist);
    uint64_t keys[HIST_SIZE + 1];
    keys[0] = pos->hash;
    for (int i = 1; i <= n; i++) keys[i] = pos->hist[pos->nhist - i].hash;
    for (int i = 0; i <= n; i++)
        for (int j = i + 2; j <= n; j += 2)
            if (keys[i] == keys[j]) return true;
    return false;
}

bool Probeable(const Position* pos) {
    const int limit = tb_cardinality.load(R);
    return limit > 0 && pos->castle == 0 && __builtin_popcountll(Occupied(*pos)) <= limit;
}

// Large, and used by the main thread alone.
TbRootMoves root_moves;

}  // namespace

bool TablebaseSupported() { return true; }

bool TablebaseInit(const char* path, char* msg, size_t size) {
    CloseTables();
    RemoveLinks();
    msg[0] = 0;
    tb_path.clear();
    if (!path[0] || !std::strcmp(path, "<empty>")) {
        std::snprintf(msg, size, "no tablebases in use");
        return true;
    }
    int files = 0, damaged = 0, left_out = 0;
    bool linked = true;
    ScanFolders(path, [&](const std::string& folder, const std::string& name, bool sound) {
        const std::string file = folder + "/" + name;
        if (!sound) {
            damaged++;
            AppendMessage(msg, size, "damaged tablebase file %.200s\n", file.c_str(), &left_out);
            return;
        }
        if (link_dir.empty() && !MakeLinkDir()) linked = false;
        char* target = realpath(file.c_str(), nullptr);
        // A table found again in a later folder is the same table: the first one counts.
        if (linked && target && symlink(target, (link_dir + "/" + name).c_str()) == 0) files++;
        std::free(target);
    });
    AppendLeftOut(msg, size, left_out);
    if (!linked) {
        RemoveLinks();
        AppendMessage(msg, size, "can't make a folder for the tablebase links in %.200s", "TMPDIR or /tmp");
        return false;
    }
    if (files == 0) {
        AppendMessage(msg, size, damaged ? "no sound tablebase files in %.200s" : "no tablebase files in %.200s",
                      path);
        RemoveLinks();
        return false;
    }
    std::lock_guard<std::mutex> guard(tb_mutex);
    if (!InitQuietly(link_dir.c_str()) || TB_LARGEST == 0) {
        AppendMessage(msg, size, "no usable tablebases in %.200s", path);
        RemoveLinks();
        return false;
    }
    tb_path = path;
    tb_largest = int(TB_LARGEST);
    TablebaseLimitChanged();
    const size_t used = std::strlen(msg);
    if (used + 1 < size)
        std::snprintf(msg + used, size - used, "%d tablebase files, up to %d pieces", files, tb_largest);
    return true;
}

bool TablebaseCheck(char* msg, size_t size) {
    msg[0] = 0;
    if (tb_path.empty()) {
        std::snprintf(msg, size, "no tablebases in use");
        return false;
    }
    int files = 0, damaged = 0, left_out = 0;
    ScanFolders(tb_path, [&](const std::string& folder, const std::string& name, bool sound) {
        files++;
        if (sound) return;
        damaged++;
        AppendMessage(msg, size, "damaged tablebase file %.200s\n", (folder + "/" + name).c_str(), &left_out);
    });
    AppendLeftOut(msg, size, left_out);
    const size_t used = std::strlen(msg);
    if (used + 1 < size)
        std::snprintf(msg + used, size - used, "%d of %d tablebase files damaged", damaged, files);
    return damaged == 0;
}

bool ProbeWdl(const Position* pos, int ply, int draw_score, int* score) {
    if (!Probeable(pos)) return false;
    const TbPos t = ToTb(pos);
    unsigned r;
    {
        std::lock_guard<std::mutex> guard(tb_mutex);
        r = tb_probe_wdl(t.white, t.black, t.kings, t.queens, t.rooks, t.bishops, t.knights, t.pawns, 0, 0, t.ep,
                         t.turn);
    }
    if (r == TB_RESULT_FAILED) return false;
    std::atomic<uint64_t>& h = hits[pos->thread];
    h.store(h.load(R) + 1, R);
    const bool rule50 = tb_settings.rule50.load(R);
    if (r == TB_WIN || (r == TB_CURSED_WIN && !rule50))
        *score = TB_WIN_SCORE - ply;
    else if (r == TB_LOSS || (r == TB_BLESSED_LOSS && !rule50))
        *score = ply - TB_WIN_SCORE;
    else
        *score = draw_score;
    return true;
}

void PrepareTablebaseRoot(const Position* pos) {
    for (auto& h : hits) h.store(0, R);
    keep_moves.Set(nullptr, 0);
    root_probed.store(false, R);
    if (!Probeable(pos)) return;
    const TbPos t = ToTb(pos);
    const bool rule50 = tb_settings.rule50.load(R);
    {
        std::lock_guard<std::mutex> guard(tb_mutex);
        // Without the DTZ tables the WDL tables still rank the moves, only
        // without the distance to zeroing.
        if (!tb_probe_root_dtz(t.white, t.black, t.kings, t.queens, t.rooks, t.bishops, t.knights, t.pawns,
                               pos->fifty, 0, t.ep, t.turn, RepeatedSinceZeroing(pos), rule50, &root_moves) &&
            !tb_probe_root_wdl(t.white, t.black, t.kings, t.queens, t.rooks, t.bishops, t.knights, t.pawns,
                               pos->fifty, 0, t.ep, t.turn, rule50, &root_moves))
            return;
    }
    // The best rank among the moves the search may play at all.
    int best = INT32_MIN, best_score = 0, n = 0;
    for (unsigned i = 0; i < root_moves.size; i++) {
        const TbRootMove& m = root_moves.moves[i];
        const uint16_t move = FromTbMove(TB_MOVE_FROM(m.move), TB_MOVE_TO(m.move), TB_MOVE_PROMOTES(m.move));
        if (!RootMoveAllowed(move)) continue;
        if (m.tbRank > best) best = m.tbRank, best_score = m.tbScore;
    }
    if (best == INT32_MIN) return;
    uint16_t keep[MAX_ROOT_MOVES];
    for (unsigned i = 0; i < root_moves.size && n < MAX_ROOT_MOVES; i++) {
        const TbRootMove& m = root_moves.moves[i];
        const uint16_t move = FromTbMove(TB_MOVE_FROM(m.move), TB_MOVE_TO(m.move), TB_MOVE_PROMOTES(m.move));
        if (m.tbRank == best && RootMoveAllowed(move)) keep[n++] = move;
    }
    hits[0].store(root_moves.size, R);
    // The library scores a win as its mate value less its longest mate; a
    // cursed win under the fifty-move rule gets a few centipawns: a draw.
    constexpr int win = TB_VALUE_MATE - TB_MAX_MATE_PLY - 1;
    root_score.store(best_score >= win ? TB_WIN_SCORE - 1 : best_score <= -win ? 1 - TB_WIN_SCORE : 0, R);
    keep_moves.Set(keep, n);
    root_probed.store(true, R);
}

bool ProbeRootTable(Position* pos, TbResult* wdl, int* dtz, TbMoveResult* moves, int* nmoves) {
    *nmoves = 0;
    if (tb_largest == 0 || pos->castle || __builtin_popcountll(Occupied(*pos)) > tb_largest) return false;
    const TbPos t = ToTb(pos);
    static unsigned results[TB_MAX_MOVES];
    unsigned r;
    {
        std::lock_guard<std::mutex> guard(tb_mutex);
        r = tb_probe_root(t.white, t.black, t.kings, t.queens, t.rooks, t.bishops, t.knights, t.pawns, pos->fifty,
                          0, t.ep, t.turn, results);
    }
    if (r == TB_RESULT_FAILED) return false;
    *wdl = TbResult(TB_GET_WDL(r));
    *dtz = int(TB_GET_DTZ(r));
    // The library calls a checkmate a win; the side to move has lost.
    if (r == TB_RESULT_CHECKMATE) *wdl = TbResult::Loss;
    if (r == TB_RESULT_CHECKMATE || r == TB_RESULT_STALEMATE) return true;
    for (int i = 0; i < TB_MAX_MOVES && results[i] != TB_RESULT_FAILED && *nmoves < 256; i++)
        moves[(*nmoves)++] = {FromTbMove(TB_GET_FROM(results[i]), TB_GET_TO(results[i]), TB_GET_PROMOTES(results[i])),
                              TbResult(TB_GET_WDL(results[i])), int(TB_GET_DTZ(results[i]))};
    return true;
}

#endif
