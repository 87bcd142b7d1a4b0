// Castling rights (a text of letters, K Q for white and k q for black) and
// the castling moves, written as the king's two-square step.

#include <array>
#include <locale.h>
#include <wctype.h>

#include "board/attacks.h"
#include "board/fault.h"
#include "board/move.h"

namespace vorpane {
namespace {

constexpr Bitboard FILES_F_G = 0x6060606060606060;
constexpr Bitboard FILES_B_C_D = 0x0E0E0E0E0E0E0E0E;

// Letters past ASCII are classed by Unicode, through the C library's
// C.UTF-8 locale, whatever locale the process runs in; without that locale
// they count as neither case.
locale_t unicode_classes() {
    static const locale_t classes = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return classes;
}
bool is_upper(char32_t c) {
    if (c < 128) return c >= 'A' && c <= 'Z';
    return unicode_classes() && iswupper_l(static_cast<wint_t>(c), unicode_classes());
}
bool is_lower(char32_t c) {
    if (c < 128) return c >= 'a' && c <= 'z';
    return unicode_classes() && iswlower_l(static_cast<wint_t>(c), unicode_classes());
}

// Castling may not start from, cross or land on an attacked square. Besides
// the ordinary attack test, a pawn covering the square diagonally counts,
// also while the square is empty. The caller raises the test's faults first.
bool castling_square_attacked(const Position& p, Square square) {
    if (reaches(p, !p.turn, square)) return true;
    return pawn_capture_squares(p.turn, square) & p.pawns & p.opposing();
}

}  // namespace

bool Board::check_castling_rights() const {
    if (!castling_rights) return false;
    return castling_rights->find_first_of(turn ? "KQ" : "kq") != std::string::npos;
}

void Board::remove_castling_rights(char32_t id) {
    if (id == 'a') {
        castling_rights.reset();
        return;
    }
    if (id != 'k' && id != 'q') fault("Invalid castling rights");
    if (!castling_rights) missing_value_fault();
    char letter = static_cast<char>(turn ? id - 'a' + 'A' : id);
    std::erase(*castling_rights, letter);
}

MoveList Board::castling_moves() const {
    MoveList moves;
    if (!castling_rights) return moves;

    const Square king = turn ? 4 : 60;
    const Bitboard home = occupied() & (turn ? RANK_1 : RANK_8);
    const bool king_side_blocked = home & FILES_F_G;
    const bool queen_side_blocked = home & FILES_B_C_D;
    // Every letter is king side (K, k) or queen side (any other), so with
    // both sides blocked no letter gets as far as an attack test.
    if (king_side_blocked && queen_side_blocked) return moves;

    // Every attack test on this position faults alike, so the faults are
    // raised once, before the first test. A square's answer depends on the
    // position only, so each of the five squares from king - 2 to king + 2
    // is tested once at most.
    bool tested = false;
    std::array<std::int8_t, 5> known;
    known.fill(-1);
    auto attacked = [&](Square square) {
        if (!tested) check_generation_faults(*this, !turn);
        tested = true;
        std::int8_t& answer = known[square + 2 - king];
        if (answer < 0) answer = castling_square_attacked(*this, square);
        return answer == 1;
    };

    // One move per letter of the side to move, in the order of the text.
    const std::string& rights = *castling_rights;
    for (std::size_t i = 0; i < rights.size();) {
        char32_t letter = decode_utf8(rights, i);
        if (!(turn ? is_upper(letter) : is_lower(letter))) continue;
        bool king_side = letter == 'K' || letter == 'k';
        if (king_side ? king_side_blocked : queen_side_blocked) continue;
        // The b-file square must be empty but may be attacked.
        Square step = king_side ? king + 1 : king - 1;
        Square target = king_side ? king + 2 : king - 2;
        if (attacked(king) || attacked(step) || attacked(target)) continue;
        moves.push_back(king, target);
    }
    return moves;
}

}  // namespace vorpane
