// Legal moves and game end. A candidate is legal when, played on the board,
// it leaves the mover's king unattacked. Candidates that need the test are
// played on a copy of the position, so the board is never half-changed, also
// when a test faults. On a well-formed position checks and pins settle all
// but a few candidates without playing them: see destinations().

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
    play(after, move, facts, king_steps_two(after, facts) && holds_castling_right);
    const bool opponent = after.turn;
    check_generation_faults(after, opponent);
    return !reaches(after, opponent, king_square(after, !opponent));
}

bool one_square(Bitboard b) { return b && !(b & (b - 1)); }

// A well-formed position: every occupied square in exactly one kind and one
// colour, one king a side, no pawn on a first or last rank, an en-passant
// square on the board, and the opponent's king out of reach. There no test
// of a candidate can fault, and the attack test on a square the mover holds
// comes down to the ordinary attackers.
bool well_formed(const Position& p) {
    Bitboard all = 0, overlap = 0;
    for (Bitboard kind : {p.pawns, p.rooks, p.knights, p.bishops, p.queens, p.kings}) {
        overlap |= all & kind;
        all |= kind;
    }
    return !overlap && all == p.occupied() && !(p.white & p.black) &&
           one_square(p.kings & p.white) && one_square(p.kings & p.black) &&
           !(p.pawns & (RANK_1 | RANK_8)) && (!p.en_passant || *p.en_passant < 64) &&
           !attackers(p, p.turn, king_square(p, !p.turn), p.occupied());
}

// Where each piece of the side to move may go on a well-formed position:
// the king where no opposing piece attacks once it has left its square (a
// slider's line runs on through it); any other piece, in check, onto the
// checker or between it and the king (nowhere in double check); a pinned
// piece only along the line of its pin.
TargetMasks destinations(const Position& p) {
    const Square king = king_square(p, p.turn);
    const Bitboard own = p.own(), opposing = p.opposing(), occupied = p.occupied();
    Bitboard checkers = attackers(p, !p.turn, king, occupied);
    Bitboard others = ~Bitboard{0};
    if (checkers)
        others = one_square(checkers) ? BETWEEN[king][highest_square(checkers)] | checkers : 0;
    TargetMasks allowed;
    allowed.fill(others);

    Bitboard snipers = (STRAIGHT_LINES[king] & (p.rooks | p.queens) & opposing) |
                       (DIAGONAL_LINES[king] & (p.bishops | p.queens) & opposing);
    while (snipers) {
        Square sniper = pop_msb(snipers);
        Bitboard between = BETWEEN[king][sniper] & occupied;
        if (one_square(between) && (between & own))
            allowed[highest_square(between)] &= BETWEEN[king][sniper] | BOARD_SQUARES[sniper];
    }

    const Bitboard without_king = occupied ^ BOARD_SQUARES[king];
    Bitboard safe = 0;
    for (Bitboard steps = KING_ATTACK_MASKS[king] & ~own; steps;) {
        Square to = pop_msb(steps);
        if (!attackers(p, !p.turn, to, without_king)) safe |= BOARD_SQUARES[to];
    }
    allowed[king] = safe;
    return allowed;
}

}  // namespace

// Castling moves first, then the pseudo-legal moves that pass. On a
// well-formed position only moves to allowed targets are generated at all,
// except that a pawn move onto the en-passant square is played as a capture
// of the pawn behind it, which can open a line no pin shows: those are
// generated and then tested.
MoveList Board::legal_moves() const {
    MoveList moves = castling_moves();
    const std::size_t first = moves.size();
    auto tested = [&](const Move& move) {
        return leaves_king_safe(*this, move, check_castling_rights());
    };
    if (!well_formed(*this)) {
        generate_pseudo_legal_moves(*this, moves);
        moves.filter_from(first, tested);
        return moves;
    }
    TargetMasks allowed = destinations(*this);
    if (!en_passant) {
        generate_moves(*this, moves, allowed);
        return moves;
    }
    const Square target = *en_passant;
    for (Bitboard own_pawns = pawns & own(); own_pawns;)
        allowed[pop_msb(own_pawns)] |= BOARD_SQUARES[target];
    generate_moves(*this, moves, allowed);
    moves.filter_from(first, [&](const Move& move) {
        bool pawn = BOARD_SQUARES[move.from_square] & pawns;
        return !(pawn && move.to_square == target) || tested(move);
    });
    return moves;
}

bool Board::is_checkmate() const { return is_check() && legal_moves().empty(); }

bool Board::is_stalemate() const { return !is_check() && legal_moves().empty(); }

bool Board::is_game_over() const { return is_checkmate() || is_stalemate(); }

}  // namespace vorpane
