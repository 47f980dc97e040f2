#include "acquisition/logfiles/DataLogScans.h"

#include "acquisition/logfiles/LogRecord.h"
#include "acquisition/logfiles/RecordFile.h"
#include "platform/UserMessages.h"

#include <algorithm>
#include <span>

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
        const int records = last ? last->records + 1 : 1;
        last = LastRecord{logrecord::loggerDepthOf(record), logrecord::imageDepthOf(record),
                          logrecord::elapsedMsOf(record), records};
        position += length;
    }
    return last;
}

namespace {

// The bytes from the end looked at: a record cut short and the whole one before it, with the
// start of the record before that.
constexpr std::size_t EndWindow = 2 * logrecord::MaxLength + logrecord::HeadSize;

// Where the records followed from `at` lead: the start of the last one and the end of it.
struct RecordRun {
    std::size_t lastStart = 0;
    std::size_t end = 0;
};

[[nodiscard]] std::optional<RecordRun> followRecords(std::span<const std::uint8_t> bytes,
                                                     std::size_t at) {
    std::optional<RecordRun> run;
    while (bytes.size() - at >= logrecord::HeadSize) {
        const auto head = bytes.subspan(at, logrecord::HeadSize);
        const std::size_t length = logrecord::lengthOf(head);
        if (!logrecord::plausibleHead(head) || length > bytes.size() - at)
            break;
        run = RecordRun{at, at + length};
        at += length;
    }
    return run;
}

// Whether the bytes after the last whole record are what ends a data file: nothing, the start
// of a record the file ends inside of, or the zeros a file system may leave after a cut.
bool endOfData(std::span<const std::uint8_t> rest) {
    if (rest.size() < logrecord::HeadSize)
        return true;
    if (logrecord::plausibleHead(rest.first(logrecord::HeadSize)))
        return logrecord::lengthOf(rest) > rest.size();
    return std::all_of(rest.begin(), rest.end(), [](std::uint8_t b) { return b == 0; });
}

} // namespace

std::optional<std::uint32_t> LastRecordElapsedMs(const std::filesystem::path& dataFile) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(dataFile, ec);
    RecordFile file(EndWindow);
    if (ec || !file.open(dataFile))
        return std::nullopt;
    if (size > EndWindow) {
        const auto bytes = file.bytesAt(static_cast<std::int64_t>(size - EndWindow), EndWindow);
        // A record starts within the first MaxLength bytes; every run of records from there
        // that ends the data must name the same last record.
        std::optional<std::size_t> lastStart;
        bool agree = !bytes.empty();
        for (std::size_t at = 0; agree && at < logrecord::MaxLength; ++at) {
            const std::optional<RecordRun> run = followRecords(bytes, at);
            if (!run || !endOfData(bytes.subspan(run->end)))
                continue;
            agree = !lastStart || *lastStart == run->lastStart;
            lastStart = run->lastStart;
        }
        if (agree && lastStart)
            return logrecord::elapsedMsOf(bytes.subspan(*lastStart, logrecord::HeadSize));
    }
    // The walk from the start, as far as the heads are those of records.
    std::optional<std::uint32_t> last;
    std::uintmax_t at = 0;
    while (size - at >= logrecord::HeadSize) {
        const auto head = file.bytesAt(static_cast<std::int64_t>(at), logrecord::HeadSize);
        if (!logrecord::plausibleHead(head) || logrecord::lengthOf(head) > size - at)
            break;
        last = logrecord::elapsedMsOf(head);
        at += logrecord::lengthOf(head);
    }
    return last;
}

std::optional<double> ScanLastDepth(const std::filesystem::path& dataFile) {
    const std::optional<LastRecord> last = ScanLastRecord(dataFile);
    return last ? std::optional<double>(last->loggerDepth) : std::nullopt;
}

} // namespace zarn
