// A short text kept inside its record: a fixed character array with its length, so that
// copying the record never allocates. Longer assignments are cut at the capacity.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace zarn {

template <std::size_t Capacity> class FixedText {
public:
    static_assert(Capacity > 0 && Capacity < 256, "the length is kept in one byte");

    FixedText() = default;
    FixedText(std::string_view text) { assign(text); } // NOLINT: implicit on purpose
    FixedText& operator=(std::string_view text) {
        assign(text);
        return *this;
    }

    void assign(std::string_view text) {
        const std::size_t n = std::min(text.size(), Capacity);
        std::copy_n(text.data(), n, chars_.data());
        chars_[n] = '\0';
        size_ = static_cast<unsigned char>(n);
    }
    void clear() { assign({}); }

    std::string_view view() const { return {chars_.data(), size_}; }
    const char* c_str() const { return chars_.data(); }
    std::string str() const { return std::string(view()); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    static constexpr std::size_t capacity() { return Capacity; }

    friend bool operator==(const FixedText& a, const FixedText& b) { return a.view() == b.view(); }
    friend bool operator==(const FixedText& a, std::string_view b) { return a.view() == b; }

private:
    std::array<char, Capacity + 1> chars_{};
    unsigned char size_ = 0;
};

} // namespace zarn
