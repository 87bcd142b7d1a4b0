// The piece generators on a position, each appending to a list in its fixed
// order: origins and targets highest square first, rays nearest square first.
#pragma once

#include "board/board.h"
#include "board/fault.h"

namespace vorpane {

// The targets each piece may move to, by the square it stands on: all of
// them for the pseudo-legal list. The legal list narrows them; a move to a
// target left out is skipped, and the others keep their order.
struct AllTargets {
    constexpr Bitboard operator[](Square) const { return ~Bitboard{0}; }
};
using TargetMasks = std::array<Bitboard, 64>;

// Whether the piece on `from` may move to `to`; the first form costs nothing.
inline bool allows(const AllTargets&, Square, Square) { return true; }
inline bool allows(const TargetMasks& allowed, Square from, Square to) {
    return allowed[from] & BOARD_SQUARES[to];
}

void generate_pawn_moves(const Position& p, MoveList& out);
void generate_knight_moves(const Position& p, MoveList& out);
void generate_king_moves(const Position& p, MoveList& out);
void generate_bishop_moves(const Position& p, MoveList& out);
void generate_rook_moves(const Position& p, MoveList& out);
void generate_queen_moves(const Position& p, MoveList& out);

// Pawns, knights, king, bishops, rooks, queens; never castling. Faults
// come as the generators raise them, whatever `allowed` holds.
template <class Allowed>
void generate_moves(const Position& p, MoveList& out, const Allowed& allowed);

inline void generate_pseudo_legal_moves(const Position& p, MoveList& out) {
    generate_moves(p, out, AllTargets{});
}

// The mask of a square computed from a move, faulting past h8: a square
// below a1 arrives here wrapped to a large unsigned value.
inline Bitboard square_mask(std::uint64_t square) {
    if (square >= 64) index_fault(64, square);
    return BOARD_SQUARES[square];
}

}  // namespace vorpane
