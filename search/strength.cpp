// Limited playing strength. A weaker level searches fewer nodes, so it sees
// less far ahead, and it misjudges the root moves by a random amount that
// grows as the level falls, so it also picks the second or third best move
// now and then. Both grow smoothly with the level; the table is fitted to
// games against a reference engine (see bench/strength_match.sh).
#include "search/strength.h"

#include <algorithm>
#include <atomic>
#include <chrono>

#include "search/limits.h"
#include <cmath>
#include <cstdlib>

#include "base/control.h"
#include "base/relaxed.h"

namespace {

std::atomic<int> level{0};
std::atomic<uint32_t> seed{0x9e3779b9u};
std::atomic<int> spread{0};
std::atomic<bool> hold_answer{false};

struct Anchor {
    int elo;
    double nodes;  // per move, all threads together
    int spread;    // centipawns
};
constexpr double NO_BUDGET = 2000000;  // nodes: more than any clock of a game allows
// Between anchors the node budget is interpolated on a log scale. The top of
// the range is what full strength measured against the reference, so there
// the budget and the misjudgement end: the level is full strength but for
// the pause before the answer.
constexpr Anchor anchors[] = {
    {1350, 500, 170},
    {1500, 1300, 130},
    {2000, 60000, 30},
    {ELO_MAX, NO_BUDGET, 0},
};

Anchor AtLevel(int elo) {
    const int n = int(sizeof anchors / sizeof anchors[0]);
    if (elo <= anchors[0].elo) return anchors[0];
    for (int i = 1; i < n; i++) {
        const Anchor &a = anchors[i - 1], &b = anchors[i];
        if (elo > b.elo) continue;
        if (elo == b.elo) return b;  // exactly, so the top has no budget left
        const double f = double(elo - a.elo) / double(b.elo - a.elo);
        return {elo, std::exp(std::log(a.nodes) + f * (std::log(b.nodes) - std::log(a.nodes))),
                int(std::lround(a.spread + f * (b.spread - a.spread)))};
    }
    return anchors[n - 1];
}

uint32_t Mix(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

}  // namespace

void SetStrength(int elo) { level.store(elo == 0 ? 0 : std::clamp(elo, ELO_MIN, ELO_MAX), R); }

int StrengthElo() { return level.load(R); }

void LimitStrength(bool on) {
    const int elo = level.load(R);
    if (!on || elo == 0) {
        spread.store(0, R);
        hold_answer.store(false, R);
        return;
    }
    const Anchor a = AtLevel(elo);
    const uint64_t budget = uint64_t(a.nodes);
    const uint64_t asked = search_limits.nodes;
    // A depth or node count the user named ends the search, and the answer
    // is due then: the pause is for searches that the clock alone ends.
    hold_answer.store(asked == 0 && search_limits.depth >= MAX_DEPTH, R);
    if (a.nodes < NO_BUDGET && (asked == 0 || asked > budget)) search_limits.nodes = budget;
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    seed.store(Mix(seed.load(R) ^ uint32_t(now) ^ uint32_t(uint64_t(now) >> 32)), R);
    spread.store(a.spread, R);
}

int RootBias(uint16_t move) {
    const int s = spread.load(R);
    if (s == 0) return 0;
    return int(Mix(seed.load(R) ^ (uint32_t(move) * 0x9e3779b9u)) % uint32_t(s + 1));
}

double AnswerHold() {
    if (level.load(R) == 0 || !hold_answer.load(R)) return 0;
    // About the time a full-strength search would take; a search with no
    // real clock (infinite) does not wait.
    const double target = PBlock.target_time.load(R);
    if (!(target < 10000)) return 0;
    const double hold = std::min(0.85 * target, target - PBlock.overhead.load(R));
    return std::max(hold, 0.0);
}
