// Data log reading with arbitrary bytes as a data file. The replay reader, the last-depth
// scanner, the first-record reader and the depth search must all end (no loop on a zero or
// wrong length), never read outside the file, and agree with each other: the records the reader
// walks are the ones the scanner walks, the first and the last of them are the ones the small
// readers report, and a record the search finds matches its target.
#include "acquisition/logfiles/DataLogReader.h"
#include "acquisition/logfiles/DataLogScans.h"
#include "acquisition/logfiles/LogRecord.h"

#include "tests/fuzz/FuzzSupport.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using zarn::fuzz::check;

const std::filesystem::path& folder() {
    static const zarn::fuzz::ScratchFolder made("lox");
    return made.path();
}

class CountingSink : public zarn::ReplaySink {
public:
    void publishRecord(const zarn::MeasurementRecord& record, int recordLength) override {
        check(recordLength >= static_cast<int>(zarn::logrecord::HeadSize));
        check(record.PayloadLength == recordLength - static_cast<int>(zarn::logrecord::HeadSize));
        ++published;
    }
    void decodeMode8(std::span<const std::uint8_t> payload, int pixels, int direction, int,
                     const zarn::MeasurementRecord&) override {
        checkPayload(payload, pixels, direction);
    }
    void decodeMode16(std::span<const std::uint8_t> payload, int pixels, int direction, int,
                      const zarn::MeasurementRecord&) override {
        checkPayload(payload, pixels, direction);
    }
    int published = 0;
    unsigned checksum = 0;

private:
    void checkPayload(std::span<const std::uint8_t> payload, int pixels, int direction) {
        check(payload.size() <= zarn::logrecord::MaxPayload);
        check(pixels >= 360 && pixels <= 1440);
        check(direction == 0 || direction == 1);
        // Touch every byte: an out-of-bounds span shows under the address sanitizer.
        for (const std::uint8_t b : payload)
            checksum += b;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto path = folder() / "fuzz.lox";
    {
        // A plain write: the file needs no crash safety here, and a sync per input would make
        // the fuzzer crawl.
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        check(static_cast<bool>(out.flush()));
    }

    zarn::MessageBus bus;
    CountingSink sink;
    zarn::CDataLogReader reader(&sink, nullptr, bus);
    reader.SetDataFile(path);
    std::int64_t position = 0;
    int records = 0;
    double firstDepth = 0.0;
    double lastDepth = 0.0;
    while (reader.ReadDataLineInFile(position)) {
        check(position <= static_cast<std::int64_t>(size));
        check(zarn::logrecord::soundLength(static_cast<std::uint32_t>(reader.LastRecordLength())));
        if (records == 0)
            firstDepth = reader.LastLoggerDepth();
        lastDepth = reader.LastLoggerDepth();
        ++records;
    }
    check(sink.published == records);

    const std::optional<double> scanned = zarn::ScanLastDepth(path);
    check(scanned.has_value() == (records > 0));
    if (scanned)
        check(*scanned == lastDepth);
    const std::optional<zarn::LastRecord> last = zarn::ScanLastRecord(path);
    check(!last || last->records == records);
    // The look at the end of the file takes any bytes (what it finds there may be records the
    // walk from the start never reaches).
    (void)zarn::LastRecordElapsedMs(path);
    const std::optional<zarn::FirstRecord> first = zarn::ReadFirstRecord(path);
    check(first.has_value() == (records > 0));
    if (first)
        check(first->loggerDepth == firstDepth);

    // Search for a depth named by the input, and for the last depth: both end, and a record
    // found lies on the right side of the target for its direction.
    for (const double target : {size > 2 ? (data[1] - 128) * 0.25 : 0.0, lastDepth}) {
        position = 0;
        if (reader.SearchDepth(position, target)) {
            check(position >= 0 && position <= static_cast<std::int64_t>(size));
            const bool down = reader.Record().Direction == 1;
            const double depth = reader.LastLoggerDepth();
            check(std::ceil(depth * 10000) / 10000 == target ||
                  (down ? depth >= target : depth <= target));
        }
    }
    return 0;
}
