#include "acquisition/export/PictureExportRun.h"

#include "acquisition/export/ExportRecordReader.h"
#include "acquisition/logfiles/LogRecord.h"
#include "acquisition/stream/Orientation.h"
#include "acquisition/stream/RowPixels.h"
#include "acquisition/wire/ImageRows.h"
#include "platform/Format.h"
#include "platform/imaging/PictureFileName.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zarn {

namespace fs = std::filesystem;

namespace {

constexpr double FeetPerMetre = 3.28083;
constexpr std::uint32_t OpaqueBlack = 0xFF000000u;
// Records between two search status texts.
constexpr int SearchStatusRecords = 200;
// Lines between two progress reports.
constexpr long long ProgressLines = 40;

double wrapDegrees(double angle) {
    angle = std::fmod(angle, 360.0);
    return angle < 0 ? angle + 360.0 : angle;
}

// previous blended toward current by w, per colour byte, truncated; alpha opaque.
void blendLines(const std::uint32_t* previous, const std::uint32_t* current, double w,
                std::uint32_t* out, int width) {
    for (int x = 0; x < width; ++x) {
        const std::uint32_t p = previous[x];
        const std::uint32_t c = current[x];
        std::uint32_t pixel = OpaqueBlack;
        for (int shift = 0; shift <= 16; shift += 8) {
            const int a = static_cast<int>((p >> shift) & 0xFF);
            const int b = static_cast<int>((c >> shift) & 0xFF);
            const auto v = static_cast<std::uint32_t>(static_cast<int>(a + w * (b - a)));
            pixel |= (v & 0xFF) << shift;
        }
        out[x] = pixel;
    }
}

} // namespace

// The line buffers of one run, made once.
struct PictureExportRun::Lines {
    explicit Lines(int width)
        : decoded(static_cast<std::size_t>(Mode16Rows) * MaxPixelsPerRow, 0),
          turned(MaxPixelsPerRow, 0), current(static_cast<std::size_t>(width), OpaqueBlack),
          previous(static_cast<std::size_t>(width), OpaqueBlack),
          output(static_cast<std::size_t>(width), OpaqueBlack) {}
    std::vector<std::uint32_t> decoded; // the lines of one record
    std::vector<std::uint32_t> turned;  // one line turned, at the record's width
    std::vector<std::uint32_t> current;
    std::vector<std::uint32_t> previous;
    std::vector<std::uint32_t> output;
};

PictureExportRun::PictureExportRun(const ExportSource& source, const PictureExportJob& job)
    : source_(source), job_(job),
      base_(pictureNameBase(source.files.empty() ? std::string()
                                                 : source.files.front().path.filename().string())) {
    job_.decimals = pictureNameDecimals(job_.decimals);
}

std::optional<std::string> PictureExportRun::freeSpaceProblem(const fs::path& folder) {
    std::error_code ec;
    const fs::space_info space = fs::space(folder, ec);
    if (ec)
        return std::nullopt; // unknown: the writes themselves are checked
    const std::uintmax_t freeMb = space.available >> 20;
    if (freeMb >= RequiredFreeMb)
        return std::nullopt;
    return format("You have no enough disk space for this work ...\nFree space : %d Mb",
                  static_cast<int>(freeMb));
}

std::string PictureExportRun::typeAndModeText() const {
    const char* type = job_.type == CBmpCreator::PictureType::Bmp    ? "BMP"
                       : job_.type == CBmpCreator::PictureType::Tiff ? "TIFF"
                                                                     : "JPG";
    return format("%s%s - %d decimals", type,
                  job_.colourMode == CBmpCreator::GreyMode ? " - Black and White"
                                                           : " - True colors",
                  job_.decimals);
}

fs::path PictureExportRun::picturePath(double start, double end) const {
    const double scale = job_.feet ? FeetPerMetre : 1.0;
    return job_.outputFolder / pictureFileName(base_, job_.deviation, start * scale, end * scale,
                                               job_.decimals, pictureExtensionOf(job_.type));
}

bool PictureExportRun::savePicture(PictureExportResult& result, double start, double end,
                                   Progress& progress) {
    progress.stage(format("Save file : %d , MODE :", pictureNumber_) + typeAndModeText() +
                   ", wait... ");
    const fs::path path = picturePath(start, end);
    const int rows = canvas_.filledRows();
    std::string error;
    if (!canvas_.Save(path, job_.type, job_.colourMode, &error)) {
        result.message = path.string() + ": " + error;
        return false;
    }
    result.pictures.push_back(GeneratedPicture{path, canvas_.width(), rows, start, end});
    ++pictureNumber_;
    return true;
}

int PictureExportRun::decodeRecord(std::span<const std::uint8_t> record, std::uint32_t* lines,
                                   int width) {
    const std::uint8_t mode = record[logrecord::ImageMode];
    const std::span<const std::uint8_t> payload = record.subspan(logrecord::HeadSize);
    const std::span<std::uint32_t> out(lines, static_cast<std::size_t>(Mode16Rows) *
                                                  static_cast<std::size_t>(width));
    switch (mode & 0x18) {
    case 16:
        decoder_.InitBitReader(payload);
        static_cast<void>(decoder_.SelectDctParameters(mode & 0x07)); // keeps the last valid one
        decoder_.BuildDctTables();
        decoder_.SetShutterFactor(logrecord::shutterFactorOf(record[logrecord::Shutter]));
        return decoder_.DecodeDctStrip(out, width) ? Mode16Rows : 0;
    case 8:
        static_cast<void>(decoder_.SelectDpcmParameters(mode & 0x07));
        decoder_.InitBitReader(payload);
        return decoder_.DecodeDpcmPair(out, width) ? Mode8Rows : 0;
    case 0:
        std::fill(out.begin(), out.end(), OpaqueBlack);
        return Mode16Rows;
    default:
        return 0;
    }
}

PictureExportResult PictureExportRun::run(Progress& progress) {
    PictureExportResult result;
    ExportRecordReader reader(source_.files);
    std::vector<std::string> notes; // of the run itself, after the reader's
    const auto collectNotes = [&] {
        result.notes = reader.notes();
        result.notes.insert(result.notes.end(), notes.begin(), notes.end());
    };
    const auto fail = [&](std::string message) {
        collectNotes();
        result.outcome = ExportOutcome::Failed;
        result.message = std::move(message);
        canvas_.Release();
        return result;
    };
    const auto cancelled = [&] {
        progress.stage("User cancel wait ... End.");
        collectNotes();
        result.outcome = ExportOutcome::Cancelled;
        result.message = "cancelled";
        canvas_.Release();
        return result;
    };

    const int width = source_.lineWidth;
    const double step = std::fabs(job_.interval);
    if (!(step >= PictureExportJob::SmallestInterval - 1e-12) || !std::isfinite(step))
        return fail("the depth interval must be at least 0.1 mm");
    const double direction = job_.to >= job_.from ? 1.0 : -1.0;
    const double interval = direction * step;
    job_.interval = interval;
    const long long total = job_.totalLines();
    if (total < 1)
        return fail("the depth range holds no line at this interval");
    if (job_.fileCount() > PictureExportJob::MaxFiles)
        return fail("Sorry, the Max line value is too small.\nMax limit of file genered is "
                    "99.\nChange start or end depth for limit your generation file");
    std::error_code ec;
    fs::create_directories(job_.outputFolder, ec);
    if (!fs::is_directory(job_.outputFolder, ec))
        return fail(job_.outputFolder.string() + ": the output folder cannot be made");
    if (std::optional<std::string> space = freeSpaceProblem(job_.outputFolder))
        return fail(*space);

    // Output line k lies at from + k x interval, on the 0.1 mm grid.
    const auto depthOf = [&](long long k) {
        return roundToTenthMillimetre(job_.from + static_cast<double>(k) * interval);
    };
    const bool down = direction > 0;
    canvas_.Release();
    canvas_.SetFeet(job_.feet);
    canvas_.SetRowInterval(step);
    const long long perFile = job_.linesPerFile();
    long long remaining = total;
    if (!canvas_.Create(width, static_cast<int>(std::min(perFile, remaining))))
        return fail(CBmpCreator::CreateErrorText);
    Lines lines(width);

    progress.stage("Load loging file, wait ..");
    const auto imageDepth = [](std::span<const std::uint8_t> head) {
        return logrecord::imageDepthOf(head);
    };

    // The first record that reaches the start depth.
    bool found = false;
    for (long long count = 1; reader.next(); ++count) {
        if (progress.cancelled())
            return cancelled();
        const double depth = imageDepth(reader.record());
        if ((depth - job_.from) * direction >= 0) {
            found = true;
            break;
        }
        if (count % SearchStatusRecords == 0) {
            progress.stage(
                format("Search Depht Position %.2f .wait... File at :%.2f", job_.from, depth));
            progress.fraction(static_cast<double>(reader.bytesRead()) /
                              static_cast<double>(std::max<std::uint64_t>(reader.totalBytes(), 1)));
        }
    }
    if (!found) {
        progress.stage("Record aborted...");
        return fail(reader.troubleOpening() ? ExportRecordReader::TroubleOpeningText
                                            : "Real depth not find, record aborted...");
    }

    OrientationResult orientation;
    double previousAngle = 0;
    double lineStep = 0;
    bool firstRecord = true;
    bool havePrevious = false;
    double previousDepth = 0; // the depth of the line held as the previous line
    long long made = 0;
    double pictureStart = depthOf(0);
    bool pastEnd = false;
    progress.stage(format("Creating file %d, wait... ", pictureNumber_));

    do {
        if (progress.cancelled())
            return cancelled();
        const std::span<const std::uint8_t> record = reader.record();
        const int recordWidth = pixelsPerRowOf(record[logrecord::ImageMode] >> 5);
        const int count = decodeRecord(record, lines.decoded.data(), recordWidth);
        if (count == 0)
            continue;

        // The rotation of this record, and how it moves from line to line.
        using frame::s16;
        const int status = OrientedFormula(
            s16(record, logrecord::GX), s16(record, logrecord::GY), s16(record, logrecord::GZ),
            s16(record, logrecord::HX), s16(record, logrecord::HY), s16(record, logrecord::HZ),
            orientation, job_.deviation, source_.info.MagneticDeclination,
            source_.info.ImageOffset);
        double angle = orientation.OrientedAngle;
        double angleStep = 0;
        if (firstRecord) {
            previousAngle = angle;
        } else {
            if (status == OrientationStatus::StoppedEarly || !(angle >= 0 && angle < 360))
                angle = previousAngle;
            double from = previousAngle;
            // The short way around.
            if (angle < 90 && from > 270) {
                angle += 180;
                from -= 180;
            } else if (angle > 270 && from < 90) {
                angle -= 180;
                from += 180;
            }
            angleStep = (angle - from) / count;
        }

        const double d0 = imageDepth(record);
        const double d1 = reader.hasFollowing() ? imageDepth(reader.followingHead()) : d0;
        if (d1 != d0)
            lineStep = (d1 - d0) / count;

        for (int i = 0; i < count && !pastEnd; ++i) {
            previousAngle = wrapDegrees(previousAngle + angleStep);
            const double e = d0 + i * lineStep;
            // A line at or past the end depth is the last one read: the output lines before
            // it still take their share of it, so the pictures reach the end depth.
            pastEnd = (e - job_.to) * direction >= 0;
            // The line turned, at the record's width, then at the picture's width.
            const std::span<const std::uint32_t> decoded(
                lines.decoded.data() +
                    static_cast<std::ptrdiff_t>(i) * static_cast<std::ptrdiff_t>(recordWidth),
                static_cast<std::size_t>(recordWidth));
            RotateRow(previousAngle, decoded, lines.turned, recordWidth);
            if (recordWidth == width) {
                std::copy_n(lines.turned.begin(), width, lines.current.begin());
            } else {
                for (int x = 0; x < width; ++x)
                    lines.current[static_cast<std::size_t>(x)] =
                        lines.turned[static_cast<std::size_t>(x) *
                                     static_cast<std::size_t>(recordWidth) /
                                     static_cast<std::size_t>(width)];
            }
            if (!havePrevious) {
                lines.previous = lines.current;
                previousDepth = e;
                havePrevious = true;
            }

            // Every output line whose depth this source line has reached.
            while (made < total) {
                const double w = depthOf(made);
                if ((w - e) * direction > 0)
                    break;
                const double span = e - previousDepth;
                const double weight =
                    span == 0 ? 1.0 : std::clamp((w - previousDepth) / span, 0.0, 1.0);
                const std::uint32_t* line = lines.output.data();
                if (weight >= 0.999)
                    line = lines.current.data();
                else if (weight <= 0.001)
                    line = lines.previous.data();
                else
                    blendLines(lines.previous.data(), lines.current.data(), weight,
                               lines.output.data(), width);
                if (canvas_.filledRows() == 0) {
                    pictureStart = w;
                    progress.stage(format("Creating file %d, wait... ", pictureNumber_));
                }
                static_cast<void>(canvas_.AddRow(
                    std::span<const std::uint32_t>(line, static_cast<std::size_t>(width)), down,
                    std::llround(w * logrecord::DepthUnitsPerMetre), job_.drawScale,
                    job_.scaleColour)); // never full here: a full canvas is saved below
                ++made;
                if (made % ProgressLines == 0)
                    progress.fraction(static_cast<double>(made) / static_cast<double>(total));
                if (canvas_.full()) {
                    if (!savePicture(result, pictureStart, depthOf(made), progress))
                        return fail(result.message);
                    remaining -= canvas_.height();
                    canvas_.Release();
                    if (remaining > 0) {
                        if (!canvas_.Create(width, static_cast<int>(std::min(perFile, remaining))))
                            return fail(CBmpCreator::CreateErrorText);
                        if (std::optional<std::string> space = freeSpaceProblem(job_.outputFolder))
                            notes.push_back(*space);
                    }
                }
            }
            lines.previous.swap(lines.current);
            previousDepth = e;
        }
        firstRecord = false;
    } while (!pastEnd && made < total && reader.next());

    if (canvas_.exists() && canvas_.filledRows() > 0) {
        if (canvas_.filledRows() >= SmallestPicture) {
            if (!savePicture(result, pictureStart, depthOf(made), progress))
                return fail(result.message);
        } else {
            notes.push_back(
                format("the last %d line(s) were too few for a picture", canvas_.filledRows()));
        }
    }
    canvas_.Release();
    collectNotes();
    result.lines = made;
    result.outcome = ExportOutcome::Done;
    progress.fraction(1.0);
    return result;
}

} // namespace zarn
