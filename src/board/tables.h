// Squares, bitboards and the constant tables every other file reads.
// Square n = 8 * (rank - 1) + file, so a1 = 0, h1 = 7, a8 = 56, h8 = 63;
// bit n of a bitboard stands for square n.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace vorpane {

using Bitboard = std::uint64_t;
using Square = std::uint32_t;

constexpr std::array<char, 6> WHITE_PIECES = {'P', 'R', 'N', 'B', 'Q', 'K'};
constexpr std::array<char, 6> BLACK_PIECES = {'p', 'r', 'n', 'b', 'q', 'k'};
constexpr std::array<char, 8> BOARD_FILES = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};

// Entry n is the bitboard holding square n only.
constexpr auto BOARD_SQUARES = [] {
    std::array<Bitboard, 64> t{};
    for (int n = 0; n < 64; ++n) t[n] = Bitboard{1} << n;
    return t;
}();

// Entry n is the rank number 1..8 of square n (ranks count from 1, files from 0).
constexpr auto SQUARE_RANK_INDICES = [] {
    std::array<std::uint8_t, 64> t{};
    for (int n = 0; n < 64; ++n) t[n] = static_cast<std::uint8_t>(n / 8 + 1);
    return t;
}();

// Entry n is the file index 0..7 of square n.
constexpr auto SQUARE_FILE_INDICES = [] {
    std::array<std::uint8_t, 64> t{};
    for (int n = 0; n < 64; ++n) t[n] = static_cast<std::uint8_t>(n % 8);
    return t;
}();

constexpr std::array<std::int8_t, 8> KNIGHT_DIRS = {17, 15, 10, 6, -6, -10, -15, -17};
constexpr std::array<std::int8_t, 8> KING_DIRS = {9, 8, 7, 1, -1, -7, -8, -9};

constexpr Bitboard FILE_A = 0x0101010101010101;
constexpr Bitboard FILE_H = 0x8080808080808080;
constexpr Bitboard NOT_FILE_A = ~FILE_A;
constexpr Bitboard NOT_FILE_H = ~FILE_H;
constexpr Bitboard RANK_1 = 0xff;
constexpr Bitboard RANK_4 = 0xff000000;
constexpr Bitboard RANK_5 = 0xff00000000;
constexpr Bitboard RANK_8 = 0xff00000000000000;

// The squares in front of the given pawns of one colour, one rank up for
// white and one down for black.
constexpr Bitboard pawn_pushes(bool white, Bitboard pawns) {
    return white ? pawns << 8 : pawns >> 8;
}

// The squares the given pawns of one colour capture on; a capture that
// would wrap to the far file is dropped.
constexpr Bitboard pawn_captures(bool white, Bitboard pawns) {
    return white ? ((pawns << 7) & NOT_FILE_H) | ((pawns << 9) & NOT_FILE_A)
                 : ((pawns >> 7) & NOT_FILE_A) | ((pawns >> 9) & NOT_FILE_H);
}

// The larger of the rank and file differences; a step that wraps across a
// board edge lands 6 or 7 files away, so this distance catches it.
constexpr int king_distance(unsigned a, unsigned b) {
    int ranks = SQUARE_RANK_INDICES[a] - SQUARE_RANK_INDICES[b];
    int files = SQUARE_FILE_INDICES[a] - SQUARE_FILE_INDICES[b];
    ranks = ranks < 0 ? -ranks : ranks;
    files = files < 0 ? -files : files;
    return ranks > files ? ranks : files;
}

// The targets of a piece on `square` stepping by each offset once; a target
// wrapped to the other edge is as far as `limit` or farther and is dropped.
constexpr Bitboard get_attack_masks(std::uint8_t square, const std::array<std::int8_t, 8>& dirs,
                                    std::int8_t limit) {
    Bitboard mask = 0;
    for (std::int8_t d : dirs) {
        auto target = static_cast<std::uint8_t>(square + d);  // below a1 wraps to 192 and up
        if (target >= 64) continue;
        if (king_distance(square, target) < limit) mask |= BOARD_SQUARES[target];
    }
    return mask;
}

// Entry n holds the squares a knight (king) on square n jumps (steps) to.
// Fixed by the rule above, so they are computed once, at compile time.
constexpr auto KNIGHT_ATTACK_MASKS = [] {
    std::array<Bitboard, 64> t{};
    for (int n = 0; n < 64; ++n) t[n] = get_attack_masks(n, KNIGHT_DIRS, 3);
    return t;
}();
constexpr auto KING_ATTACK_MASKS = [] {
    std::array<Bitboard, 64> t{};
    for (int n = 0; n < 64; ++n) t[n] = get_attack_masks(n, KING_DIRS, 2);
    return t;
}();

// The highest set square; walks over a bitboard go through here, so squares
// come highest first. Only a slider's upward rays run the other way, since a
// ray yields its nearest square first. The bitboard must not be empty.
inline Square highest_square(Bitboard b) { return 63 - std::countl_zero(b); }

inline Square pop_msb(Bitboard& b) {
    Square s = highest_square(b);
    b ^= BOARD_SQUARES[s];
    return s;
}

}  // namespace vorpane
