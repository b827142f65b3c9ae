// Parameter files, the changed-weights list and the SPSA lines; every value
// goes through the weights' rows of the option table.
#include "engine/parameters.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/messages.h"
#include "base/platform.h"
#include "engine/options.h"

namespace {

// OpenBench's rule of thumb: a final perturbation of a twentieth of the
// range, and a learning rate that a = r * c * c already scales to the step.
constexpr double SPSA_STEPS = 20;
constexpr double SPSA_R_END = 0.002;

}  // namespace

bool SetParameter(const char* name, const char* text, char* msg, size_t size) {
    OptionId id;
    if (!FindParamOption(name, &id)) {
        std::snprintf(msg, size, "unknown parameter %.60s", name);
        return false;
    }
    if (!*text) {
        std::snprintf(msg, size, "no value for %s", name);
        return false;
    }
    char* end;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end) {
        std::snprintf(msg, size, "bad value '%.40s' for %s", text, name);
        return false;
    }
    if (v < OptionMin(id) || v > OptionMax(id)) {
        std::snprintf(msg, size, "%s takes %ld to %ld, not %ld", name, OptionMin(id), OptionMax(id), v);
        return false;
    }
    return SetOption(id, text, msg, size) == OptionOutcome::Set;
}

bool LoadParameters(const char* path) {
    FILE* f = OpenRegularFile(path, "r");
    if (!f) {
        Complainf("cannot open parameter file %.200s", path);
        return false;
    }
    char line[512];
    int number = 0, set = 0, skipped = 0;
    while (std::fgets(line, sizeof line, f)) {
        number++;
        char name[64], value[64];
        const int words = std::sscanf(line, "%63s %63s", name, value);
        if (words < 1 || name[0] == '#') continue;
        char why[200];
        if (words < 2) std::snprintf(value, sizeof value, "%s", "");
        if (SetParameter(name, value, why, sizeof why)) {
            set++;
        } else {
            skipped++;
            Complainf("%.200s line %d: %s, skipped", path, number, why);
        }
    }
    std::fclose(f);
    Complainf("%d parameter%s set from %.200s, %d skipped", set, set == 1 ? "" : "s", path, skipped);
    return true;
}

void ShowChangedParameters() {
    int changed = 0;
    for (int i = 0; i < NUM_TUNABLE; i++) {
        const OptionId id = ParamOption(i);
        if (OptionNumber(id) == OptionDefault(id)) continue;
        changed++;
        ShowMessagef("%s %ld (default %ld)", OptionName(id), OptionNumber(id), OptionDefault(id));
    }
    if (!changed) ShowMessage("every parameter at its default");
}

void ShowSpsaInput() {
    for (int i = 0; i < NUM_TUNABLE; i++) {
        const OptionId id = ParamOption(i);
        const long lo = OptionMin(id), hi = OptionMax(id);
        ShowMessagef("%s, int, %ld, %ld, %ld, %.2f, %.4f", OptionName(id), OptionNumber(id), lo, hi,
                     double(hi - lo) / SPSA_STEPS, SPSA_R_END);
    }
}
