#include "acquisition/logfiles/DataLogScans.h"

#include "acquisition/logfiles/LogRecord.h"
#include "acquisition/logfiles/RecordFile.h"
#include "platform/UserMessages.h"

#include <algorithm>

namespace zarn {

std::optional<FirstRecord> ReadFirstRecord(const std::filesystem::path& dataFile) {
    RecordFile file(logrecord::MaxLength);
    if (!file.open(dataFile)) {
        UserMessages::current().notify(
            UserMessage{"Trouble opening file.", "ZARN", MessageIcon::Error, MessageButtons::Ok});
        return std::nullopt;
    }
    const auto head = file.bytesAt(0, logrecord::HeadSize);
    if (head.empty())
        return std::nullopt;
    const std::uint16_t length = logrecord::lengthOf(head);
    if (!logrecord::soundLength(length) || file.bytesAt(0, length).empty())
        return std::nullopt;
    const auto record = file.bytesAt(0, logrecord::HeadSize);
    FirstRecord first;
    first.loggerDepth = logrecord::loggerDepthOf(record);
    first.imageDepth = logrecord::imageDepthOf(record);
    first.imageDepthUnits = frame::s32(record, logrecord::ImageDepth);
    first.length = length;
    return first;
}

std::optional<LastRecord> ScanLastRecord(const std::filesystem::path& dataFile,
                                         Progress& progress) {
    RecordFile file;
    if (!file.open(dataFile))
        return std::nullopt;
    std::optional<LastRecord> last;
    std::int64_t position = 0;
    const double size = static_cast<double>(std::max<std::size_t>(file.size(), 1));
    for (;;) {
        if (progress.cancelled())
            return std::nullopt;
        progress.fraction(static_cast<double>(position) / size);
        const auto head = file.bytesAt(position, logrecord::HeadSize);
        if (head.empty())
            break;
        const std::uint16_t length = logrecord::lengthOf(head);
        if (!logrecord::soundLength(length))
            break;
        const auto record = file.bytesAt(position, length);
        if (record.empty())
            break;
        last = LastRecord{logrecord::loggerDepthOf(record), logrecord::imageDepthOf(record)};
        position += length;
    }
    return last;
}

std::optional<double> ScanLastDepth(const std::filesystem::path& dataFile) {
    const std::optional<LastRecord> last = ScanLastRecord(dataFile);
    return last ? std::optional<double>(last->loggerDepth) : std::nullopt;
}

} // namespace zarn
