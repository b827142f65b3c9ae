// Book building speed: runs "mkbook" over the 3000-game opening file (and the
// same games three times over, which adds a merge) and prints games per second.
// Usage: book_bench [file.pgn]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/platform.h"
#include "board/bitboard.h"
#include "board/makemove.h"
#include "book/book.h"
#include "book/mkbook.h"
#include "thread/records.h"

static std::string DefaultPgn() {
    std::string here = __FILE__;  // .../bench/book_bench.cpp
    std::string root = here.substr(0, here.rfind("bench/"));
    return root + "tests/data/8moves_v3_first3000.pgn";
}

static int CountGames(const std::string& text) {
    int n = 0;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (line.size() > 1 && line[0] == '1' && (line[1] == '.' || line[1] == ' ')) n++;
    return n;
}

// Builds a book from text in the current directory; returns the seconds taken.
static double TimeBuild(const std::string& text) {
    std::ofstream("book.pgn", std::ios::binary) << text;
    std::remove("book.opn");
    std::fflush(stdout);
    int saved = dup(1);  // the progress dots would clutter the report
    if (!std::freopen("/dev/null", "w", stdout)) return -1;
    double t0 = GetTime();
    MakeBook();
    double t = GetTime() - t0;
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    return t;
}

int main(int argc, char** argv) {
    std::string path = argc > 1 ? argv[1] : DefaultPgn();
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    std::stringstream ss;
    ss << f.rdbuf();
    std::string games = ss.str();

    InitBitboards();
    InitKeys();
    SetPBlockDefaults();
    ThreadData[0] = NewThreadRec(0);
    std::string tmpl = (std::filesystem::temp_directory_path() / "vell-book-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data()) || chdir(tmpl.c_str()) != 0) return 1;
    InitBook();

    const std::string runs[2] = {games, games + games + games};
    for (const std::string& text : runs) {
        int n = CountGames(text);
        double best = 1e9;
        for (int rep = 0; rep < 3; rep++) best = std::min(best, TimeBuild(text));
        long size = static_cast<long>(std::filesystem::file_size("book.opn"));
        std::printf("mkbook: %d games in %.3f s, %.0f games/s, book %ld records\n", n, best,
                    n / (best + 1e-9), size / BOOK_REC_BYTES);
    }
    FreeBook();
    std::filesystem::remove_all(tmpl);
    return 0;
}
