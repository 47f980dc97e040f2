#include "sim/CommandParser.h"

#include <algorithm>

namespace zarn::sim {

std::size_t CommandParser::lengthOf(std::uint8_t id) {
    switch (id) {
    case CommandId::PowerOff:
        return 3;
    case CommandId::Winch:
        return 8;
    case CommandId::DepthSet:
        return 6;
    case CommandId::Downhole:
        return 4;
    case CommandId::Line:
        return 6;
    case CommandId::Camera:
        return 10;
    case CommandId::Order:
        return 9;
    default:
        return 0;
    }
}

bool CommandParser::feed(std::span<const std::uint8_t> bytes, std::vector<Command>& out) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (partialLength_ == 0 && lengthOf(bytes[at]) == 0) {
            ++unknownFrames_;
            return false;
        }
        const std::size_t length = lengthOf(partialLength_ ? partial_[0] : bytes[at]);
        const std::size_t take = std::min(length - partialLength_, bytes.size() - at);
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), take,
                    partial_.begin() + static_cast<std::ptrdiff_t>(partialLength_));
        partialLength_ += take;
        at += take;
        if (partialLength_ < length)
            return true; // completed by the next write
        partialLength_ = 0;
        unsigned sum = 0;
        for (std::size_t i = 0; i + 1 < length; ++i)
            sum += partial_[i];
        if (static_cast<std::uint8_t>(sum) != partial_[length - 1]) {
            ++checksumErrors_;
            return false;
        }
        Command c;
        std::copy_n(partial_.begin(), length, c.bytes.begin());
        c.length = length;
        out.push_back(c);
    }
    return true;
}

} // namespace zarn::sim
