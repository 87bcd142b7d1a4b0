// Direct access to the bitboards by piece letter.

#include "board/board.h"
#include "board/fault.h"

namespace vorpane {

KindField kind_field(char32_t letter) {
    switch (letter) {
        case 'P': case 'p': return &Position::pawns;
        case 'R': case 'r': return &Position::rooks;
        case 'N': case 'n': return &Position::knights;
        case 'B': case 'b': return &Position::bishops;
        case 'Q': case 'q': return &Position::queens;
        case 'K': case 'k': return &Position::kings;
        default: return nullptr;
    }
}

namespace {

// The FEN reader and both setters refuse a letter with the same fault.
KindField piece_kind(char32_t letter) {
    KindField kind = kind_field(letter);
    if (!kind) fault("Invalid piece type");
    return kind;
}

}  // namespace

void add_pieces(Position& p, char32_t letter, Bitboard squares) {
    p.*piece_kind(letter) |= squares;
    (letter >= 'A' && letter <= 'Z' ? p.white : p.black) |= squares;
}

Bitboard Board::get_pieces(char32_t piece_type) const {
    switch (piece_type) {
        case 'W': case 'w': return white;
        case 'A': case 'a': return white | black;
    }
    if (KindField kind = kind_field(piece_type)) return this->*kind;
    std::string message = "Invalid piece type: ";
    append_utf8(message, piece_type);
    fault(message);
}

void Board::set_pieces_or(char32_t piece_type, Bitboard bitboard) {
    add_pieces(*this, piece_type, bitboard);
}

// Toggles the squares in the letter's kind only; the colours stay as they are.
void Board::set_pieces_xor(char32_t piece_type, Bitboard bitboard) {
    this->*piece_kind(piece_type) ^= bitboard;
}

}  // namespace vorpane
