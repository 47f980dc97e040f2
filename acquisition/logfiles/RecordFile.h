// A data file opened for reading records: the file stays open between reads and a window of it
// is kept in memory, so that walking the records one after the other costs one large read per
// window instead of a seek and two small reads per record. Positions are those of the file, so
// the callers keep the same 64-bit positions they would keep with a stream opened per call.
//
// Not thread-safe: one reader uses it at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

namespace zarn {

class RecordFile {
public:
    static constexpr std::size_t DefaultWindow = std::size_t{1} << 20;

    // window: the most bytes read at once; every request must fit in it.
    explicit RecordFile(std::size_t window = DefaultWindow);
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // Opens the file read-only (closing any other). False when it cannot be opened.
    [[nodiscard]] bool open(const std::filesystem::path& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    // The file's size when it was opened.
    std::size_t size() const { return openedSize_; }
    const std::filesystem::path& path() const { return path_; }

    // The bytes [position, position + size) of the file. Empty when the file holds fewer bytes
    // from position on (end of file), when position is negative, when size is 0 or larger than
    // the window, or when reading failed (then failed() is true until the next call).
    [[nodiscard]] std::span<const std::uint8_t> bytesAt(std::int64_t position, std::size_t size);
    bool failed() const { return failed_; }

    // Forgets the window, so that the next request reads the file again (after the file was
    // changed by someone else).
    void invalidate();

private:
    [[nodiscard]] bool fill(std::int64_t position, std::size_t size);

    std::filesystem::path path_;
    int fd_ = -1;
    std::size_t capacity_;
    std::size_t openedSize_ = 0; // the file's size when it was opened
    std::size_t allocated_ = 0;  // the window's size: no more than a small file needs
    std::unique_ptr<std::uint8_t[]> window_;
    std::int64_t windowStart_ = 0;
    std::size_t windowFill_ = 0;
    bool failed_ = false;
};

} // namespace zarn
