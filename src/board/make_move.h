// Playing a move on a position: shared by apply_move and the legality test,
// so that a candidate tried on a copy lands exactly where apply_move puts it.
#pragma once

#include "board/board.h"

namespace vorpane {

// What a move finds on the board before anything changes.
struct MoveFacts {
    Bitboard from = 0, to = 0;
    KindField moving = nullptr;    // the first kind (p r n b q k) holding the from square
    KindField captured = nullptr;  // the first kind holding the to square, if any
    int distance = 0;              // king distance between the two squares
};

// Faults on a square past h8 (from first) and on an empty from square.
MoveFacts examine(const Position& p, const Move& move);

// A two-square step of the mover's king, whatever else stands on its square
// (a knight sharing it jumps as a king): castling while the mover holds a
// right. Legality tests on a copy decide it the same way as apply_move.
inline bool king_steps_two(const Position& p, const MoveFacts& facts) {
    return facts.distance == 2 && (facts.from & p.kings & p.own());
}

// Everything a move changes in the position, castling rights apart: clocks,
// en-passant square, the piece, a castling rook, captures, promotion, turn.
// Faults on a promotion letter other than b, n, q, r (turn not yet flipped).
void play(Position& p, const Move& move, const MoveFacts& facts, bool castling);

}  // namespace vorpane
