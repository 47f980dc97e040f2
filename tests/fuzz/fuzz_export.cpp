// The picture export with arbitrary bytes as its data file: the record reader and the export
// run (bilinear or bicubic, pictures or the LGX image log, chosen by the first byte) must end,
// never read outside the file or their buffers, and leave in the output folder only the files
// they report, whatever the records claim (lengths, modes, widths, depths).
#include "acquisition/export/ExportRecordReader.h"
#include "acquisition/export/PictureExportRun.h"
#include "acquisition/logfiles/LogRecord.h"

#include "tests/fuzz/FuzzSupport.h"

#include <cmath>
#include <cstdint>
#include <fstream>

namespace {

using zarn::fuzz::check;
namespace fs = std::filesystem;

const fs::path& folder() {
    static const zarn::fuzz::ScratchFolder made("export");
    return made.path();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::uint8_t choice = data[0];
    const fs::path file = folder() / "LOG.lox";
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));

    zarn::ExportSource source;
    source.files.push_back(zarn::ExportDataFile{file, "LOG.lox", 0, 0, 1});
    source.totalSamples = 10;
    // The first and last depths the reader finds, and the width of the first record.
    std::optional<double> first, last;
    {
        zarn::ExportRecordReader reader(source.files);
        long long records = 0;
        while (reader.next()) {
            const auto record = reader.record();
            check(record.size() >= zarn::logrecord::HeadSize);
            check(record.size() <= zarn::logrecord::MaxLength);
            const double depth = zarn::logrecord::imageDepthOf(record);
            if (!first) {
                first = depth;
                source.lineWidth = zarn::pixelsPerRowOf(record[zarn::logrecord::ImageMode] >> 5);
            }
            last = depth;
            ++records;
        }
        check(reader.bytesRead() <= reader.totalBytes());
        if (!first)
            return 0;
    }

    zarn::PictureExportJob job;
    job.from = zarn::roundToCentimetre(*first);
    job.to = job.from + (*last >= *first ? 0.05 : -0.05);
    job.interval = 0.0001 * (1 + (choice & 0x0F));
    job.maxLines = 40;
    job.type = zarn::CBmpCreator::PictureType::Bmp;
    job.bicubic = (choice & 0x10) != 0;
    job.output = (choice & 0x20) ? zarn::PictureExportJob::Output::Lgx
                                 : zarn::PictureExportJob::Output::Pictures;
    job.replaceLgx = true;
    job.colourMode =
        (choice & 0x40) ? zarn::CBmpCreator::GreyMode : zarn::CBmpCreator::TrueColourMode;
    job.deviation = (choice >> 6) % 3;
    const fs::path out = folder() / "out";
    std::error_code ec;
    fs::remove_all(out, ec);
    job.outputFolder = out;

    const zarn::PictureExportResult result = zarn::PictureExportRun(source, job).run();
    long long rows = 0;
    for (const zarn::GeneratedPicture& picture : result.pictures) {
        check(fs::is_regular_file(picture.path, ec));
        rows += picture.height;
    }
    check(rows <= result.lines || result.outcome != zarn::ExportOutcome::Done);
    check(rows <= job.totalLines());
    // Nothing but the reported pictures and the LGX folder, which holds the image log of a run
    // that finished and nothing after one that did not.
    for (const fs::directory_entry& e : fs::directory_iterator(out, ec)) {
        bool reported = e.path() == out / "LGX";
        for (const zarn::GeneratedPicture& picture : result.pictures)
            reported = reported || e.path() == picture.path;
        check(reported);
    }
    const bool done = result.outcome == zarn::ExportOutcome::Done;
    for (const fs::directory_entry& e : fs::directory_iterator(out / "LGX", ec))
        check(done && (e.path() == result.lgxData || e.path() == result.lgxDescription));
    return 0;
}
