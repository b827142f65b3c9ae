// The parameter tuner: a shrinking-interval search over one 16-bit parameter,
// each trial measured by a depth-0 pass over "tune.epd".
#include "tools/tune.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "base/messages.h"
#include "base/platform.h"
#include "eval/params.h"
#include "search/batch.h"
#include "thread/records.h"
#include "tools/epd.h"

FILE* fdtune;

static constexpr auto rlx = std::memory_order_relaxed;

static void Say(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
static void Say(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::vprintf(fmt, ap);
    va_end(ap);
    std::fflush(stdout);
}

// The trial point: the middle of the larger half-interval around best, the
// upper one on a tie (division toward zero, as the 16-bit values are).
static int TrialValue(int lo, int best, int hi) {
    return hi - best >= best - lo ? (hi + best) / 2 : (lo + best) / 2;
}

static constexpr const char* TUNE_FILE = "tune.epd";

// Each trial is a quiet depth-0 pass over the positions of file.
static double TrialError(const char* file) {
    Limits limits = BatchLimits(0);
    limits.info_delay = SILENT_OUTPUT;
    return Analyze_EPD_File(file, limits);
}

int PTune(const char* file, const char* name, int16_t* param, int range) {
    const int16_t entry = *param;
    int best = entry;
    Say("%s= %d\n", name, best);
    double err = TrialError(file);
    int16_t lo = int16_t(best - range), hi = int16_t(best + range);
    const int w = range / 12 + 2;
    // Each trial lies strictly inside lo..hi, so the interval shrinks every
    // round and the loop ends whatever the errors are (NaN included).
    while (hi - lo > w && !PBlock.quit.load(rlx)) {
        int x = TrialValue(lo, best, hi);
        if (x == best) break;
        *param = int16_t(x);
        Say("%s= %d\n", name, x);
        double e = TrialError(file);
        if (e < err) {
            if (x < best)
                hi = int16_t(best);
            else
                lo = int16_t(best);
            best = x;
            err = e;
        } else if (x > best) {
            hi = int16_t(x);
        } else {
            lo = int16_t(x);
        }
        Say("best= %d, err= %0.5f, min= %d, max= %d\n\n", best, err, lo, hi);
    }
    // The tables derived from the parameters, and the cached scores, still
    // hold the last trial value.
    *param = entry;
    RefreshEvaluation();
    if (fdtune) {
        std::fprintf(fdtune, "%-24s  %4d  %0.5f\n", name, best, err);
        std::fflush(fdtune);
    }
    return best;
}

bool TTune(const char* name, const char* range) {
    int16_t* field = nullptr;
    if (const ParamDesc* p = FindParam(name))
        field = p->field;
    else if (std::strcmp(name, "tune") == 0)
        field = &Personality.tune;
    if (!field) {
        ShowMessagef("unknown parameter %s", name);
        return false;
    }
    char* end;
    errno = 0;
    long r = std::strtol(range, &end, 10);
    // best +- range must stay a 16-bit value for every parameter.
    if (end == range || *end || errno || r < 0 || r > 9999) {
        ShowMessagef("bad range %s", range);
        return false;
    }
    // Without its positions every value would be tried on an error of 1.0.
    if (!EpdFileThere(TUNE_FILE, ", nothing tuned")) return false;
    PTune(TUNE_FILE, name, field, int(r));
    return true;
}

void RunTuningPass() {
    // Nor would the last pass's log be overwritten with such a pass.
    if (!EpdFileThere(TUNE_FILE, ", nothing tuned")) return;
    fdtune = OpenRegularFile("tune.log", "w");
    if (!fdtune) return;
    for (int i = 0; i < NumTunable() && !PBlock.quit.load(rlx); i++) {
        const ParamDesc* p = TunableParam(i);
        PTune(TUNE_FILE, p->name, p->field, p->range);
    }
    std::fclose(fdtune);
    fdtune = nullptr;
}
