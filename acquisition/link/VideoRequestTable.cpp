#include "acquisition/link/VideoRequestTable.h"

namespace zarn {

bool VideoRequestTable::contains(std::int32_t index) const {
    if (index == Empty)
        return false;
    for (std::int32_t value : entries_)
        if (value == index)
            return true;
    return false;
}

int VideoRequestTable::remember(std::int32_t index) {
    for (int i = 0; i < Size; ++i) {
        if (entries_[i] == Empty) {
            entries_[i] = index;
            return i;
        }
    }
    return -1;
}

int VideoRequestTable::highestUsed() const {
    for (int i = Size - 1; i >= 0; --i)
        if (entries_[i] != Empty)
            return i;
    return -1;
}

std::int32_t VideoRequestTable::at(int entry) const {
    if (entry < 0 || entry >= Size)
        return Empty;
    return entries_[entry];
}

void VideoRequestTable::clear(int entry) {
    if (entry >= 0 && entry < Size)
        entries_[entry] = Empty;
}

int VideoRequestTable::clearAll() {
    const int count = used();
    entries_.fill(Empty);
    return count;
}

int VideoRequestTable::used() const {
    int count = 0;
    for (std::int32_t value : entries_)
        if (value != Empty)
            ++count;
    return count;
}

} // namespace zarn
