// The piece generators on a position, each appending to a list in its fixed
// order: origins and targets highest square first, rays nearest square first.
#pragma once

#include "board/board.h"
#include "board/fault.h"

namespace vorpane {

void generate_pawn_moves(const Position& p, MoveList& out);
void generate_knight_moves(const Position& p, MoveList& out);
void generate_king_moves(const Position& p, MoveList& out);
void generate_bishop_moves(const Position& p, MoveList& out);
void generate_rook_moves(const Position& p, MoveList& out);
void generate_queen_moves(const Position& p, MoveList& out);

// Pawns, knights, king, bishops, rooks, queens; never castling.
void generate_pseudo_legal_moves(const Position& p, MoveList& out);

// The mask of a square computed from a move, faulting past h8: a square
// below a1 arrives here wrapped to a large unsigned value.
inline Bitboard square_mask(std::uint64_t square) {
    if (square >= 64) index_fault(64, square);
    return BOARD_SQUARES[square];
}

}  // namespace vorpane
