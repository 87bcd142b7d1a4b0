// Whether a side has a pseudo-legal move ending on a square, decided from
// masks instead of building the move list; same answers, same faults.
#pragma once

#include "board/board.h"

namespace vorpane {

// Raises the fault that generating all moves of `white_side` would raise
// first, in generation order: a pawn capture whose origin falls off the
// board, an en-passant square past h8, then a side without a king.
void check_generation_faults(const Position& p, bool white_side);

// True when a pseudo-legal move of `white_side` ends on `square`. Squares
// 64 and up are never reached. The caller checks the faults first.
bool reaches(const Position& p, bool white_side, Square square);

// Squares a pawn of the given colour on `square` captures on.
inline Bitboard pawn_capture_squares(bool white_pawn, Square square) {
    return pawn_captures(white_pawn, BOARD_SQUARES[square]);
}

// The square of the side's highest king, or 255 when it has none.
Square king_square(const Position& p, bool white_side);

// The attack test: is `square` reached by the side not to move?
bool attacked_by_opponent(const Position& p, Square square);

// The pieces of `white_side` that could capture on `square` over
// `occupied`. For a square holding a piece of the other side, on a position
// with one king a side and no overlapping pieces, this is what `reaches`
// decides: no push lands on an occupied square, and an en-passant capture
// onto it starts where an ordinary capture would.
Bitboard attackers(const Position& p, bool white_side, Square square, Bitboard occupied);

}  // namespace vorpane
