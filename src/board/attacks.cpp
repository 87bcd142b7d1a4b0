// Attack and check detection. A square counts as attacked when the side not
// to move has a pseudo-legal move ending on it, so pawn pushes count and an
// empty square diagonally in front of a pawn does not. `reaches` answers that
// question square by square from masks, without building the move list.

#include "board/attacks.h"

#include "board/fault.h"
#include "board/rays.h"

namespace vorpane {
namespace {

constexpr Bitboard A2 = BOARD_SQUARES[8], B1 = BOARD_SQUARES[1];
constexpr Bitboard H7 = BOARD_SQUARES[55], G8 = BOARD_SQUARES[62];

Bitboard colour(const Position& p, bool white_side) { return white_side ? p.white : p.black; }

// Pawn moves of one side ending on `target`: pushes, double pushes, captures
// and the en-passant capture, exactly as the pawn generator produces them.
bool pawn_reaches(const Position& p, bool white_side, Square target) {
    const Bitboard pawns = p.pawns & colour(p, white_side);
    const Bitboard empty = ~p.occupied();
    const Bitboard to = BOARD_SQUARES[target];
    const Bitboard singles = pawn_pushes(white_side, pawns) & empty;
    const Bitboard doubles =
        pawn_pushes(white_side, singles) & empty & (white_side ? RANK_4 : RANK_5);
    if (to & (singles | doubles)) return true;
    if ((to & colour(p, !white_side)) && (pawn_capture_squares(!white_side, target) & pawns))
        return true;
    // The en-passant capture lands on its square whatever stands there.
    Bitboard en_passant_origins = pawns & (white_side ? RANK_5 : RANK_4);
    return p.en_passant && *p.en_passant == target &&
           (pawn_capture_squares(!white_side, target) & en_passant_origins);
}

// Whether a bishop, rook or queen among `own` sees `square` over
// `occupied`. Only lines that hold such a slider are traced.
bool sliders_reach(const Position& p, Bitboard own, Square square, Bitboard occupied) {
    const Bitboard diagonal = (p.bishops | p.queens) & own;
    const Bitboard straight = (p.rooks | p.queens) & own;
    if ((DIAGONAL_LINES[square] & diagonal) && (diagonal_targets(square, occupied) & diagonal))
        return true;
    return (STRAIGHT_LINES[square] & straight) && (straight_targets(square, occupied) & straight);
}

}  // namespace

Square king_square(const Position& p, bool white_side) {
    Bitboard kings = p.kings & colour(p, white_side);
    return kings ? highest_square(kings) : 255;
}

void check_generation_faults(const Position& p, bool white_side) {
    const Bitboard pawns = p.pawns & colour(p, white_side);
    const Bitboard opposing = colour(p, !white_side);
    // Only a pawn on its own first rank has a capture origin off the board:
    // white b1 taking on a2 (origin a2 - 9), black g8 taking on h7 (h7 + 9).
    if (white_side && (pawns & B1) && (opposing & A2)) index_fault(64, 4294967295u);
    if (!white_side && (pawns & G8) && (opposing & H7)) index_fault(64, 64);
    if (p.en_passant && *p.en_passant >= 64) index_fault(64, *p.en_passant);
    if (!(p.kings & colour(p, white_side))) index_fault(64, 4294967295u);
}

bool reaches(const Position& p, bool white_side, Square square) {
    if (square >= 64) return false;
    if (pawn_reaches(p, white_side, square)) return true;
    const Bitboard own = colour(p, white_side);
    const Bitboard to = BOARD_SQUARES[square];
    if (to & own) return false;  // no other piece lands on its own side
    const Bitboard occupied = p.occupied();
    if (KNIGHT_ATTACK_MASKS[square] & p.knights & own) return true;
    Bitboard kings = p.kings & own;
    if (kings && (KING_ATTACK_MASKS[highest_square(kings)] & to)) return true;
    return sliders_reach(p, own, square, occupied);
}

Bitboard attackers(const Position& p, bool white_side, Square square, Bitboard occupied) {
    Bitboard found = pawn_capture_squares(!white_side, square) & p.pawns;
    found |= KNIGHT_ATTACK_MASKS[square] & p.knights;
    found |= KING_ATTACK_MASKS[square] & p.kings;
    found &= colour(p, white_side);
    const Bitboard diagonal = (p.bishops | p.queens) & colour(p, white_side);
    const Bitboard straight = (p.rooks | p.queens) & colour(p, white_side);
    if (DIAGONAL_LINES[square] & diagonal) found |= diagonal_targets(square, occupied) & diagonal;
    if (STRAIGHT_LINES[square] & straight) found |= straight_targets(square, occupied) & straight;
    return found;
}

bool attacked_by_opponent(const Position& p, Square square) {
    check_generation_faults(p, !p.turn);
    return reaches(p, !p.turn, square);
}

bool Board::is_attacked(std::uint8_t square) const { return attacked_by_opponent(*this, square); }

bool Board::is_check() const { return attacked_by_opponent(*this, king_square(*this, turn)); }

}  // namespace vorpane
