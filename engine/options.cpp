// The option table and what each option does when it is set, the setoption
// command that reads it, and the changes put off until a search ends.
#include "engine/options.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include <strings.h>

#include "base/control.h"
#include "base/messages.h"
#include "base/relaxed.h"
#include "board/chess960.h"
#include "book/book.h"
#include "engine/main_loop.h"
#include "search/strength.h"
#include "search/tablebase.h"
#include "search/threads.h"
#include "search/transposition.h"
#include "tools/epd.h"

namespace {

constexpr size_t TEXT_MAX = 256;  // a value's characters and its terminator

enum class Kind : uint8_t { Spin, Check, String, Button };
// Whether setting an option may touch a search under way. BetweenSearches
// options replace what the search works on (the table, the threads, the
// tablebases): a search that answers by itself is ended and answered first,
// one that waits for stop or ponderhit keeps running and gets the change after
// its bestmove.
enum class Applies : uint8_t { AtOnce, BetweenSearches };

struct Value {
    long number;
    char text[TEXT_MAX];
};

// Puts v into effect; may change v to the value that took effect (fewer
// threads than asked for). False when it could not, msg saying why; a
// reply of its own may go into msg on success too, in place of the usual one.
using Apply = bool (*)(Value& v, char* msg, size_t size);

struct Row {
    const char* name;
    Kind kind;
    long def, lo, hi;  // a check's default is 0 or 1
    const char* text_def;
    Applies when;
    bool tablebase;     // only offered by a build that probes tablebases
    const char* reply;  // the name and the value in effect, formatted
    Apply apply;
};

const char* NameOf(OptionId id);

bool ApplyHash(Value& v, char* msg, size_t size) {
    StopSearchAndWait();  // the table is replaced under the search's feet otherwise
    const int old_mb = TTableMegabytes();
    if (InitTTable(int(v.number)) != 0) {
        // Without the memory the old table stays as it was.
        std::snprintf(msg, size, "cannot allocate %ldM bytes, %s stays at %dM bytes", v.number,
                      NameOf(OptionId::Hash), old_mb);
        return false;
    }
    // A search with no table switched it off; a table of any size brings it back.
    if (v.number >= 1 && PBlock.use_hash.load(R) == 0) PBlock.use_hash.store(1, R);
    return true;
}

bool ApplyThreads(Value& v, char*, size_t) {
    if (v.number != PBlock.nthreads.load(R)) {
        StopSearchAndWait();
        KillThreadPool(PBlock.nthreads.load(R));
        PBlock.nthreads.store(int8_t(v.number), R);
        // Short of memory the threads that got theirs search; without even
        // one the engine cannot go on.
        if (const int started = StartSearchThreads(); started < v.number) {
            if (started == 0) {
                ShowMessage("info string no memory for a search thread");
                std::exit(1);
            }
            ShowMessagef("info string no memory for more than %d threads", started);
        }
    }
    v.number = PBlock.nthreads.load(R);
    return true;
}

bool ApplyClearHash(Value&, char* msg, size_t size) {
    StopSearchAndWait();
    ClearTTable();
    std::snprintf(msg, size, "Hash table cleared");
    return true;
}

bool ApplyPonder(Value& v, char*, size_t) {
    PBlock.ponder = int16_t(v.number);
    return true;
}

bool ApplyOverhead(Value& v, char*, size_t) {
    PBlock.overhead.store(double(v.number) / 1000.0, R);
    return true;
}

// The value is all there is: each search reads it as it starts (the book).
bool Keep(Value&, char*, size_t) { return true; }

bool ApplyBookFile(Value& v, char* msg, size_t size) {
    if (SetBookFile(v.text)) return true;
    std::snprintf(msg, size, "cannot open book file %.200s, book unchanged", v.text);
    return false;
}

// Logging asked for without a file to log to says why, and stays off.
bool ApplyLog(Value& v, char* msg, size_t size) {
    if (v.number && !OpenLog(msg, size)) {
        std::snprintf(msg + std::strlen(msg), size - std::strlen(msg), ", %s stays off", NameOf(OptionId::Log));
        PBlock.log_on.store(0, R);
        return false;
    }
    PBlock.log_on.store(int16_t(v.number), R);
    return true;
}

bool ApplyMultiPV(Value& v, char*, size_t) {
    PBlock.multipv.store(int16_t(v.number), R);
    return true;
}

bool ApplyShowWDL(Value& v, char*, size_t) {
    PBlock.show_wdl.store(int16_t(v.number), R);
    return true;
}

Value values[NUM_OPTIONS];

// The level is kept while the limit is off, as GUIs set the two apart.
bool ApplyLimitStrength(Value& v, char*, size_t) {
    SetStrength(v.number ? int(values[size_t(OptionId::Elo)].number) : 0);
    return true;
}

bool ApplyElo(Value& v, char*, size_t) {
    SetStrength(values[size_t(OptionId::LimitStrength)].number ? int(v.number) : 0);
    return true;
}

// Takes effect with the next position command, as GUIs send it.
bool ApplyChess960(Value& v, char*, size_t) {
    SetChess960(v.number != 0);
    return true;
}

// No search may probe while the tables change. The tables' own verdict (how
// many files, or what is wrong) is the reply; a path that fails leaves none open.
bool ApplySyzygyPath(Value& v, char* msg, size_t size) {
    StopSearchAndWait();
    const bool ok = TablebaseInit(v.text, msg, size);
    if (!ok) std::snprintf(v.text, sizeof v.text, "<empty>");
    return true;
}

bool ApplyProbeDepth(Value& v, char*, size_t) {
    tb_settings.probe_depth.store(int(v.number), R);
    return true;
}

bool ApplyRule50(Value& v, char*, size_t) {
    tb_settings.rule50.store(v.number != 0, R);
    return true;
}

bool ApplyProbeLimit(Value& v, char*, size_t) {
    tb_settings.probe_limit.store(int(v.number), R);
    TablebaseLimitChanged();
    return true;
}

constexpr const char* SET = "%s set to %s";
constexpr auto ATONCE = Applies::AtOnce, BETWEEN = Applies::BetweenSearches;

// In the order uci lists them; indexed by OptionId.
const Row rows[] = {
    {"Hash", Kind::Spin, 64, 0, 8192, "", BETWEEN, false, "%s size set to %sM bytes", ApplyHash},
    {"Threads", Kind::Spin, 1, 1, MAX_THREADS, "", BETWEEN, false, SET, ApplyThreads},
    {"Ponder", Kind::Check, 1, 0, 1, "", ATONCE, false, SET, ApplyPonder},
    {"Clear Hash", Kind::Button, 0, 0, 0, "", BETWEEN, false, SET, ApplyClearHash},
    {"Communication Overhead", Kind::Spin, 25, 0, 5000, "", ATONCE, false, SET, ApplyOverhead},
    {"OwnBook", Kind::Check, 0, 0, 1, "", ATONCE, false, SET, Keep},
    {"BookFile", Kind::String, 0, 0, 0, "vell.opn", ATONCE, false, SET, ApplyBookFile},
    {"Log", Kind::Check, 0, 0, 1, "", ATONCE, false, SET, ApplyLog},
    {"MultiPV", Kind::Spin, 1, 1, 256, "", ATONCE, false, SET, ApplyMultiPV},
    {"UCI_LimitStrength", Kind::Check, 0, 0, 1, "", ATONCE, false, SET, ApplyLimitStrength},
    {"UCI_Elo", Kind::Spin, ELO_MIN, ELO_MIN, ELO_MAX, "", ATONCE, false, SET, ApplyElo},
    {"UCI_Chess960", Kind::Check, 0, 0, 1, "", ATONCE, false, SET, ApplyChess960},
    {"UCI_ShowWDL", Kind::Check, 0, 0, 1, "", ATONCE, false, SET, ApplyShowWDL},
    {"SyzygyPath", Kind::String, 0, 0, 0, "<empty>", BETWEEN, true, SET, ApplySyzygyPath},
    {"SyzygyProbeDepth", Kind::Spin, 1, 1, 100, "", ATONCE, true, SET, ApplyProbeDepth},
    {"Syzygy50MoveRule", Kind::Check, 1, 0, 1, "", ATONCE, true, SET, ApplyRule50},
    {"SyzygyProbeLimit", Kind::Spin, 7, 0, 7, "", ATONCE, true, SET, ApplyProbeLimit},
};
static_assert(std::size(rows) == size_t(OptionId::Count));

bool IsParam(OptionId id) { return size_t(id) >= size_t(OptionId::Count); }
const ParamDesc& ParamOf(OptionId id) { return *TunableParam(int(size_t(id) - size_t(OptionId::Count))); }

// A search that answers by itself would mix scores of two evaluations.
bool ApplyParam(OptionId id, const Value& v) {
    StopSearchAndWait();
    *ParamOf(id).field = int16_t(v.number);
    MarkEvaluationChanged();
    return true;
}

// The parameter rows, made from the tuner's table: its names, defaults and ranges.
const Row* ParamRows() {
    static const auto table = [] {
        std::array<Row, NUM_TUNABLE> t{};
        for (int i = 0; i < NUM_TUNABLE; i++) {
            const ParamDesc* p = TunableParam(i);
            const long span = long(PARAM_SPAN) * p->range;
            t[size_t(i)] = {p->name, Kind::Spin, p->def, p->def - span, p->def + span, "", BETWEEN, false, SET,
                            nullptr};
        }
        return t;
    }();
    return table.data();
}

const Row& RowOf(OptionId id) {
    return IsParam(id) ? ParamRows()[size_t(id) - size_t(OptionId::Count)] : rows[size_t(id)];
}
const char* NameOf(OptionId id) { return RowOf(id).name; }
bool Offered(const Row& r) { return !r.tablebase || TablebaseSupported(); }

// The value text as the option's kind reads it; false when it is none. A
// number is saturated to the range, so "Hash 100000" is the largest table.
bool Parse(const Row& r, const char* text, Value* out) {
    *out = Value{};
    switch (r.kind) {
        case Kind::Spin: {
            char* end;
            const long n = std::strtol(text, &end, 10);
            if (end == text || *end) return false;
            out->number = n < r.lo ? r.lo : n > r.hi ? r.hi : n;
            return true;
        }
        case Kind::Check:
            if (strcasecmp(text, "true") && strcasecmp(text, "false")) return false;
            out->number = !strcasecmp(text, "true");
            return true;
        case Kind::String:
            if (std::strlen(text) >= sizeof out->text) return false;
            std::snprintf(out->text, sizeof out->text, "%s", text);
            return true;
        case Kind::Button:
            return true;
    }
    return false;
}

// Puts a parsed value into effect and keeps it; false (msg saying why) when
// it could not, the option then staying as it was.
bool PutInEffect(OptionId id, Value v, char* msg, size_t size) {
    msg[0] = 0;
    if (!(IsParam(id) ? ApplyParam(id, v) : RowOf(id).apply(v, msg, size))) return false;
    values[size_t(id)] = v;
    return true;
}

// Applies a value and answers it under UCI.
void PutAndReply(OptionId id, const Value& v) {
    const Row& r = RowOf(id);
    char msg[300];
    const bool ok = PutInEffect(id, v, msg, sizeof msg);
    if (!ok || msg[0]) {
        // A reply of several lines (the tablebase files left out) is one info line each.
        for (char *line = msg, *next; line; line = next) {
            next = std::strchr(line, '\n');
            if (next) *next++ = 0;
            ShowMessagef("info string %s", line);
        }
        return;
    }
    const Value& now = values[size_t(id)];
    char text[TEXT_MAX + 24];
    if (r.kind == Kind::String)
        std::snprintf(text, sizeof text, "%s", now.text);
    else
        std::snprintf(text, sizeof text, "%ld", now.number);
    char line[TEXT_MAX + 128];
    std::snprintf(line, sizeof line, r.reply, r.name, text);
    ShowMessagef("info string %s", line);
}

// Changes asked for while a search waits for stop or ponderhit, in the order
// they came; a later value of an option replaces its earlier one (and its
// place in the order).
struct Pending {
    OptionId id;
    Value value;
};
Pending pending[NUM_OPTIONS];
int npending;

void ApplyPending() {
    // A change applied here may not queue again: the search has been answered.
    Pending now[NUM_OPTIONS];
    const int n = npending;
    std::memcpy(now, pending, sizeof now);
    npending = 0;
    for (int i = 0; i < n; i++) PutAndReply(now[i].id, now[i].value);
}

void PutOff(OptionId id, const Value& v) {
    int k = 0;
    for (int i = 0; i < npending; i++)
        if (pending[i].id != id) pending[k++] = pending[i];
    pending[k++] = {id, v};
    npending = k;
    AfterAnswer(ApplyPending);
    ShowMessagef("info string %s is applied when the search ends", RowOf(id).name);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Copies the words of text into out with single blanks between them.
void CopyWords(const char* text, const char* end, char* out, size_t size) {
    size_t n = 0;
    for (const char* t = text; t < end; t++) {
        if (IsBlank(*t)) {
            if (n > 0 && out[n - 1] != ' ' && n + 1 < size) out[n++] = ' ';
        } else if (n + 1 < size) {
            out[n++] = *t;
        }
    }
    if (n > 0 && out[n - 1] == ' ') n--;
    out[n] = 0;
}

// The word "value" after the name, with a blank before it; nullptr when there is none.
const char* FindValueWord(const char* name) {
    for (const char* v = std::strstr(name, "value"); v; v = std::strstr(v + 1, "value"))
        if (v > name && IsBlank(v[-1]) && (!v[5] || IsBlank(v[5]))) return v;
    return nullptr;
}

}  // namespace

OptionId ParamOption(int i) { return OptionId(size_t(OptionId::Count) + size_t(i)); }

bool FindParamOption(const char* name, OptionId* id) {
    for (int i = 0; i < NUM_TUNABLE; i++) {
        if (std::strcmp(name, TunableParam(i)->name)) continue;
        *id = ParamOption(i);
        return true;
    }
    return false;
}

void ListOptions(bool with_parameters) {
    for (size_t i = 0; i < NUM_OPTIONS; i++) {
        const Row& r = RowOf(OptionId(i));
        if (!Offered(r) || (IsParam(OptionId(i)) && !with_parameters)) continue;
        switch (r.kind) {
            case Kind::Spin:
                ShowMessagef("option name %s type spin default %ld min %ld max %ld", r.name, r.def, r.lo,
                             r.hi);
                break;
            case Kind::Check:
                ShowMessagef("option name %s type check default %s", r.name, r.def ? "true" : "false");
                break;
            case Kind::String:
                ShowMessagef("option name %s type string default %s", r.name, r.text_def);
                break;
            case Kind::Button:
                ShowMessagef("option name %s type button", r.name);
                break;
        }
    }
}

// Option names are matched in any case and with any blanks between their words,
// as GUIs send them; the value is everything after "value" as it stands but
// for the blanks at its ends (a book's path may hold runs of blanks and tabs).
void SetOptionCommand(const char* args) {
    const char* name = std::strstr(args, "name");
    if (!name) return;
    name += 4;
    const char* value = FindValueWord(name);
    char opt[256], val[TEXT_MAX];
    CopyWords(name, value ? value : name + std::strlen(name), opt, sizeof opt);
    const char* v = value ? value + 5 : "";
    while (IsBlank(*v)) v++;
    size_t len = std::strlen(v);
    while (len > 0 && IsBlank(v[len - 1])) len--;
    // A longer path could only be cut to name another file.
    if (len >= sizeof val) {
        ShowMessagef("info string value for %.40s longer than %d characters, option unchanged", opt,
                     int(sizeof val - 1));
        return;
    }
    std::memcpy(val, v, len);
    val[len] = 0;
    for (size_t i = 0; i < NUM_OPTIONS; i++) {
        const Row& r = RowOf(OptionId(i));
        if (!Offered(r) || strcasecmp(opt, r.name)) continue;
        Value parsed;
        if (!Parse(r, val, &parsed)) {
            ShowMessagef("info string bad value '%.40s' for %s, option unchanged", val, r.name);
            return;
        }
        if (r.when == Applies::BetweenSearches && SearchWaitsForStop())
            PutOff(OptionId(i), parsed);
        else
            PutAndReply(OptionId(i), parsed);
        return;
    }
}

OptionOutcome SetOption(OptionId id, const char* text, char* msg, size_t size) {
    Value v;
    if (!Parse(RowOf(id), text, &v)) return OptionOutcome::BadValue;
    return PutInEffect(id, v, msg, size) ? OptionOutcome::Set : OptionOutcome::Failed;
}

bool PresetOption(OptionId id, const char* text) {
    Value v;
    if (!Parse(RowOf(id), text, &v)) return false;
    values[size_t(id)] = v;
    return true;
}

long OptionNumber(OptionId id) { return IsParam(id) ? *ParamOf(id).field : values[size_t(id)].number; }
const char* OptionText(OptionId id) { return values[size_t(id)].text; }
long OptionMin(OptionId id) { return RowOf(id).lo; }
long OptionMax(OptionId id) { return RowOf(id).hi; }
long OptionDefault(OptionId id) { return RowOf(id).def; }
const char* OptionName(OptionId id) { return RowOf(id).name; }

void ResetOptions() {
    for (size_t i = 0; i < NUM_OPTIONS; i++) {
        const Row& r = RowOf(OptionId(i));
        values[i] = Value{};
        values[i].number = r.def;
        std::snprintf(values[i].text, sizeof values[i].text, "%s", r.text_def);
    }
    npending = 0;
}
