// A move: from square, to square and an optional promotion letter. It knows
// nothing of any board: squares of 64 and up and any letter are stored as given.
#pragma once

#include <cstdint>
#include <cstddef>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "board/tables.h"

namespace vorpane {

struct Move {
    Square from_square = 0;
    Square to_square = 0;
    std::optional<char32_t> promotion;

    // UCI long algebraic text: e2e4, e7e8q; the letter is written as stored.
    std::string uci() const;
};

// Square text: the file letter of s mod 8, then (s mod 256) / 8 + 1 in decimal,
// so squares past h8 still print (64 is a9, 300 is e6).
std::string square_text(Square s);

// Appends a code point as UTF-8; lone surrogates are written as their
// three-byte form so that any stored letter can be shown.
void append_utf8(std::string& out, char32_t c);

// Reads the code point at byte `i` and moves `i` past it. Texts come from
// Python's UTF-8 encoder; a malformed byte still yields some code point and
// never reads past the end.
char32_t decode_utf8(std::string_view text, std::size_t& i);

// The moves of one generation. Room for a few hundred moves lives inline, so
// building a list allocates nothing; boards built by hand with far more moves
// spill to the heap.
class MoveList {
public:
    MoveList() = default;
    MoveList(const MoveList&) = delete;
    MoveList& operator=(const MoveList&) = delete;
    MoveList(MoveList&& other) noexcept { take(other); }

    void push_back(Square from, Square to) { emplace(from, to, std::nullopt); }
    void push_back(Square from, Square to, char32_t promotion) { emplace(from, to, promotion); }
    void push_back(const Move& m) { emplace(m.from_square, m.to_square, m.promotion); }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const Move& operator[](std::size_t i) const { return data_[i]; }
    const Move* begin() const { return data_; }
    const Move* end() const { return data_ + size_; }

    // Drops the moves from index `first` on that `keep` refuses; the others
    // keep their order. If `keep` throws, the list is left part-filtered.
    template <class Keep>
    void filter_from(std::size_t first, Keep keep) {
        std::size_t kept = first;
        for (std::size_t i = first; i < size_; ++i)
            if (keep(data_[i])) data_[kept++] = data_[i];
        size_ = kept;
    }

private:
    static constexpr std::size_t INLINE_CAPACITY = 256;

    void emplace(Square from, Square to, std::optional<char32_t> promotion) {
        if (size_ == capacity_) grow();
        new (data_ + size_++) Move{from, to, promotion};
    }
    // Moves are trivially destructible, so the inline room is left
    // uninitialised until a move is written into it.
    Move* local() { return std::launder(reinterpret_cast<Move*>(storage_)); }
    void grow();
    void take(MoveList& other) noexcept;

    std::size_t size_ = 0;
    std::size_t capacity_ = INLINE_CAPACITY;
    Move* data_ = local();
    std::unique_ptr<Move[]> heap_;
    alignas(Move) std::byte storage_[INLINE_CAPACITY * sizeof(Move)];
};

}  // namespace vorpane
