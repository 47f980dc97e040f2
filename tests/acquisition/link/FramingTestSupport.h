// Shared pieces of the framing, dispatch and link thread tests: USB packets built from frames,
// a decoder and a status bar that record what reaches them, and bounded waits.
#pragma once

#include "acquisition/link/FrameDecoder.h"
#include "acquisition/link/FrameHandler.h"
#include "acquisition/link/PacketFramer.h"
#include "acquisition/link/USB.h"
#include "platform/MessageBus.h"
#include "platform/StatusBar.h"
#include "tests/acquisition/stream/FrameBuilder.h"

#include <chrono>
#include <cmath>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zarn::test {

using Bytes = std::vector<std::uint8_t>;

// Polls the condition until it holds or the time runs out; returns the last answer.
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Waits as the window thread would, delivering the posted messages between looks.
inline bool waitDelivering(MessageBus& bus, const std::function<bool()>& condition,
                           std::chrono::milliseconds timeout) {
    return waitUntil(
        [&] {
            bus.deliverPosted();
            return condition();
        },
        timeout);
}

// The link's reader runs and its text says so.
inline bool linkConnected(CUSB& usb) {
    return usb.flags().readerActive.load() && usb.texts().linkText == "USB link connected";
}

// A USB packet: sync, counter, the given length field, then the payload bytes as they are.
inline Bytes rawPacket(std::uint8_t counter, std::uint16_t lengthField, const Bytes& payload) {
    Bytes p = {0x55,
               0xAA,
               0x5A,
               0xA5,
               counter,
               static_cast<std::uint8_t>(lengthField & 0xFF),
               static_cast<std::uint8_t>(lengthField >> 8)};
    p.insert(p.end(), payload.begin(), payload.end());
    return p;
}

// The packet of a frame: its length field counts the header, the frame and the end marker.
inline Bytes packet(std::uint8_t counter, const Bytes& frame) {
    Bytes payload = frame;
    payload.push_back(0x99);
    return rawPacket(counter, static_cast<std::uint16_t>(frame.size() + 8), payload);
}

inline Bytes concat(const std::vector<Bytes>& parts) {
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// A valid 16-byte frame whose depth count tells frames apart.
inline Bytes shortFrameNo(std::int32_t n, std::uint8_t commStatus = 0x01) {
    LoggerHeader h;
    h.depthCount = n;
    return shortFrame(h, commStatus);
}

inline Bytes statusFrameNo(std::int32_t n) {
    StatusFields s;
    s.depthCount = n;
    return s.build();
}

// A full data frame with a payload of the given size, told apart by its depth count.
inline Bytes fullFrameNo(std::int32_t n, std::size_t payload = 40, std::uint8_t packetIndex = 0,
                         std::uint32_t picture = 0, std::uint8_t imageMode = 0) {
    FullFrameFields f;
    f.header.depthCount = n;
    f.packetIndex = packetIndex;
    f.pictureNumber = picture;
    f.imageMode = imageMode;
    f.payload.resize(payload);
    for (std::size_t i = 0; i < payload; ++i)
        f.payload[i] = static_cast<std::uint8_t>(i * 7 + static_cast<std::size_t>(n));
    return f.build();
}

// Records what the framing hands on.
class RecordingHandler : public FrameHandler {
public:
    void frameReady(std::span<const std::uint8_t> frame) override {
        frames.emplace_back(frame.begin(), frame.end());
    }
    void cutFrameSalvaged(std::uint8_t index) override { salvagedIndexes.push_back(index); }
    void packetsMissed(int count) override { missed += count; }
    void frameLengthError() override { ++lengthErrors; }

    std::vector<Bytes> frames;
    std::vector<std::uint8_t> salvagedIndexes;
    int missed = 0;
    int lengthErrors = 0;
};

// Records the decoder calls; any thread.
class RecordingDecoder : public FrameDecoder {
public:
    enum class Kind { Short, Status, Full, Header };
    // Where a full data frame carries its video packet index.
    static constexpr std::size_t PacketIndexAt = 23;
    struct Call {
        Kind kind;
        Bytes frame;
        bool current = false;
    };

    bool DecodeShortFrame(std::span<const std::uint8_t> f) override {
        record(Kind::Short, f, false);
        return true;
    }
    bool DecodeStatusFrame(std::span<const std::uint8_t> f) override {
        record(Kind::Status, f, false);
        return true;
    }
    int DecodeFullFrame(std::span<const std::uint8_t> f, bool current) override {
        record(Kind::Full, f, current);
        if (throwOnFull)
            throw std::runtime_error("decoder failure");
        if (!current && replayThrows > 0 && f.size() > PacketIndexAt &&
            f[PacketIndexAt] == replayThrowIndex) {
            --replayThrows;
            throw std::runtime_error("decoder failure");
        }
        return fullResult;
    }
    bool DecodePacketHeader(std::span<const std::uint8_t> f) override {
        record(Kind::Header, f, false);
        return true;
    }
    std::uint8_t sondeAlarmByte() const override { return alarmByte; }
    double lastDepth() const override { return depth; }

    std::vector<Call> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    size_t count() const {
        std::lock_guard lock(mutex_);
        return calls_.size();
    }
    // The depth count of each decoded frame (bytes 5 to 8 of 16-byte and full frames, 10 to 13
    // of 20-byte frames), in order.
    std::vector<std::int32_t> numbers() const {
        std::vector<std::int32_t> out;
        for (const Call& c : calls()) {
            const std::size_t at = c.kind == Kind::Status ? 10 : 5;
            out.push_back(static_cast<std::int32_t>(c.frame[at] | (c.frame[at + 1] << 8) |
                                                    (c.frame[at + 2] << 16) |
                                                    (c.frame[at + 3] << 24)));
        }
        return out;
    }

    int fullResult = 1;
    std::uint8_t alarmByte = 0;
    double depth = 0.0;
    bool throwOnFull = false;
    // The next replayThrows decodes of a held or re-sent packet (not the current frame) with
    // this packet index throw.
    std::uint8_t replayThrowIndex = 0;
    int replayThrows = 0;
    std::chrono::microseconds delay{0}; // each call takes at least this long

private:
    void record(Kind kind, std::span<const std::uint8_t> f, bool current) {
        if (delay.count() > 0)
            std::this_thread::sleep_for(delay);
        std::lock_guard lock(mutex_);
        calls_.push_back(Call{kind, Bytes(f.begin(), f.end()), current});
    }
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
};

// Records the status bar texts; installs itself for its lifetime.
class RecordingStatusBar : public StatusBar {
public:
    RecordingStatusBar() { StatusBar::install(this); }
    ~RecordingStatusBar() override { StatusBar::install(nullptr); }
    void setPaneText(int pane, std::string_view text) override {
        std::lock_guard lock(mutex_);
        texts_.emplace_back(pane, std::string(text));
    }
    std::vector<std::string> texts(int pane) const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> out;
        for (const auto& [p, t] : texts_)
            if (p == pane)
                out.push_back(t);
        return out;
    }
    std::string last(int pane) const {
        const auto all = texts(pane);
        return all.empty() ? std::string() : all.back();
    }
    bool shown(int pane, const std::string& text) const {
        for (const std::string& t : texts(pane))
            if (t == text)
                return true;
        return false;
    }
    size_t size() const {
        std::lock_guard lock(mutex_);
        return texts_.size();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<int, std::string>> texts_;
};

} // namespace zarn::test
