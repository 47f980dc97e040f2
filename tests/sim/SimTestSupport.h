// Helpers for the simulator's tests: a packet splitter that reads the logger's byte stream the
// way the program's reader expects it (sync, counter, length, frame, end marker, frame sum), the
// command frames the program would send, and the decoder settings that match the simulator's
// defaults.
#pragma once

#include "acquisition/app/SettingsRecords.h"
#include "acquisition/link/CommandFrames.h"
#include "acquisition/stream/DecoderSettings.h"
#include "acquisition/wire/FrameLayout.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <gtest/gtest.h>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zarn::sim::test {

struct SplitPacket {
    std::uint8_t counter = 0;
    std::vector<std::uint8_t> frame; // without the end marker
};

// Splits a byte stream into packets. A packet counts only when its length holds, it ends with
// the end marker and its frame's closing sum is right; anything else is skipped up to the next
// sync, and counted.
class PacketSplitter {
public:
    void feed(std::span<const std::uint8_t> bytes) {
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
        for (;;) {
            auto sync = std::search(buffer_.begin(), buffer_.end(), Sync.begin(), Sync.end());
            // A sync split over two reads: its first bytes stay for the next.
            if (sync == buffer_.end() && buffer_.size() >= Sync.size())
                sync = buffer_.end() - static_cast<std::ptrdiff_t>(Sync.size() - 1);
            else if (sync == buffer_.end())
                return;
            if (sync != buffer_.begin()) {
                skipped_ += static_cast<std::size_t>(sync - buffer_.begin());
                buffer_.erase(buffer_.begin(), sync);
            }
            if (buffer_.size() < 7)
                return;
            const std::size_t length = buffer_[5] | (buffer_[6] << 8);
            if (length < 10 || length > 8192) {
                reject();
                continue;
            }
            if (buffer_.size() < length)
                return;
            std::vector<std::uint8_t> frame(buffer_.begin() + 7, buffer_.begin() + length - 1);
            const bool marker = buffer_[length - 1] == 0x99;
            const std::size_t n = frame.size();
            const bool sum =
                n >= 3 && frame::u16(frame, n - 2) == frame::sum16({frame.data(), n - 2});
            // A packet cut short shows the next sync inside its expected length.
            const bool cut = std::search(buffer_.begin() + 1, buffer_.begin() + length,
                                         Sync.begin(), Sync.end()) != buffer_.begin() + length;
            if (!marker || !sum || cut) {
                reject();
                continue;
            }
            packets_.push_back({buffer_[4], std::move(frame)});
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(length));
        }
    }
    std::optional<SplitPacket> next() {
        if (packets_.empty())
            return std::nullopt;
        SplitPacket p = std::move(packets_.front());
        packets_.pop_front();
        return p;
    }
    std::size_t rejected() const { return rejected_; }
    std::size_t skipped() const { return skipped_; }

private:
    static constexpr std::array<std::uint8_t, 4> Sync{0x55, 0xAA, 0x5A, 0xA5};
    void reject() {
        ++rejected_;
        buffer_.erase(buffer_.begin());
    }
    std::deque<std::uint8_t> buffer_;
    std::deque<SplitPacket> packets_;
    std::size_t rejected_ = 0;
    std::size_t skipped_ = 0;
};

// The program's configuration with its defaults, and the frames it builds from it.
struct ProgramSide {
    Configuration configuration;
    ProgramSide() {
        EXPECT_TRUE(CommandFrames::F1(configuration.logger, configuration.program).has_value());
    }

    std::vector<std::uint8_t> bytes(const CommandFrame& f) const {
        return {f.bytes.begin(), f.bytes.begin() + static_cast<std::ptrdiff_t>(f.length)};
    }
    std::vector<std::uint8_t> f0() { return bytes(CommandFrames::F0(configuration.logger)); }
    std::vector<std::uint8_t> f1() {
        return bytes(*CommandFrames::F1(configuration.logger, configuration.program));
    }
    std::vector<std::uint8_t> f2() { return bytes(CommandFrames::F2(configuration.logger)); }
    std::vector<std::uint8_t> f3() { return bytes(CommandFrames::F3(configuration.logger)); }
    std::vector<std::uint8_t> f11() {
        return bytes(CommandFrames::F11(configuration.logger, configuration.surface));
    }
    std::vector<std::uint8_t> f12() {
        return bytes(CommandFrames::F12(configuration.logger, configuration.surface));
    }
    std::vector<std::uint8_t> request(std::uint8_t index) {
        return bytes(CommandFrames::F12Request(configuration.logger, configuration.surface, index));
    }

    // What the decoder needs to turn counts into depth and speed: the program's defaults.
    DecoderSettings decoderSettings() const {
        DecoderSettings s;
        s.depthScale = configuration.logger.depthScale;
        s.wheelValue = configuration.program.wheelCircumferenceMm;
        s.pulsResolution = configuration.logger.pulsesPerTurn;
        s.cameraOffset = 8.0;
        s.orientationMode = 0;
        return s;
    }
};

// An INI text from lines.
inline std::string ini(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& l : lines)
        text += l + "\n";
    return text;
}

} // namespace zarn::sim::test
