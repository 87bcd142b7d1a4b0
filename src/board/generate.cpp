// Pseudo-legal moves: every move that follows its piece's movement rule,
// without asking whether it leaves the own king attacked.

#include "board/generate.h"

#include "board/rays.h"

namespace vorpane {
namespace {

constexpr std::array<char32_t, 4> PROMOTIONS = {'q', 'r', 'n', 'b'};

// A pawn reaching its last rank becomes a queen, rook, knight or bishop.
void push_pawn_move(MoveList& out, Square from, Square to, bool white) {
    if (SQUARE_RANK_INDICES[to] == (white ? 8 : 1)) {
        for (char32_t letter : PROMOTIONS) out.push_back(from, to, letter);
    } else {
        out.push_back(from, to);
    }
}

// Each capture origin is computed and looked up before the file test, so a
// pawn on its own first rank faults when its origin falls off the board.
template <class Allowed>
void push_capture_from(MoveList& out, Bitboard pawns, Square origin, Square to, bool file_ok,
                       bool white, const Allowed& allowed) {
    Bitboard origin_mask = square_mask(origin);
    if (file_ok && (pawns & origin_mask) && allows(allowed, origin, to))
        push_pawn_move(out, origin, to, white);
}

void push_targets(MoveList& out, Square from, Bitboard targets) {
    while (targets) out.push_back(from, pop_msb(targets));
}

// Rays yield their squares nearest first; a capture ends its ray.
template <class Allowed>
void slider_moves(const Position& p, Bitboard pieces, std::initializer_list<int> dirs,
                  MoveList& out, const Allowed& allowed) {
    const Bitboard own = p.own(), occupied = p.occupied();
    for (Bitboard from_set = pieces & own; from_set;) {
        Square from = pop_msb(from_set);
        const Bitboard open = ~own & allowed[from];
        for (int d : dirs) {
            Bitboard targets = ray_targets(d, from, occupied) & open;
            if (ascending(d)) {
                for (; targets; targets &= targets - 1) out.push_back(from, std::countr_zero(targets));
            } else {
                push_targets(out, from, targets);
            }
        }
    }
}

template <class Allowed>
void pawn_moves(const Position& p, MoveList& out, const Allowed& allowed) {
    const bool white = p.turn;
    const Bitboard pawns = p.pawns & p.own();
    const Bitboard empty = ~p.occupied();
    const Bitboard opposing = p.opposing();

    // Origins sit behind the target: 8 squares for a push, 7 or 9 for a capture.
    const int forward = white ? 8 : -8;
    Bitboard singles = pawn_pushes(white, pawns) & empty;
    Bitboard doubles = pawn_pushes(white, singles) & empty & (white ? RANK_4 : RANK_5);
    Bitboard captures = pawn_captures(white, pawns) & opposing;

    while (singles) {
        Square to = pop_msb(singles);
        if (allows(allowed, to - forward, to)) push_pawn_move(out, to - forward, to, white);
    }
    while (doubles) {
        Square to = pop_msb(doubles);
        if (allows(allowed, to - 2 * forward, to)) out.push_back(to - 2 * forward, to);
    }
    // Two capturers of one target: the lower file first for white, the
    // higher file first for black.
    while (captures) {
        Square to = pop_msb(captures);
        Bitboard to_mask = BOARD_SQUARES[to];
        if (white) {
            push_capture_from(out, pawns, to - 9, to, to_mask & NOT_FILE_A, true, allowed);
            push_capture_from(out, pawns, to - 7, to, to_mask & NOT_FILE_H, true, allowed);
        } else {
            push_capture_from(out, pawns, to + 9, to, to_mask & NOT_FILE_H, false, allowed);
            push_capture_from(out, pawns, to + 7, to, to_mask & NOT_FILE_A, false, allowed);
        }
    }
    if (p.en_passant) {
        Square target = *p.en_passant;
        // The capturers stand where an opposing pawn on the target would capture.
        Bitboard origins =
            pawns & pawn_captures(!white, square_mask(target)) & (white ? RANK_5 : RANK_4);
        while (origins) {
            Square from = pop_msb(origins);
            if (allows(allowed, from, target)) out.push_back(from, target);
        }
    }
}

template <class Allowed>
void knight_moves(const Position& p, MoveList& out, const Allowed& allowed) {
    const Bitboard own = p.own();
    for (Bitboard knights = p.knights & own; knights;) {
        Square from = pop_msb(knights);
        push_targets(out, from, KNIGHT_ATTACK_MASKS[from] & ~own & allowed[from]);
    }
}

// Only the king on the highest square moves. With no king, the square
// computed is -1, which as an unsigned 32-bit index lies past the table.
template <class Allowed>
void king_moves(const Position& p, MoveList& out, const Allowed& allowed) {
    const Bitboard own = p.own();
    Bitboard kings = p.kings & own;
    if (!kings) index_fault(64, 4294967295u);
    Square from = highest_square(kings);
    push_targets(out, from, KING_ATTACK_MASKS[from] & ~own & allowed[from]);
}

template <class Allowed>
void bishop_moves(const Position& p, MoveList& out, const Allowed& allowed) {
    slider_moves(p, p.bishops, {NE, NW, SE, SW}, out, allowed);
}

template <class Allowed>
void rook_moves(const Position& p, MoveList& out, const Allowed& allowed) {
    slider_moves(p, p.rooks, {N, E, W, S}, out, allowed);
}

// The queen walks its own eight directions; diagonal and straight lines interleave.
template <class Allowed>
void queen_moves(const Position& p, MoveList& out, const Allowed& allowed) {
    slider_moves(p, p.queens, {NE, N, NW, E, W, SE, S, SW}, out, allowed);
}

}  // namespace

void generate_pawn_moves(const Position& p, MoveList& out) { pawn_moves(p, out, AllTargets{}); }
void generate_knight_moves(const Position& p, MoveList& out) { knight_moves(p, out, AllTargets{}); }
void generate_king_moves(const Position& p, MoveList& out) { king_moves(p, out, AllTargets{}); }
void generate_bishop_moves(const Position& p, MoveList& out) { bishop_moves(p, out, AllTargets{}); }
void generate_rook_moves(const Position& p, MoveList& out) { rook_moves(p, out, AllTargets{}); }
void generate_queen_moves(const Position& p, MoveList& out) { queen_moves(p, out, AllTargets{}); }

template <class Allowed>
void generate_moves(const Position& p, MoveList& out, const Allowed& allowed) {
    pawn_moves(p, out, allowed);
    knight_moves(p, out, allowed);
    king_moves(p, out, allowed);
    bishop_moves(p, out, allowed);
    rook_moves(p, out, allowed);
    queen_moves(p, out, allowed);
}
template void generate_moves(const Position&, MoveList&, const AllTargets&);
template void generate_moves(const Position&, MoveList&, const TargetMasks&);

// The board's own generators: each a fresh list.
#define VORPANE_BOARD_GENERATOR(name)          \
    MoveList Board::name() const {             \
        MoveList moves;                        \
        generate_##name(*this, moves);         \
        return moves;                          \
    }
VORPANE_BOARD_GENERATOR(pawn_moves)
VORPANE_BOARD_GENERATOR(knight_moves)
VORPANE_BOARD_GENERATOR(king_moves)
VORPANE_BOARD_GENERATOR(bishop_moves)
VORPANE_BOARD_GENERATOR(rook_moves)
VORPANE_BOARD_GENERATOR(queen_moves)
VORPANE_BOARD_GENERATOR(pseudo_legal_moves)
#undef VORPANE_BOARD_GENERATOR

}  // namespace vorpane
