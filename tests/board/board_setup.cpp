// Set-up helpers shared by the board tests.
#include "tests/board/board_setup.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "board/bitboard.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"

ThreadRec* BoardTestSetup() {
    static bool done = false;
    if (!done) {
        InitBitboards();
        seed = 54321;
        InitKeys();
        SetPBlockDefaults();
        done = true;
    }
    if (!ThreadData[0]) ThreadData[0] = NewThreadRec(0);
    return ThreadData[0];
}

Position* MainPosition(const char* fen) {
    Position* pos = &BoardTestSetup()->pos;
    SetPosition(pos, fen);
    return pos;
}

uint64_t PerftNodes(int depth) {
    ThreadRec* td = BoardTestSetup();
    td->nodes = 0;
    Perft(td, td->pos.side, 1, depth);
    return td->nodes.load();
}

std::vector<MoveEntry> AllMoves(Position* pos) {
    MoveEntry list[256];
    MoveEntry* end = GeneratePawnCaptures(pos, pos->side, list);
    end = GeneratePieceCaptures(pos, pos->side, end);
    end = GeneratePromotions(pos, pos->side, 1, end);
    end = GenerateNonCaptures(pos, pos->side, end);
    return std::vector<MoveEntry>(list, end);
}

uint16_t FindMove(Position* pos, const char* coord) {
    int16_t protocol = PBlock.protocol.load();
    PBlock.protocol.store(2);
    uint16_t found = 0;
    for (const MoveEntry& e : AllMoves(pos)) {
        char buf[8];
        if (std::strcmp(MoveToStr(e.move, buf), coord) == 0) found = e.move;
    }
    PBlock.protocol.store(protocol);
    return found;
}

std::vector<PerftCase> ReadPerftFile(const std::string& path) {
    std::vector<PerftCase> cases;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t semi = line.find(';');
        if (semi == std::string::npos) continue;
        PerftCase c;
        c.fen = line.substr(0, semi);
        std::istringstream rest(line.substr(semi));
        std::string tag;
        uint64_t n;
        while (rest >> tag >> n) c.counts.push_back(n);
        cases.push_back(c);
    }
    return cases;
}
