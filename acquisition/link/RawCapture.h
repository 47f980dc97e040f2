// The raw capture: every byte the reader receives, kept in a file read by read, so that a field
// problem can be replayed offline through the same packet framing.
//
// File: the 8 bytes "ZRAWCAP1", then one record per read: its byte count (1 to 24) and the
// bytes. Each record is written and flushed as the read arrives, so a capture is usable up to
// the last read even when the program stops abruptly.
#pragma once

#include "acquisition/link/PacketFramer.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

namespace zarn {

class RawCapture {
public:
    static constexpr std::string_view Magic = "ZRAWCAP1";

    RawCapture() = default;
    ~RawCapture();
    RawCapture(const RawCapture&) = delete;
    RawCapture& operator=(const RawCapture&) = delete;

    // Starts a new capture file (replacing the file); false when it cannot be written.
    [[nodiscard]] bool start(const std::filesystem::path& path);
    void stop();
    bool active() const;
    // Appends one read; false when the capture is not active or the write failed (the capture
    // then stops). Any thread.
    [[nodiscard]] bool write(std::span<const std::uint8_t> bytes);

private:
    mutable std::mutex mutex_;
    std::FILE* file_ = nullptr;
};

// What reading a capture found.
struct CaptureReplay {
    bool complete = false; // every record was read
    std::string error;     // why not
    std::size_t reads = 0;
    std::size_t bytes = 0;
};

// Hands each read of a capture's bytes to onRead, in order, up to the first damaged record.
[[nodiscard]] CaptureReplay
parseRawCapture(std::span<const std::uint8_t> file,
                const std::function<void(std::span<const std::uint8_t>)>& onRead);

// Replays a capture file through the framing, read by read.
[[nodiscard]] CaptureReplay replayRawCapture(const std::filesystem::path& path,
                                             PacketFramer& framer);

} // namespace zarn
