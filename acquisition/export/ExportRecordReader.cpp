#include "acquisition/export/ExportRecordReader.h"

#include "platform/Format.h"

#include <algorithm>
#include <cstring>

namespace zarn {

namespace {

// Reading heads only, the window is small enough to stay in the processor's cache beside the
// work done on it: the file's bytes pass through it once, and only the heads are looked at.
constexpr std::size_t HeadsWindow = std::size_t{256} << 10;
static_assert(HeadsWindow >= logrecord::HeadSize);

} // namespace

ExportRecordReader::ExportRecordReader(const std::vector<ExportDataFile>& files, Read read)
    : files_(files), read_(read),
      file_(read == Read::HeadsOnly ? HeadsWindow : RecordFile::DefaultWindow) {
    std::error_code ec;
    for (const ExportDataFile& file : files_) {
        const std::uintmax_t size = std::filesystem::file_size(file.path, ec);
        if (!ec)
            total_ += size;
    }
}

bool ExportRecordReader::readFollowing() {
    followingLength_ = 0;
    while (fileIndex_ < files_.size()) {
        const ExportDataFile& file = files_[fileIndex_];
        if (!fileOpen_) {
            if (!file_.open(file.path)) {
                trouble_ = true;
                notes_.push_back(std::string(TroubleOpeningText) + " " + file.path.string());
                fileIndex_ = files_.size();
                return false;
            }
            fileOpen_ = true;
            position_ = 0;
        }
        const auto head = file_.bytesAt(position_, logrecord::HeadSize);
        const std::size_t length = head.empty() ? 0 : logrecord::lengthOf(head);
        const bool sound = logrecord::soundLength(static_cast<std::uint32_t>(length));
        if (read_ == Read::HeadsOnly) {
            // The whole record must be in the file; only its head is kept.
            if (sound && logrecord::plausibleHead(head) &&
                static_cast<std::size_t>(position_) + length <= file_.size()) {
                std::memcpy(following_.data(), head.data(), logrecord::HeadSize);
                followingLength_ = logrecord::HeadSize;
                position_ += static_cast<std::int64_t>(length);
                return true;
            }
        }
        const auto whole = sound && read_ == Read::WholeRecords ? file_.bytesAt(position_, length)
                                                                : std::span<const std::uint8_t>();
        if (!whole.empty()) {
            std::memcpy(following_.data(), whole.data(), whole.size());
            followingLength_ = whole.size();
            position_ += static_cast<std::int64_t>(length);
            return true;
        }
        // The end of this file's records: say why when bytes are left over.
        const std::size_t size = file_.size();
        if (static_cast<std::size_t>(position_) < size)
            notes_.push_back(format("%s: the records end at byte %lld of %llu (%s)",
                                    file.path.string().c_str(), static_cast<long long>(position_),
                                    static_cast<unsigned long long>(size),
                                    file_.failed() ? "read error" : "a damaged record"));
        before_ += size;
        position_ = 0;
        file_.close();
        fileOpen_ = false;
        ++fileIndex_;
    }
    return false;
}

bool ExportRecordReader::next() {
    if (!started_) {
        started_ = true;
        if (!readFollowing())
            return false;
    }
    if (followingLength_ == 0)
        return false;
    std::memcpy(current_.data(), following_.data(), followingLength_);
    currentLength_ = followingLength_;
    readFollowing();
    return true;
}

std::span<const std::uint8_t> ExportRecordReader::record() const {
    return {current_.data(), currentLength_};
}

std::span<const std::uint8_t> ExportRecordReader::followingHead() const {
    return {following_.data(), std::min(followingLength_, logrecord::HeadSize)};
}

} // namespace zarn
