#include "board/move.h"

#include <algorithm>

namespace vorpane {

std::string square_text(Square s) {
    std::string text(1, BOARD_FILES[s % 8]);
    text += std::to_string((s % 256) / 8 + 1);
    return text;
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t decode_utf8(std::string_view text, std::size_t& i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    if (lead < 0x80) return text[i++];
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    char32_t c = lead & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < text.size(); ++k) c = (c << 6) | (byte(i + k) & 0x3F);
    i += extra + 1;
    return c;
}

std::string Move::uci() const {
    std::string text = square_text(from_square) + square_text(to_square);
    if (promotion) append_utf8(text, *promotion);
    return text;
}

void MoveList::grow() {
    auto bigger = std::make_unique<Move[]>(capacity_ * 2);
    std::copy(data_, data_ + size_, bigger.get());
    heap_ = std::move(bigger);
    data_ = heap_.get();
    capacity_ *= 2;
}

void MoveList::take(MoveList& other) noexcept {
    size_ = other.size_;
    if (other.heap_) {
        capacity_ = other.capacity_;
        heap_ = std::move(other.heap_);
        data_ = heap_.get();
    } else {
        std::copy(other.data_, other.data_ + other.size_, local());
    }
    other.size_ = 0;
    other.capacity_ = INLINE_CAPACITY;
    other.data_ = other.local();
}

}  // namespace vorpane
