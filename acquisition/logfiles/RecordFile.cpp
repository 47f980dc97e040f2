#include "acquisition/logfiles/RecordFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarn {

RecordFile::RecordFile(std::size_t window) : capacity_(window > 0 ? window : 1) {}

RecordFile::~RecordFile() {
    close();
}

bool RecordFile::open(const std::filesystem::path& path) {
    close();
    path_ = path;
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    struct stat status {};
    openedSize_ = ::fstat(fd_, &status) == 0 && status.st_size > 0
                      ? static_cast<std::size_t>(status.st_size)
                      : 0;
    return true;
}

void RecordFile::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    invalidate();
}

void RecordFile::invalidate() {
    windowStart_ = 0;
    windowFill_ = 0;
}

bool RecordFile::fill(std::int64_t position, std::size_t size) {
    constexpr std::size_t SmallestWindow = std::size_t{64} << 10;
    const std::size_t wanted =
        std::min(capacity_, std::max({size, openedSize_, std::min(SmallestWindow, capacity_)}));
    if (!window_ || allocated_ < wanted) {
        window_ = std::make_unique_for_overwrite<std::uint8_t[]>(wanted);
        allocated_ = wanted;
    }
    windowStart_ = position;
    windowFill_ = 0;
    while (windowFill_ < allocated_) {
        const ssize_t n = ::pread(fd_, window_.get() + windowFill_, allocated_ - windowFill_,
                                  static_cast<off_t>(position + windowFill_));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            windowFill_ = 0;
            return false;
        }
        if (n == 0)
            break; // end of file
        windowFill_ += static_cast<std::size_t>(n);
    }
    return true;
}

std::span<const std::uint8_t> RecordFile::bytesAt(std::int64_t position, std::size_t size) {
    failed_ = false;
    if (fd_ < 0 || position < 0 || size == 0 || size > capacity_)
        return {};
    const bool inside = position >= windowStart_ &&
                        static_cast<std::uint64_t>(position - windowStart_) + size <= windowFill_;
    if (!inside) {
        if (!fill(position, size)) {
            failed_ = true;
            return {};
        }
        if (windowFill_ < size)
            return {};
    }
    return {window_.get() + (position - windowStart_), size};
}

} // namespace zarn
