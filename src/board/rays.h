// Lines of squares for the sliding pieces, one table per direction, and the
// line of squares a slider sees before the first occupied square.
#pragma once

#include <array>
#include <bit>

#include "board/tables.h"

namespace vorpane {

// The eight directions in the order of KING_DIRS: +9 +8 +7 +1 -1 -7 -8 -9.
enum Direction : int { NE, N, NW, E, W, SE, S, SW };

// Entry [d][n] holds every square from n outward in direction d (n itself
// excluded), up to the board edge: the walk stops where a step wraps.
constexpr auto RAYS = [] {
    std::array<std::array<Bitboard, 64>, 8> t{};
    for (int d = 0; d < 8; ++d)
        for (int n = 0; n < 64; ++n) {
            int prev = n;
            for (;;) {
                auto to = static_cast<std::uint8_t>(prev + KING_DIRS[d]);
                if (to >= 64 || king_distance(prev, to) > 1) break;
                t[d][n] |= BOARD_SQUARES[to];
                prev = to;
            }
        }
    return t;
}();

constexpr bool ascending(int d) { return KING_DIRS[d] > 0; }

// Entry n holds every square a bishop (rook) on n sees on an empty board: a
// slider off these lines never reaches n, whatever stands between.
constexpr auto DIAGONAL_LINES = [] {
    std::array<Bitboard, 64> t{};
    for (int n = 0; n < 64; ++n) t[n] = RAYS[NE][n] | RAYS[NW][n] | RAYS[SE][n] | RAYS[SW][n];
    return t;
}();
constexpr auto STRAIGHT_LINES = [] {
    std::array<Bitboard, 64> t{};
    for (int n = 0; n < 64; ++n) t[n] = RAYS[N][n] | RAYS[E][n] | RAYS[W][n] | RAYS[S][n];
    return t;
}();

// The squares a slider on `from` reaches in direction d over `occupied`: the
// empty squares up to and including the first occupied one.
inline Bitboard ray_targets(int d, Square from, Bitboard occupied) {
    Bitboard ray = RAYS[d][from];
    Bitboard blockers = ray & occupied;
    if (!blockers) return ray;
    Square first = ascending(d) ? std::countr_zero(blockers) : highest_square(blockers);
    return ray ^ RAYS[d][first];
}

inline Bitboard diagonal_targets(Square from, Bitboard occupied) {
    return ray_targets(NE, from, occupied) | ray_targets(NW, from, occupied) |
           ray_targets(SE, from, occupied) | ray_targets(SW, from, occupied);
}

inline Bitboard straight_targets(Square from, Bitboard occupied) {
    return ray_targets(N, from, occupied) | ray_targets(E, from, occupied) |
           ray_targets(W, from, occupied) | ray_targets(S, from, occupied);
}

}  // namespace vorpane
