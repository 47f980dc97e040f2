#include "acquisition/link/RawCapture.h"

#include "platform/FileIo.h"
#include "platform/Format.h"

#include <array>
#include <cstring>

namespace zarn {

RawCapture::~RawCapture() {
    stop();
}

bool RawCapture::start(const std::filesystem::path& path) {
    std::lock_guard lock(mutex_);
    if (file_)
        std::fclose(file_);
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_)
        return false;
    if (std::fwrite(Magic.data(), 1, Magic.size(), file_) != Magic.size() ||
        std::fflush(file_) != 0) {
        std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    return true;
}

void RawCapture::stop() {
    std::lock_guard lock(mutex_);
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
}

bool RawCapture::active() const {
    std::lock_guard lock(mutex_);
    return file_ != nullptr;
}

bool RawCapture::write(std::span<const std::uint8_t> bytes) {
    std::array<std::uint8_t, PacketFramer::ReadSize + 1> record{};
    std::lock_guard lock(mutex_);
    if (!file_)
        return false;
    // A read is never longer than the read size; a longer piece goes out as several records.
    while (!bytes.empty()) {
        const std::size_t n = std::min(bytes.size(), PacketFramer::ReadSize);
        record[0] = static_cast<std::uint8_t>(n);
        std::memcpy(record.data() + 1, bytes.data(), n);
        if (std::fwrite(record.data(), 1, n + 1, file_) != n + 1) {
            std::fclose(file_);
            file_ = nullptr;
            return false;
        }
        bytes = bytes.subspan(n);
    }
    if (std::fflush(file_) != 0) {
        std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    return true;
}

CaptureReplay parseRawCapture(std::span<const std::uint8_t> file,
                              const std::function<void(std::span<const std::uint8_t>)>& onRead) {
    CaptureReplay result;
    const std::size_t magic = RawCapture::Magic.size();
    if (file.size() < magic || std::memcmp(file.data(), RawCapture::Magic.data(), magic) != 0) {
        result.error = "not a raw capture";
        return result;
    }
    std::size_t at = magic;
    while (at < file.size()) {
        const std::size_t n = file[at];
        if (n == 0 || n > PacketFramer::ReadSize) {
            result.error = format("damaged record at byte %zu", at);
            return result;
        }
        if (file.size() - at - 1 < n) {
            result.error = format("capture cut short at byte %zu", at);
            return result;
        }
        onRead(file.subspan(at + 1, n));
        ++result.reads;
        result.bytes += n;
        at += n + 1;
    }
    result.complete = true;
    return result;
}

CaptureReplay replayRawCapture(const std::filesystem::path& path, PacketFramer& framer) {
    const std::optional<std::string> bytes = readWholeFile(path);
    if (!bytes) {
        CaptureReplay result;
        result.error = "cannot read " + path.string();
        return result;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
    return parseRawCapture(std::span(data, bytes->size()),
                           [&](std::span<const std::uint8_t> read) { framer.feed(read); });
}

} // namespace zarn
