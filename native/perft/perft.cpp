// Perft of the chess core alone: every legal move played and taken back to a
// depth, the last ply counted in bulk from the length of its legal list.
//
//   vorpane-perft [--quick]           the six standard positions, checked
//                                     against their known node counts
//   vorpane-perft --list [--quick]    "name, depth, nodes, fen" per position,
//                                     tab-separated
//   vorpane-perft DEPTH FEN           one run: "nodes nanoseconds"
//
// bench/native.py runs the last form beside Stockfish's `go perft`.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "board/board.h"
#include "board/fault.h"

namespace {

using vorpane::Board;

struct Position {
    const char* name;
    const char* fen;
    int depth;                           // the full run; --quick goes one ply less
    std::array<std::uint64_t, 2> nodes;  // at depth - 1 and at depth
};

// The standard perft positions and their published node counts.
constexpr std::array<Position, 6> POSITIONS = {{
    {"start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 5,
     {197281, 4865609}},
    {"kiwipete", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 4,
     {97862, 4085603}},
    {"position 3", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 6, {674624, 11030083}},
    {"position 4", "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 5,
     {422333, 15833292}},
    {"position 5", "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 4,
     {62379, 2103487}},
    {"position 6", "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 4,
     {89890, 3894594}},
}};

constexpr int ROUNDS = 3;

std::uint64_t perft(Board& board, int depth) {
    if (depth == 0) return 1;
    vorpane::MoveList moves = board.legal_moves();
    if (depth == 1) return moves.size();
    std::uint64_t nodes = 0;
    for (const vorpane::Move& move : moves) {
        board.apply_move(move);
        nodes += perft(board, depth - 1);
        board.pop();
    }
    return nodes;
}

struct Run {
    std::uint64_t nodes;
    double seconds;
};

Run timed_perft(const std::string& fen, int depth) {
    Board board(fen);
    auto start = std::chrono::steady_clock::now();
    std::uint64_t nodes = perft(board, depth);
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return {nodes, elapsed.count()};
}

// The six positions, each the median of a few runs; false on a wrong count.
bool run_table(bool quick) {
    bool all_right = true;
    std::printf("%-11s %5s %12s %10s %14s\n", "position", "depth", "nodes", "seconds",
                "nodes/s");
    for (const Position& p : POSITIONS) {
        int depth = quick ? p.depth - 1 : p.depth;
        std::uint64_t expected = p.nodes[quick ? 0 : 1];
        std::vector<double> times;
        std::uint64_t nodes = 0;
        for (int r = 0; r < ROUNDS; ++r) {
            Run run = timed_perft(p.fen, depth);
            nodes = run.nodes;
            times.push_back(run.seconds);
        }
        std::sort(times.begin(), times.end());
        double median = times[times.size() / 2];
        bool right = nodes == expected;
        all_right = all_right && right;
        std::printf("%-11s %5d %12llu %10.3f %14.0f%s\n", p.name, depth,
                    static_cast<unsigned long long>(nodes), median, nodes / median,
                    right ? "" : "  WRONG COUNT");
    }
    return all_right;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    const bool quick = std::ranges::find(args, "--quick") != args.end();
    try {
        if (std::ranges::find(args, "--list") != args.end()) {
            for (const Position& p : POSITIONS)
                std::printf("%s\t%d\t%llu\t%s\n", p.name, quick ? p.depth - 1 : p.depth,
                            static_cast<unsigned long long>(p.nodes[quick ? 0 : 1]), p.fen);
            return 0;
        }
        if (args.size() == 2 && args[0] != "--quick") {
            Run run = timed_perft(std::string(args[1]), std::stoi(std::string(args[0])));
            std::printf("%llu %.0f\n", static_cast<unsigned long long>(run.nodes),
                        run.seconds * 1e9);
            return 0;
        }
        return run_table(quick) ? 0 : 1;
    } catch (const vorpane::Fault& fault) {
        std::fprintf(stderr, "vorpane-perft: fault: %s\n", fault.message.c_str());
        return 2;
    }
}
