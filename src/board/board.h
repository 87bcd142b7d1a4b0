// The position record and the Board that owns it with its history.
//
// Nothing here enforces consistency: the bitboards are plain sets of squares
// that the FEN reader and apply_move fill and that callers may change at will.
// Every operation answers or faults on whatever the bitboards hold.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "board/move.h"
#include "board/tables.h"

namespace vorpane {

// Every field that making a move changes, except the castling-rights text.
// Kept apart from the text so that the fast paths can copy it for free.
struct Position {
    Bitboard pawns = 0, rooks = 0, knights = 0, bishops = 0, queens = 0, kings = 0;
    Bitboard white = 0, black = 0;
    std::uint64_t half_move_clock = 0;
    std::uint64_t full_move_number = 0;
    std::optional<std::uint8_t> en_passant;
    bool turn = true;  // true: white to move

    Bitboard own() const { return turn ? white : black; }
    Bitboard opposing() const { return turn ? black : white; }
    Bitboard occupied() const { return white | black; }
};

// The snapshot pushed before every move; pop() puts it back.
struct BoardState {
    std::optional<std::string> castling_rights;
    Position position;
};

// The kind bitboard a piece letter names (either case), or null:
// P pawns, R rooks, N knights, B bishops, Q queens, K kings.
using KindField = Bitboard Position::*;
KindField kind_field(char32_t letter);

// Adds `squares` to the kind a piece letter names and to its colour (upper
// case white). Faults on any other letter before anything changes.
void add_pieces(Position& p, char32_t letter, Bitboard squares);

class Board : public Position {
public:
    static constexpr std::string_view START_FEN =
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

    std::string fen;
    std::vector<Move> move_stack;
    std::vector<BoardState> state_stack;
    std::optional<std::string> castling_rights;

    // Reads `fen` into an empty record; faults on a text the reader refuses.
    explicit Board(std::string fen = std::string(START_FEN));

    // Clears the position and reads `fen` again; the history stays.
    void set_board();

    Bitboard get_pieces(char32_t piece_type) const;
    void set_pieces_or(char32_t piece_type, Bitboard bitboard);
    void set_pieces_xor(char32_t piece_type, Bitboard bitboard);

    // The eight-line diagram, rank 8 first.
    std::string diagram() const;

    MoveList pawn_moves() const;
    MoveList knight_moves() const;
    MoveList king_moves() const;
    MoveList bishop_moves() const;
    MoveList rook_moves() const;
    MoveList queen_moves() const;
    MoveList pseudo_legal_moves() const;

    bool is_attacked(std::uint8_t square) const;
    bool is_check() const;

    bool check_castling_rights() const;
    void remove_castling_rights(char32_t id);
    MoveList castling_moves() const;

    void apply_move(const Move& move);
    bool reset_half_move_clock(Bitboard from_mask, Bitboard to_mask) const;
    Move pop();
    void restore(const BoardState& state);

    MoveList legal_moves() const;
    bool is_checkmate() const;
    bool is_stalemate() const;
    bool is_game_over() const;

private:
    void read_fen();
    void withdraw_castling_rights(Bitboard from, Bitboard to, bool king_moved);
};

}  // namespace vorpane
