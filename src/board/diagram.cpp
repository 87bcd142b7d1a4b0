// The board as eight lines of eight cells, rank 8 first, files a to h.

#include "board/board.h"

namespace vorpane {

std::string Board::diagram() const {
    char cells[64];
    std::fill(std::begin(cells), std::end(cells), '.');
    // White first, then black, kinds in table order: on a square that several
    // bitboards claim, the letter written last wins.
    for (auto [letters, colour] : {std::pair{&WHITE_PIECES, white}, std::pair{&BLACK_PIECES, black}})
        for (char letter : *letters)
            for (Bitboard b = this->*kind_field(letter) & colour; b;) cells[pop_msb(b)] = letter;

    std::string text;
    text.reserve(127);
    for (int rank = 7; rank >= 0; --rank) {
        for (int file = 0; file < 8; ++file) {
            text += cells[rank * 8 + file];
            text += file < 7 ? ' ' : '\n';
        }
    }
    text.pop_back();  // no line feed after rank 1
    return text;
}

}  // namespace vorpane
