// Making a move and taking it back. apply_move does not test legality: moves
// are expected from the move lists, and anything else is played as given.

#include "board/make_move.h"

#include "board/fault.h"
#include "board/generate.h"

namespace vorpane {
namespace {

// The kinds in the order a square is looked up in: p, r, n, b, q, k.
constexpr std::array<KindField, 6> KINDS = {&Position::pawns,   &Position::rooks,
                                            &Position::knights, &Position::bishops,
                                            &Position::queens,  &Position::kings};

KindField kind_at(const Position& p, Bitboard square) {
    for (KindField kind : KINDS)
        if (p.*kind & square) return kind;
    return nullptr;
}

KindField promotion_kind(char32_t letter) {
    switch (letter) {
        case 'b': return &Position::bishops;
        case 'n': return &Position::knights;
        case 'q': return &Position::queens;
        case 'r': return &Position::rooks;
        default: return nullptr;
    }
}

// A pawn move or a capture starts the fifty-move count again.
bool resets_half_move_clock(const Position& p, Bitboard from, Bitboard to) {
    return (from & p.pawns & p.own()) || (to & p.opposing());
}

constexpr Square A1 = 0, H1 = 7, A8 = 56, H8 = 63;

// The right tied to a rook's home corner, or 0 for any other square.
char corner_right(Square square) {
    switch (square) {
        case A1: return 'Q';
        case H1: return 'K';
        case A8: return 'q';
        case H8: return 'k';
        default: return 0;
    }
}

}  // namespace

MoveFacts examine(const Position& p, const Move& move) {
    MoveFacts facts;
    facts.from = square_mask(move.from_square);
    facts.to = square_mask(move.to_square);
    facts.moving = kind_at(p, facts.from);
    if (!facts.moving) fault("Could not find the piece to move for " + move.uci());
    facts.captured = kind_at(p, facts.to);
    facts.distance = king_distance(move.from_square, move.to_square);
    return facts;
}

void play(Position& p, const Move& move, const MoveFacts& facts, bool castling) {
    const bool white = p.turn;
    Bitboard& own = white ? p.white : p.black;
    Bitboard& opposing = white ? p.black : p.white;
    const bool pawn_moves = facts.moving == &Position::pawns;

    if (resets_half_move_clock(p, facts.from, facts.to)) {
        p.half_move_clock = 0;
    } else {
        p.half_move_clock += 1;
    }
    if (!white) p.full_move_number += 1;

    // Decided before the double push below overwrites the square.
    const bool en_passant_capture =
        pawn_moves && p.en_passant && move.to_square == *p.en_passant;
    if (pawn_moves && facts.distance == 2) {
        p.en_passant = static_cast<std::uint8_t>(white ? move.to_square - 8 : move.to_square + 8);
    } else {
        p.en_passant.reset();
    }

    const Bitboard path = facts.from | facts.to;
    p.*facts.moving ^= path;
    own ^= path;

    if (!move.promotion) {
        if (castling) {
            // The king's two-square step says which rook: h-side beyond the
            // target, a-side two squares past it.
            bool king_side = move.to_square > move.from_square;
            Bitboard rook_from = square_mask(king_side ? move.to_square + 1 : move.to_square - 2);
            Bitboard rook_to = square_mask(king_side ? move.to_square - 1 : move.to_square + 1);
            p.rooks ^= rook_from | rook_to;
            own ^= rook_from | rook_to;
        } else if (en_passant_capture) {
            Bitboard taken = square_mask(white ? move.to_square - 8 : move.to_square + 8);
            p.pawns ^= taken;
            opposing ^= taken;
        }
        if (facts.captured) {
            // With the XOR above, a piece taking one of its own kind keeps the square.
            p.*facts.captured ^= facts.to;
            opposing ^= facts.to;
        }
    } else {
        p.pawns ^= facts.to;  // the pawn just placed leaves the board
        KindField promoted = promotion_kind(*move.promotion);
        if (!promoted) fault("Panic in the disco!!! (promotion issue) for " + move.uci());
        p.*promoted |= facts.to;
        if (facts.captured) {
            if (facts.captured != promoted) p.*facts.captured ^= facts.to;
            opposing ^= facts.to;
        }
    }
    p.turn = !white;
}

void Board::apply_move(const Move& move) {
    // History first: whatever faults below, pop() brings the position back.
    move_stack.push_back(move);
    state_stack.emplace_back(castling_rights, *this);

    MoveFacts facts = examine(*this, move);
    const bool king_moved = facts.from & kings & own();
    const bool castling = king_steps_two(*this, facts) && check_castling_rights();
    withdraw_castling_rights(facts.from, facts.to, king_moved);
    play(*this, move, facts, castling);
}

// A king move gives up both rights of its side; a rook leaving its home
// corner, or any piece landing on a corner, gives up that corner's right.
void Board::withdraw_castling_rights(Bitboard from, Bitboard to, bool king_moved) {
    if (!castling_rights) return;
    std::string& rights = *castling_rights;
    if (king_moved) {
        std::erase(rights, turn ? 'K' : 'k');
        std::erase(rights, turn ? 'Q' : 'q');
    } else if (from & rooks & own()) {
        Square square = highest_square(from);
        char right = corner_right(square);
        bool own_corner = turn ? square == A1 || square == H1 : square == A8 || square == H8;
        if (own_corner) std::erase(rights, right);
    }
    if (char right = corner_right(highest_square(to))) std::erase(rights, right);
}

bool Board::reset_half_move_clock(Bitboard from_mask, Bitboard to_mask) const {
    return resets_half_move_clock(*this, from_mask, to_mask);
}

void Board::restore(const BoardState& state) {
    static_cast<Position&>(*this) = state.position;
    castling_rights = state.castling_rights;
}

Move Board::pop() {
    if (move_stack.empty()) missing_value_fault();
    Move move = move_stack.back();
    move_stack.pop_back();
    if (state_stack.empty()) missing_value_fault();
    // As restore() does, but the rights text is moved: the snapshot goes next.
    BoardState& state = state_stack.back();
    static_cast<Position&>(*this) = state.position;
    castling_rights = std::move(state.castling_rights);
    state_stack.pop_back();
    return move;
}

}  // namespace vorpane
