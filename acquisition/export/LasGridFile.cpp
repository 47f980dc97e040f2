#include "acquisition/export/LasGridFile.h"

#include "platform/PendingFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace zarn {

namespace {

constexpr long long WriteRecords = 1024;

// The whole buffer written at offset; false on any error.
bool writeAll(int fd, const void* data, std::size_t size, off_t offset) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t done = ::pwrite(fd, bytes, size, offset);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        bytes += done;
        size -= static_cast<std::size_t>(done);
        offset += done;
    }
    return true;
}

bool readAll(int fd, void* data, std::size_t size, off_t offset) {
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t done = ::pread(fd, bytes, size, offset);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        bytes += done;
        size -= static_cast<std::size_t>(done);
        offset += done;
    }
    return true;
}

} // namespace

void LasGridFile::HeldBlockFree::operator()(LasGridRecord* records) const {
    std::free(records);
}

LasGridFile::HeldBlock LasGridFile::newHeldBlock() {
    void* memory = std::aligned_alloc(HeldBlockBytes, HeldBlockBytes);
    if (!memory)
        throw std::bad_alloc();
        // Advice only: without large pages the block works the same, page by page, and without the
        // prefault its pages come as they are first written.
#ifdef MADV_HUGEPAGE
    static_cast<void>(::madvise(memory, HeldBlockBytes, MADV_HUGEPAGE));
#endif
#ifdef MADV_POPULATE_WRITE
    static_cast<void>(::madvise(memory, HeldBlockBytes, MADV_POPULATE_WRITE));
#endif
    return HeldBlock(static_cast<LasGridRecord*>(memory));
}

LasGridFile::LasGridFile(std::size_t memoryBytes)
    : memoryRecords_(static_cast<long long>(memoryBytes / sizeof(LasGridRecord))) {}

LasGridFile::~LasGridFile() {
    remove();
}

bool LasGridFile::create(const std::filesystem::path& folder) {
    remove();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    path_ = temporaryNameBeside(folder / "las~.tmp");
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        path_.clear();
        return false;
    }
    pending_.reserve(static_cast<std::size_t>(WriteRecords));
    return true;
}

bool LasGridFile::flush() {
    if (pending_.empty())
        return true;
    const off_t offset = static_cast<off_t>(count_ - static_cast<long long>(pending_.size())) *
                         static_cast<off_t>(sizeof(LasGridRecord));
    const bool written =
        writeAll(fd_, pending_.data(), pending_.size() * sizeof(LasGridRecord), offset);
    pending_.clear();
    if (!written)
        failed_ = true;
    return written;
}

bool LasGridFile::spill() {
    for (std::size_t b = 0; b < held_.size(); ++b) {
        const long long first = static_cast<long long>(b) * HeldRecords;
        const long long n = std::min(HeldRecords, count_ - first);
        if (!writeAll(fd_, held_[b].get(), static_cast<std::size_t>(n) * sizeof(LasGridRecord),
                      static_cast<off_t>(first) * static_cast<off_t>(sizeof(LasGridRecord)))) {
            failed_ = true;
            return false;
        }
    }
    held_.clear();
    spilled_ = true;
    return true;
}

bool LasGridFile::append(const LasGridRecord& record) {
    if (fd_ < 0 || failed_)
        return false;
    if (!spilled_) {
        if (count_ < memoryRecords_) {
            const auto block = static_cast<std::size_t>(count_ / HeldRecords);
            if (block == held_.size())
                held_.push_back(newHeldBlock());
            held_[block][static_cast<std::size_t>(count_ % HeldRecords)] = record;
            ++count_;
            return true;
        }
        if (!spill())
            return false;
    }
    pending_.push_back(record);
    ++count_;
    return static_cast<long long>(pending_.size()) < WriteRecords || flush();
}

bool LasGridFile::finish() {
    return fd_ >= 0 && !failed_ && flush();
}

const LasGridRecord* LasGridFile::at(long long index) {
    if (index < 0 || index >= count_ || fd_ < 0 || failed_)
        return nullptr;
    if (!spilled_)
        return &held_[static_cast<std::size_t>(index / HeldRecords)]
                     [static_cast<std::size_t>(index % HeldRecords)];
    Block* oldest = &blocks_[0];
    for (Block& block : blocks_) {
        if (block.first >= 0 && index >= block.first && index < block.first + block.count) {
            block.used = ++clock_;
            return &block.records[static_cast<std::size_t>(index - block.first)];
        }
        if (block.used < oldest->used)
            oldest = &block;
    }
    // A new block from the index on in the way the reader walks.
    const long long first =
        std::max(0LL, std::min(backward_ ? index + reach_ - BlockRecords + 1 : index - reach_,
                               count_ - BlockRecords));
    const long long count = std::min(BlockRecords, count_ - first);
    oldest->records.resize(static_cast<std::size_t>(BlockRecords));
    if (!readAll(fd_, oldest->records.data(),
                 static_cast<std::size_t>(count) * sizeof(LasGridRecord),
                 static_cast<off_t>(first) * static_cast<off_t>(sizeof(LasGridRecord)))) {
        oldest->first = -1;
        failed_ = true;
        return nullptr;
    }
    oldest->first = first;
    oldest->count = count;
    oldest->used = ++clock_;
    return &oldest->records[static_cast<std::size_t>(index - first)];
}

void LasGridFile::remove() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!path_.empty()) {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    path_.clear();
    count_ = 0;
    pending_.clear();
    held_.clear();
    spilled_ = false;
    for (Block& block : blocks_)
        block = Block{};
    failed_ = false;
}

} // namespace zarn
