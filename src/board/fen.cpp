// The FEN reader: lenient and literal. It checks the number of fields and the
// placement letters; every other field is read with a fixed fallback.

#include <string_view>
#include <vector>

#include "board/board.h"
#include "board/fault.h"

namespace vorpane {
namespace {

// Splits at every blank (U+0020 only): two blanks in a row give an empty field.
std::vector<std::string_view> split_fields(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t blank = text.find(' ', start);
        if (blank == std::string_view::npos) break;
        fields.push_back(text.substr(start, blank - start));
        start = blank + 1;
    }
    fields.push_back(text.substr(start));
    return fields;
}

// The cursor starts just before a8; digits skip squares, "/" goes back to just
// before the start of the rank below. Rank lengths are not checked, so the
// cursor is plain 64-bit arithmetic and a stray piece faults on its square.
void read_placement(Position& p, std::string_view field) {
    std::uint64_t cursor = 55;
    for (std::size_t i = 0; i < field.size();) {
        char32_t c = decode_utf8(field, i);
        if (c >= '0' && c <= '9') {
            cursor += c - '0';
        } else if (c == '/') {
            cursor -= 16;
        } else {
            cursor += 1;
            if (cursor > 63) index_fault(64, cursor);
            add_pieces(p, c, BOARD_SQUARES[cursor]);
        }
    }
}

// e3 is 20. A file other than a..h counts as a, a rank other than 0..9 as 0,
// and the square wraps at 256, so a rank of 0 or 9 stores a square past h8.
std::uint8_t read_en_passant(std::string_view field) {
    std::size_t i = 0, count = 0;
    char32_t first = 0, second = 0;
    while (i < field.size() && count < 2) {
        char32_t c = decode_utf8(field, i);
        (count++ == 0 ? first : second) = c;
    }
    if (count < 2) index_fault(count, 1);
    unsigned file = first >= 'a' && first <= 'h' ? first - 'a' : 0;
    unsigned rank = second >= '0' && second <= '9' ? second - '0' : 0;
    return static_cast<std::uint8_t>(file + 8 * (rank - 1));
}

// An optional "+" and one or more digits that fit in 64 bits; anything else is 0.
std::uint64_t read_counter(std::string_view field) {
    if (!field.empty() && field[0] == '+') field.remove_prefix(1);
    if (field.empty()) return 0;
    std::uint64_t value = 0;
    for (char c : field) {
        if (c < '0' || c > '9') return 0;
        std::uint64_t digit = c - '0';
        if (value > (UINT64_MAX - digit) / 10) return 0;
        value = value * 10 + digit;
    }
    return value;
}

}  // namespace

Board::Board(std::string text) : fen(std::move(text)) { read_fen(); }

void Board::set_board() {
    // Reading into the current bitboards would merge two positions; the
    // board becomes exactly the text's position instead. History stays.
    static_cast<Position&>(*this) = Position{};
    castling_rights.reset();
    read_fen();
}

void Board::read_fen() {
    auto fields = split_fields(fen);
    if (fields.size() < 6)
        fault("Invalid starting fen; got " + fen + ", with " + std::to_string(fields.size()) +
              " parts");
    read_placement(*this, fields[0]);
    turn = fields[1] == "w";
    if (fields[2] != "-") castling_rights = std::string(fields[2]);
    if (fields[3] != "-") en_passant = read_en_passant(fields[3]);
    half_move_clock = read_counter(fields[4]);
    full_move_number = read_counter(fields[5]);
}

}  // namespace vorpane
