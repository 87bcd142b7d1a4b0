// Legal moves and game end. A candidate is legal when, played on the board,
// it leaves the mover's king unattacked. Candidates are played on a copy of
// the position, so the board is never half-changed, also when a test faults.
// On a well-formed position most candidates need no test at all: see below.

#include <bit>

#include "board/attacks.h"
#include "board/generate.h"
#include "board/make_move.h"
#include "board/rays.h"

namespace vorpane {
namespace {

// Entry [a][b] holds the squares strictly between a and b when they share a
// rank, file or diagonal, else nothing.
constexpr auto BETWEEN = [] {
    std::array<std::array<Bitboard, 64>, 64> t{};
    for (int d = 0; d < 8; ++d)
        for (int a = 0; a < 64; ++a)
            for (Bitboard ray = RAYS[d][a]; ray; ray &= ray - 1) {
                int b = std::countr_zero(ray);
                t[a][b] = RAYS[d][a] & ~RAYS[d][b] & ~BOARD_SQUARES[b];
            }
    return t;
}();

// Played on a copy: is the mover's king unattacked afterwards? Faults as
// apply_move and the opponent's move generation would, e.g. when the move
// took its only king.
bool leaves_king_safe(const Position& p, const Move& move, bool holds_castling_right) {
    Position after = p;
    MoveFacts facts = examine(after, move);
    play(after, move, facts, is_castling(after, facts, holds_castling_right));
    const bool opponent = after.turn;
    check_generation_faults(after, opponent);
    return !reaches(after, opponent, king_square(after, !opponent));
}

// A well-formed position: every occupied square in exactly one kind and one
// colour, one king a side, no pawn on a first or last rank, an en-passant
// square on the board, and the opponent's king out of reach. There no test
// of a candidate can fault, and a move that is neither a king move, an
// en-passant capture nor a move of a pinned piece cannot expose the king
// unless the king stands attacked already.
bool well_formed(const Position& p) {
    const Bitboard kinds[] = {p.pawns, p.rooks, p.knights, p.bishops, p.queens, p.kings};
    Bitboard all = 0;
    int count = 0;
    for (Bitboard kind : kinds) {
        all |= kind;
        count += std::popcount(kind);
    }
    return count == std::popcount(all) && all == p.occupied() && !(p.white & p.black) &&
           std::popcount(p.kings & p.white) == 1 && std::popcount(p.kings & p.black) == 1 &&
           !(p.pawns & (RANK_1 | RANK_8)) && (!p.en_passant || *p.en_passant < 64) &&
           !reaches(p, p.turn, king_square(p, !p.turn));
}

// Own pieces that alone stand between the king and an opposing slider.
Bitboard pinned_pieces(const Position& p, Square king) {
    const Bitboard own = p.own(), opposing = p.opposing(), occupied = p.occupied();
    Bitboard snipers = (straight_targets(king, 0) & (p.rooks | p.queens) & opposing) |
                       (diagonal_targets(king, 0) & (p.bishops | p.queens) & opposing);
    Bitboard pinned = 0;
    while (snipers) {
        Bitboard between = BETWEEN[king][pop_msb(snipers)] & occupied;
        if (std::has_single_bit(between) && (between & own)) pinned |= between;
    }
    return pinned;
}

}  // namespace

MoveList Board::legal_moves() {
    MoveList moves = castling_moves();
    MoveList candidates;
    generate_pseudo_legal_moves(*this, candidates);

    // Squares whose candidates must be tried: everything, unless the
    // position is well formed and the king not attacked; then only the
    // king, pinned pieces and pawns that may capture en passant.
    const bool holds_castling_right = check_castling_rights();
    Bitboard must_test = ~Bitboard{0};
    if (well_formed(*this)) {
        Square king = king_square(*this, turn);
        if (!reaches(*this, !turn, king)) must_test = BOARD_SQUARES[king] | pinned_pieces(*this, king);
    }
    for (const Move& move : candidates) {
        Bitboard from = BOARD_SQUARES[move.from_square];
        bool takes_en_passant =
            this->en_passant && move.to_square == *this->en_passant && (from & pawns);
        if (!(from & must_test) && !takes_en_passant) {
            moves.push_back(move);
        } else if (leaves_king_safe(*this, move, holds_castling_right)) {
            moves.push_back(move);
        }
    }
    return moves;
}

bool Board::is_checkmate() { return is_check() && legal_moves().empty(); }

bool Board::is_stalemate() { return !is_check() && legal_moves().empty(); }

bool Board::is_game_over() { return is_checkmate() || is_stalemate(); }

}  // namespace vorpane
