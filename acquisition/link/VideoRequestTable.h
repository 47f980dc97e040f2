// The video packet indexes still to be re-requested or awaited: 50 entries, -1 for an empty
// one, the most recent request at the highest used entry. Used by the reader thread only.
#pragma once

#include <array>
#include <cstdint>

namespace zarn {

class VideoRequestTable {
public:
    static constexpr int Size = 50;
    static constexpr std::int32_t Empty = -1;

    VideoRequestTable() { entries_.fill(Empty); }

    bool contains(std::int32_t index) const;
    // Stores the index in the first empty entry; returns that entry, or -1 when all are used.
    [[nodiscard]] int remember(std::int32_t index);
    // The highest used entry, or -1 when the table is empty.
    int highestUsed() const;
    // The value of an entry; Empty for an empty or out-of-range entry.
    std::int32_t at(int entry) const;
    void clear(int entry);
    // Empties the table; returns how many entries were in use.
    int clearAll();
    int used() const;

private:
    std::array<std::int32_t, Size> entries_{};
};

} // namespace zarn
