// Fuzz target for the chess core. The bytes become a position text (most of
// them malformed) and a script of operations on the board read from it:
// moves from every list played and taken back, raw moves with any squares
// and promotion letters, bitboards set with any letters and masks, the side
// to move flipped, pop on an empty history, every generator and query.
//
// A Fault is the core's answer to bad data and is fine. Anything else is a
// finding: a sanitizer report, another exception, a crash, or a broken rule
// that must hold whatever the bitboards say:
//   - a query leaves the board exactly as it was, also when it faults;
//   - a move played and taken back leaves nothing behind, also when playing
//     it faulted halfway;
//   - the attack test, check and the legal-move filter give the answers and
//     faults of their plain definitions (generate everything, play and look).
//
// Input layout: a first byte of 1 asks for a text assembled field by field
// from fragments the reader treats specially; any other input starts with
// the text itself, byte for byte up to a line feed. The rest is the script.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "board/board.h"
#include "board/fault.h"

namespace {

using namespace vorpane;

// ---------------------------------------------------------------------------
// Reading the bytes: past the end every read is zero, so any input is a
// complete script.

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool done() const { return at_ >= size_; }
    std::uint8_t peek() const { return at_ < size_ ? data_[at_] : 0; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint32_t u32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= std::uint32_t{byte()} << (8 * i);
        return v;
    }
    std::uint64_t u64() { return std::uint64_t{u32()} | std::uint64_t{u32()} << 32; }

    // The bytes up to the next line feed (consumed) or the end.
    std::string line() {
        std::string text;
        while (at_ < size_ && data_[at_] != '\n') text += static_cast<char>(data_[at_++]);
        if (at_ < size_) ++at_;
        return text;
    }

    template <std::size_t N>
    const char* pick(const char* const (&table)[N]) { return table[byte() % N]; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// Squares as Python can pass them: mostly on the board, then just past it,
// then any 32-bit value.
Square square(Bytes& in) {
    std::uint8_t b = in.byte();
    if (b < 0xC0) return b % 64;
    if (b < 0xF0) return 64 + in.byte();
    return in.u32();
}

// Code points for letters: any ASCII byte, the piece letters most often,
// and a few that test case and width handling (U+01C4 is upper case, U+01C5
// title case, U+D800 a lone surrogate, the last two past Unicode).
char32_t letter(Bytes& in) {
    static constexpr char32_t SPECIAL[] = {0xE9,   0xC9,   0x1C4,    0x1C5,      0x1C6,
                                           0x130,  0xD800, 0x10FFFF, 0x110000,   0xFFFFFFFF};
    std::uint8_t b = in.byte();
    if (b < 0x80) return b;
    if (b < 0xF0) return std::string_view("PRNBQKprnbqkWwAa")[b % 16];
    return SPECIAL[b % std::size(SPECIAL)];
}

std::optional<char32_t> promotion(Bytes& in) {
    if (in.peek() < 0x40) {
        in.byte();
        return std::nullopt;
    }
    return letter(in);
}

// Bitboards: any 64 bits, single squares, whole ranks and files, all or none.
Bitboard mask(Bytes& in) {
    switch (in.byte() % 6) {
        case 0: return in.u64();
        case 1: return Bitboard{1} << (in.byte() % 64);
        case 2: return Bitboard{0xFF} << (8 * (in.byte() % 8));
        case 3: return Bitboard{0x0101010101010101} << (in.byte() % 8);
        case 4: return ~Bitboard{0};
        default: return Bitboard{in.byte()} << (in.byte() % 64);
    }
}

// ---------------------------------------------------------------------------
// Position texts assembled from fragments: every field in its normal shape,
// a near miss, or something else entirely; sometimes too few or too many
// fields, sometimes two blanks in a row.

constexpr const char* PLACEMENT[] = {
    "p", "n", "b", "r", "q", "k", "P", "N", "B", "R", "Q", "K", "1", "2", "3", "4",
    "5", "6", "7", "8", "0", "9", "/", "/", "/", "8/", " ", "x", "\xc3\xa9", "\xff",
    "\xe2\x82", "//",
};
constexpr const char* SIDE[] = {"w", "w", "b", "b", "W", "", "-", "ww", "\xc3", "B"};
constexpr const char* CASTLING[] = {
    "K", "Q", "k", "q", "K", "Q", "k", "q", "-", "", "\xc7\x84", "\xc7\x85", "\xc7\x86",
    "\xc3\x89", "\xc3\xa9", "\xff", "\xf0\x9f\x98", "a", "A", "\xed\xa0\x80",
};
constexpr const char* FILES[] = {"a", "b", "c", "d", "e", "f", "g", "h", "z", "A", "-", "\xc3\xa9"};
constexpr const char* RANKS[] = {"3", "6", "3", "6", "0", "9", "1", "8", "x", "", "\xc3\xa9"};
constexpr const char* COUNTERS[] = {
    "0", "1", "50", "+7", "-1", "18446744073709551615", "18446744073709551616",
    "99999999999999999999999", "", "x", "00012", "+", "1e3", "+-1",
};

std::string assembled_text(Bytes& in) {
    std::string text;
    for (int tokens = in.byte() % 64; tokens > 0; --tokens) text += in.pick(PLACEMENT);
    const int fields = in.peek() < 0xD0 ? (in.byte(), 6) : 1 + in.byte() % 9;
    for (int field = 1; field < fields; ++field) {
        text += in.peek() < 0xF8 ? " " : "  ";
        in.byte();
        switch (field) {
            case 1: text += in.pick(SIDE); break;
            case 2:
                for (int n = in.byte() % 6; n > 0; --n) text += in.pick(CASTLING);
                if (text.back() == ' ') text += '-';
                break;
            case 3:
                if (in.peek() < 0x80) {
                    in.byte();
                    text += '-';
                } else {
                    text += in.pick(FILES);
                    text += in.pick(RANKS);
                }
                break;
            case 4:
            case 5: text += in.pick(COUNTERS); break;
            default: text += static_cast<char>(in.byte());
        }
    }
    return text;
}

std::string position_text(Bytes& in) {
    if (in.peek() != 1) return in.line();
    in.byte();
    return assembled_text(in);
}

// When the text is refused, the script still runs on one of these.
constexpr const char* FALLBACK[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
};

// ---------------------------------------------------------------------------
// Checks

[[noreturn]] void broken(const char* rule, const std::string& detail = "") {
    std::fprintf(stderr, "fuzz_board: broken rule: %s\n%s\n", rule, detail.c_str());
    std::abort();
}

bool same(const Position& a, const Position& b) {
    return a.pawns == b.pawns && a.rooks == b.rooks && a.knights == b.knights &&
           a.bishops == b.bishops && a.queens == b.queens && a.kings == b.kings &&
           a.white == b.white && a.black == b.black && a.half_move_clock == b.half_move_clock &&
           a.full_move_number == b.full_move_number && a.en_passant == b.en_passant &&
           a.turn == b.turn;
}

bool same(const Move& a, const Move& b) {
    return a.from_square == b.from_square && a.to_square == b.to_square &&
           a.promotion == b.promotion;
}

bool same(const BoardState& a, const BoardState& b) {
    return same(a.position, b.position) && a.castling_rights == b.castling_rights;
}

// Everything a query could touch: the position, the castling text, the
// text read at construction, and the history's length and top entries.
struct Snapshot {
    BoardState state;
    std::string fen;
    std::size_t moves, states;
    std::optional<Move> last_move;
    std::optional<BoardState> last_state;

    explicit Snapshot(const Board& b)
        : state{b.castling_rights, b},
          fen(b.fen),
          moves(b.move_stack.size()),
          states(b.state_stack.size()) {
        if (!b.move_stack.empty()) last_move = b.move_stack.back();
        if (!b.state_stack.empty()) last_state = b.state_stack.back();
    }

    bool operator==(const Snapshot& o) const {
        return same(state, o.state) && fen == o.fen && moves == o.moves && states == o.states &&
               last_move.has_value() == o.last_move.has_value() &&
               (!last_move || same(*last_move, *o.last_move)) &&
               last_state.has_value() == o.last_state.has_value() &&
               (!last_state || same(*last_state, *o.last_state));
    }
};

// What an operation gave: a text for its value, or the fault's message.
struct Outcome {
    bool faulted = false;
    std::string text;
    bool operator==(const Outcome&) const = default;
    std::string describe() const { return (faulted ? "fault: " : "value: ") + text; }
};

std::string text_of(bool value) { return value ? "true" : "false"; }
std::string text_of(Bitboard value) { return std::to_string(value); }
std::string text_of(const std::string& value) { return value; }
std::string text_of(const MoveList& moves) {
    std::string text;
    for (const Move& m : moves) text += m.uci() + ' ';
    return text;
}

template <class Op>
Outcome attempt(Op op) {
    try {
        return {false, text_of(op())};
    } catch (const Fault& fault) {
        return {true, fault.message};
    }
}

// Runs a query and checks that it left the board alone, whatever it gave.
template <class Op>
Outcome query(Board& board, Op op) {
    const Snapshot before(board);
    Outcome outcome = attempt(op);
    if (!(Snapshot(board) == before)) broken("a query changed the board", outcome.describe());
    return outcome;
}

void agree(const char* rule, const Outcome& fast, const Outcome& plain) {
    if (!(fast == plain)) broken(rule, "fast  " + fast.describe() + "\nplain " + plain.describe());
}

// ---------------------------------------------------------------------------
// The plain definitions, built on a scratch board with no history: a square
// is attacked when some pseudo-legal move of the side not to move ends on
// it; a candidate is legal when, played with apply_move and with the mover
// to move again, its king is not attacked.

class Plain {
public:
    explicit Plain(const Board& board) { load(board); }

    void load(const Board& board) {
        static_cast<Position&>(scratch_) = board;
        scratch_.castling_rights = board.castling_rights;
    }

    bool attacked(std::uint64_t square) {
        const bool turn = scratch_.turn;
        scratch_.turn = !turn;
        struct Back {
            Board& b;
            bool turn;
            ~Back() { b.turn = turn; }
        } back{scratch_, turn};
        MoveList moves = scratch_.pseudo_legal_moves();
        for (const Move& m : moves)
            if (m.to_square == square) return true;
        return false;
    }

    bool is_check() {
        Bitboard kings = scratch_.kings & scratch_.own();
        return attacked(kings ? 63 - std::countl_zero(kings) : 255);
    }

    MoveList legal_moves() {
        MoveList moves = scratch_.castling_moves();
        MoveList candidates = scratch_.pseudo_legal_moves();
        for (const Move& m : candidates) {
            scratch_.apply_move(m);
            scratch_.turn = !scratch_.turn;
            const bool safe = !is_check();
            scratch_.pop();
            if (safe) moves.push_back(m);
        }
        return moves;
    }

private:
    Board scratch_{std::string(Board::START_FEN)};
};

// ---------------------------------------------------------------------------
// The script

// FUZZ_TRACE=1 in the environment prints every step and the board after it,
// to read a finding: FUZZ_TRACE=1 fuzz_replay crash-...
const bool TRACE = std::getenv("FUZZ_TRACE") != nullptr;

void trace(const Board& board, int op) {
    if (!TRACE) return;
    std::string rights = board.castling_rights ? "\"" + *board.castling_rights + "\"" : "absent";
    std::fprintf(stderr, "step %d -> %s to move, castling %s, en passant %s, history %zu\n%s\n",
                 op, board.turn ? "white" : "black", rights.c_str(),
                 board.en_passant ? std::to_string(*board.en_passant).c_str() : "none",
                 board.move_stack.size(), board.diagram().c_str());
    const Bitboard fields[] = {board.pawns,   board.rooks, board.knights, board.bishops,
                               board.queens, board.kings, board.white,   board.black};
    for (Bitboard b : fields) std::fprintf(stderr, "%016llx ", static_cast<unsigned long long>(b));
    std::fprintf(stderr, "(p r n b q k white black)\n");
}

MoveList generated(Board& board, std::uint8_t which) {
    switch (which % 9) {
        case 0: return board.pawn_moves();
        case 1: return board.knight_moves();
        case 2: return board.king_moves();
        case 3: return board.bishop_moves();
        case 4: return board.rook_moves();
        case 5: return board.queen_moves();
        case 6: return board.pseudo_legal_moves();
        case 7: return board.castling_moves();
        default: return board.legal_moves();
    }
}

// A move from one of the board's lists, or any move at all.
std::optional<Move> some_move(Board& board, Bytes& in) {
    const std::uint8_t which = in.byte();
    if (which >= 0xC0) return Move{square(in), square(in), promotion(in)};
    try {
        MoveList moves = generated(board, which);
        const std::uint8_t index = in.byte();
        if (moves.empty()) return std::nullopt;
        return moves[index % moves.size()];
    } catch (const Fault&) {
        return std::nullopt;
    }
}

void apply(Board& board, const Move& move) {
    if (TRACE) std::fprintf(stderr, "apply %s\n", move.uci().c_str());
    const std::size_t depth = board.move_stack.size();
    try {
        board.apply_move(move);
    } catch (const Fault&) {
    }
    // Pushed before anything can fault, so that pop() always undoes it.
    if (board.move_stack.size() != depth + 1 || board.state_stack.size() != depth + 1)
        broken("apply_move did not push exactly one history entry");
}

void play_and_take_back(Board& board, const Move& move) {
    const Snapshot before(board);
    apply(board, move);
    Move popped;
    try {
        popped = board.pop();
    } catch (const Fault& fault) {
        broken("pop faulted right after apply_move", fault.message);
    }
    if (!same(popped, move)) broken("pop returned another move", popped.uci() + " " + move.uci());
    if (!(Snapshot(board) == before)) broken("apply_move then pop changed the board", move.uci());
}

void step(Board& board, Bytes& in) {
    const int op = in.byte() % 24;
    struct Trace {
        const Board& board;
        int op;
        ~Trace() { trace(board, op); }
    } after{board, op};
    switch (op) {
        case 0:
        case 1:
            if (auto move = some_move(board, in)) apply(board, *move);
            break;
        case 2: {
            const bool empty = board.move_stack.empty();
            try {
                board.pop();
                if (empty) broken("pop on an empty history did not fault");
            } catch (const Fault&) {
                if (!empty) broken("pop faulted with history left");
            }
            break;
        }
        case 3:
        case 4:
            if (auto move = some_move(board, in)) play_and_take_back(board, *move);
            break;
        case 5:
        case 6: {
            const bool xor_it = in.byte() % 2;
            const char32_t piece = letter(in);
            const Bitboard bits = mask(in);
            try {
                xor_it ? board.set_pieces_xor(piece, bits) : board.set_pieces_or(piece, bits);
            } catch (const Fault&) {
            }
            break;
        }
        case 7: board.turn = !board.turn; break;
        case 8:
            try {
                board.set_board();
            } catch (const Fault&) {
            }
            break;
        case 9:
            try {
                board.remove_castling_rights(letter(in));
            } catch (const Fault&) {
            }
            break;
        case 10: query(board, [&] { return board.check_castling_rights(); }); break;
        case 11:
        case 12: {
            const std::uint8_t which = in.byte();
            query(board, [&] { return generated(board, which); });
            break;
        }
        case 13:
        case 14: {
            Outcome fast = query(board, [&] { return board.legal_moves(); });
            Plain plain(board);
            agree("legal_moves differs from its definition", fast,
                  attempt([&] { return plain.legal_moves(); }));
            break;
        }
        case 15: {
            Outcome fast = query(board, [&] { return board.is_check(); });
            Plain plain(board);
            agree("is_check differs from its definition", fast,
                  attempt([&] { return plain.is_check(); }));
            break;
        }
        case 16:
        case 17: {
            const std::uint8_t target = in.byte();
            Outcome fast = query(board, [&] { return board.is_attacked(target); });
            Plain plain(board);
            agree("is_attacked differs from its definition", fast,
                  attempt([&] { return plain.attacked(target); }));
            break;
        }
        case 18: query(board, [&] { return board.is_checkmate(); }); break;
        case 19: query(board, [&] { return board.is_stalemate(); }); break;
        case 20: query(board, [&] { return board.is_game_over(); }); break;
        case 21: {
            const char32_t piece = letter(in);
            query(board, [&] { return board.get_pieces(piece); });
            break;
        }
        case 22: {
            Outcome text = query(board, [&] { return board.diagram(); });
            if (text.faulted || text.text.size() != 127) broken("a diagram is not 8 x 8 cells", text.text);
            break;
        }
        default: {
            const Bitboard from = mask(in), to = mask(in);
            query(board, [&] { return board.reset_half_move_clock(from, to); });
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes in(data, size);
    std::optional<Board> board;
    try {
        board.emplace(position_text(in));
    } catch (const Fault&) {
        board.emplace(FALLBACK[in.byte() % std::size(FALLBACK)]);
    }
    // The script's length is bounded so that one input stays quick.
    for (int steps = 0; steps < 400 && !in.done(); ++steps) step(*board, in);
    // Every history entry comes off again, and then pop faults.
    while (!board->move_stack.empty()) board->pop();
    try {
        board->pop();
        broken("pop on an empty history did not fault");
    } catch (const Fault&) {
    }
    return 0;
}
