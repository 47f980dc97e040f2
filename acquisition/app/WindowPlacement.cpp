#include "acquisition/app/WindowPlacement.h"

namespace zarn {

static_assert(WindowPlacementRecord::FileSize == 281);

namespace {

void putWord(std::string& out, std::size_t offset, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i)
        out[offset + i] = static_cast<char>((u >> (8 * i)) & 0xFFu);
}

std::int32_t getWord(std::string_view in, std::size_t offset) {
    std::uint32_t u = 0;
    for (std::size_t i = 0; i < 4; ++i)
        u |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[offset + i])) << (8 * i);
    return static_cast<std::int32_t>(u);
}

std::array<std::int32_t, 11> wordsOf(const WindowPlacement& p) {
    return {p.length,
            p.flags,
            p.showCommand,
            p.minPosition.x,
            p.minPosition.y,
            p.maxPosition.x,
            p.maxPosition.y,
            p.normalPosition.left,
            p.normalPosition.top,
            p.normalPosition.right,
            p.normalPosition.bottom};
}

WindowPlacement placementOf(const std::array<std::int32_t, 11>& w) {
    return WindowPlacement{w[0], w[1], w[2], {w[3], w[4]}, {w[5], w[6]}, {w[7], w[8], w[9], w[10]}};
}

} // namespace

WindowPlacement WindowPlacementRecord::defaultMainPlacement() {
    WindowPlacement p;
    p.length = static_cast<std::int32_t>(WindowPlacement::Size);
    p.normalPosition = PlacementRect{10, 10, 700, 500};
    return p;
}

std::string WindowPlacementRecord::encode() const {
    std::string out(FileSize, '\0'); // byte 0 and the unused bytes 1 to 16 stay zero
    for (std::size_t w = 0; w < WindowCount; ++w) {
        const auto words = wordsOf(windows[w]);
        const std::size_t base = FirstPlacementOffset + w * WindowPlacement::Size;
        for (std::size_t i = 0; i < words.size(); ++i)
            putWord(out, base + 4 * i, words[i]);
    }
    return out;
}

std::optional<WindowPlacementRecord> WindowPlacementRecord::decode(std::string_view bytes) {
    if (bytes.size() != FileSize)
        return std::nullopt;
    WindowPlacementRecord record;
    for (std::size_t w = 0; w < WindowCount; ++w) {
        std::array<std::int32_t, 11> words{};
        const std::size_t base = FirstPlacementOffset + w * WindowPlacement::Size;
        for (std::size_t i = 0; i < words.size(); ++i)
            words[i] = getWord(bytes, base + 4 * i);
        record.windows[w] = placementOf(words);
    }
    return record;
}

} // namespace zarn
