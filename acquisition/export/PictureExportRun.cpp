#include "acquisition/export/PictureExportRun.h"

#include "acquisition/export/BicubicKernel.h"
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
    explicit Lines(int lineWidth)
        : decoded(static_cast<std::size_t>(Mode16Rows) * MaxPixelsPerRow, 0),
          turned(MaxPixelsPerRow, 0), width(lineWidth) {}
    std::vector<std::uint32_t> decoded; // the lines of one record
    std::vector<std::uint32_t> turned;  // one line turned, at the record's width
    int width;
};

// The resampling of the source lines onto the output depths: each source line is handed in as
// it is decoded and turned, and every output line it completes is emitted.
class PictureExportRun::Resampler {
public:
    Resampler(PictureExportRun& run, int width, double interval, double direction)
        : run_(run), width_(width), interval_(interval), direction_(direction) {
        for (Slot& slot : window_)
            slot.pixels.assign(static_cast<std::size_t>(width), OpaqueBlack);
        output_.assign(static_cast<std::size_t>(width), OpaqueBlack);
    }

    // The pixels of the next source line go into this buffer before add().
    std::uint32_t* nextPixels() { return window_[slotOf(count_)].pixels.data(); }

    // The source line just written into nextPixels(). False when an emit failed.
    bool add(const ExportLine& line, PictureExportResult& result, Progress& progress) {
        window_[slotOf(count_)].line = line;
        ++count_;
        return run_.job_.bicubic ? bicubic(false, result, progress) : bilinear(result, progress);
    }
    // The data ended: the output lines the last line reached.
    bool finish(PictureExportResult& result, Progress& progress) {
        return run_.job_.bicubic ? bicubic(true, result, progress) : true;
    }

private:
    // The bicubic run needs two lines before and one after the target's line; the window keeps
    // that many and a few more, whatever the log's length.
    static constexpr long long WindowLines = 8;
    struct Slot {
        std::vector<std::uint32_t> pixels;
        ExportLine line;
    };
    static std::size_t slotOf(long long index) {
        return static_cast<std::size_t>(index % WindowLines);
    }
    const Slot& slot(long long index) const { return window_[slotOf(index)]; }
    bool reached(long long index, double w) const {
        return (slot(index).line.depth - w) * direction_ >= 0;
    }
    double target() const { return run_.depthOf(run_.made_); }

    bool bilinear(PictureExportResult& result, Progress& progress) {
        const Slot& current = slot(count_ - 1);
        const Slot& previous = slot(count_ >= 2 ? count_ - 2 : count_ - 1);
        const double e = current.line.depth;
        const double span = e - previous.line.depth;
        while (run_.made_ < run_.total_) {
            const double w = target();
            if ((w - e) * direction_ > 0)
                break;
            // Weighed from the depth of the line held as the previous line; a source line that
            // gives several output lines never divides by zero.
            const double weight =
                span == 0 ? 1.0 : std::clamp((w - previous.line.depth) / span, 0.0, 1.0);
            const std::uint32_t* line = output_.data();
            if (weight >= 0.999)
                line = current.pixels.data();
            else if (weight <= 0.001)
                line = previous.pixels.data();
            else
                blendLines(previous.pixels.data(), current.pixels.data(), weight, output_.data(),
                           width_);
            if (!run_.emit(line, w, current.line, result, progress))
                return false;
        }
        return true;
    }

    bool bicubic(bool ended, PictureExportResult& result, Progress& progress) {
        const long long last = count_ - 1;
        const long long oldest = std::max(0LL, count_ - WindowLines);
        while (run_.made_ < run_.total_ && last >= 0) {
            const double w = target();
            // p: the first line that reached the target; the line after it must be there too,
            // unless the data ended.
            long long p = std::max(hint_, oldest);
            while (p <= last && !reached(p, w))
                ++p;
            if (p > last || (p == last && !ended))
                break;
            hint_ = p;
            std::array<const std::uint32_t*, 4> lines{};
            std::array<int, 4> dy{};
            std::array<int, 4> fraction{};
            for (int r = 0; r < 4; ++r) {
                const long long index = std::clamp(p - 2 + r, oldest, last);
                const Slot& s = slot(index);
                lines[static_cast<std::size_t>(r)] = s.pixels.data();
                const double steps = std::fabs(w - s.line.depth) / std::fabs(interval_) * 128;
                dy[static_cast<std::size_t>(r)] = static_cast<int>(std::min(255.0, steps));
                fraction[static_cast<std::size_t>(r)] = std::min(127, s.line.fraction);
            }
            BicubicKernel::apply(kernel_.weightsFor(dy, fraction), lines, width_, output_.data());
            if (!run_.emit(output_.data(), w, slot(p).line, result, progress))
                return false;
        }
        return true;
    }

    PictureExportRun& run_;
    int width_;
    double interval_;
    double direction_;
    BicubicKernel kernel_;
    std::array<Slot, WindowLines> window_;
    std::vector<std::uint32_t> output_;
    long long count_ = 0; // source lines added
    long long hint_ = 0;  // the target's line is never before the last target's
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

double PictureExportRun::depthOf(long long k) const {
    // Output line k lies at from + k x interval, on the 0.1 mm grid.
    return roundToTenthMillimetre(job_.from + static_cast<double>(k) * job_.interval);
}

bool PictureExportRun::emit(const std::uint32_t* pixels, double w, const ExportLine& from,
                            PictureExportResult& result, Progress& progress) {
    ++made_;
    if (made_ % ProgressLines == 0)
        progress.fraction(static_cast<double>(made_) / static_cast<double>(total_));
    if (job_.output == PictureExportJob::Output::Lgx) {
        if (!lgx_.Write(from, w, pixels)) {
            result.message = lgx_.paths().data.string() + ": the LGX record could not be written";
            return false;
        }
        return true;
    }
    if (canvas_.filledRows() == 0) {
        pictureStart_ = w;
        progress.stage(format("Creating file %d, wait... ", pictureNumber_));
    }
    static_cast<void>(canvas_.AddRow(
        std::span<const std::uint32_t>(pixels, static_cast<std::size_t>(canvas_.width())),
        job_.interval > 0, std::llround(w * logrecord::DepthUnitsPerMetre), job_.drawScale,
        job_.scaleColour)); // never full here: a full canvas is saved below
    if (!canvas_.full() || job_.output == PictureExportJob::Output::Preview)
        return true; // a preview holds one canvas and keeps it
    if (!savePicture(result, pictureStart_, depthOf(made_), progress))
        return false;
    remaining_ -= canvas_.height();
    canvas_.Release();
    if (remaining_ <= 0)
        return true;
    if (!canvas_.Create(source_.lineWidth, static_cast<int>(std::min(perFile_, remaining_)))) {
        result.message = CBmpCreator::CreateErrorText;
        return false;
    }
    if (std::optional<std::string> space = freeSpaceProblem(job_.outputFolder))
        notes_.push_back(*space);
    return true;
}

PictureExportResult PictureExportRun::run(Progress& progress) {
    PictureExportResult result;
    ExportRecordReader reader(source_.files);
    const bool lgx = job_.output == PictureExportJob::Output::Lgx;
    const bool preview = job_.output == PictureExportJob::Output::Preview;
    const auto collectNotes = [&] {
        result.notes = reader.notes();
        result.notes.insert(result.notes.end(), notes_.begin(), notes_.end());
    };
    const auto end = [&](ExportOutcome outcome, std::string message) {
        collectNotes();
        result.outcome = outcome;
        if (!message.empty())
            result.message = std::move(message);
        canvas_.Release();
        lgx_.Abandon();
        return result;
    };
    const auto fail = [&](std::string message) { return end(ExportOutcome::Failed, message); };
    const auto cancelled = [&] {
        progress.stage("User cancel wait ... End.");
        return end(ExportOutcome::Cancelled, "cancelled");
    };

    const int width = source_.lineWidth;
    const double step = std::fabs(job_.interval);
    if (!std::isfinite(step) || step < PictureExportJob::SmallestInterval - 1e-12)
        return fail("the depth interval must be at least 0.1 mm");
    const double direction = job_.to >= job_.from ? 1.0 : -1.0;
    job_.interval = direction * step;
    total_ = job_.totalLines();
    if (total_ < 1)
        return fail("the depth range holds no line at this interval");
    if (!lgx && job_.fileCount() > PictureExportJob::MaxFiles)
        return fail("Sorry, the Max line value is too small.\nMax limit of file genered is "
                    "99.\nChange start or end depth for limit your generation file");
    std::error_code ec;
    if (!preview) {
        fs::create_directories(job_.outputFolder, ec);
        if (!fs::is_directory(job_.outputFolder, ec))
            return fail(job_.outputFolder.string() + ": the output folder cannot be made");
        if (std::optional<std::string> space = freeSpaceProblem(job_.outputFolder))
            return fail(*space);
    }

    if (lgx) {
        const LgxWriter::Paths paths = LgxWriter::pathsFor(
            job_.outputFolder, source_.files.front().path.filename().string(), job_.deviation);
        if (fs::exists(paths.description, ec) && !job_.replaceLgx)
            return end(ExportOutcome::Declined, LgxWriter::ReplaceQuestion);
        // The image log needs its own size free besides the margin.
        const fs::space_info space = fs::space(job_.outputFolder, ec);
        const std::uint64_t needed = LgxWriter::dataSize(total_, width);
        if (!ec && space.available < needed + (RequiredFreeMb << 20))
            return fail(format("You have no enough disk space for this work ...\nFree space : "
                               "%d Mb",
                               static_cast<int>(space.available >> 20)));
        std::string error;
        if (!lgx_.Open(paths, source_, job_, width, error))
            return fail(error);
        result.lgxDescription = paths.description;
        result.lgxData = paths.data;
    } else {
        canvas_.Release();
        canvas_.SetFeet(job_.feet);
        canvas_.SetRowInterval(step);
        perFile_ = job_.linesPerFile();
        remaining_ = total_;
        if (!canvas_.Create(width, static_cast<int>(std::min(perFile_, remaining_))))
            return fail(CBmpCreator::CreateErrorText);
    }
    Lines lines(width);
    Resampler resampler(*this, width, job_.interval, direction);

    progress.stage("Load loging file, wait ..");
    const auto imageDepth = [](std::span<const std::uint8_t> head) {
        return logrecord::imageDepthOf(head);
    };

    // The head of the record before the current one: a record's lines were filmed on the way
    // from that record's depth to its own, as the live image and the replay place them.
    logrecord::Head previousHead{};
    bool havePrevious = false;
    const auto keepHead = [&](std::span<const std::uint8_t> record) {
        std::copy_n(record.begin(), logrecord::HeadSize, previousHead.begin());
        havePrevious = true;
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
        keepHead(reader.record());
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
    bool firstRecord = true;
    bool pastEnd = false;
    const double gammaCoefficient = source_.info.GammaOnBoard ? source_.info.GammaCoef : 0.0;
    progress.stage(format(lgx ? "Creating LGX Pass : %d, wait... " : "Creating file %d, wait... ",
                          pictureNumber_));

    do {
        if (progress.cancelled())
            return cancelled();
        const std::span<const std::uint8_t> record = reader.record();
        const int recordWidth = pixelsPerRowOf(record[logrecord::ImageMode] >> 5);
        const int count = decodeRecord(record, lines.decoded.data(), recordWidth);
        if (count == 0) {
            keepHead(record);
            continue;
        }

        // The rotation of this record, and how it moves from line to line.
        using frame::s16;
        const OrientationInputs inputs = logrecord::orientationInputsOf(
            record, job_.deviation, source_.info.MagneticDeclination, source_.info.ImageOffset);
        const int status = OrientedFormula(inputs, orientation);
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

        // The lines spread evenly from the record before's depth toward this one's (all at this
        // depth for the first record), with the values stepped the same way.
        const std::span<const std::uint8_t> before =
            havePrevious ? std::span<const std::uint8_t>(previousHead)
                         : record.first(logrecord::HeadSize);
        const double d0 = imageDepth(before);
        const double lineStep = (imageDepth(record) - d0) / count;

        constexpr std::size_t RawAt[6] = {logrecord::HX, logrecord::GX, logrecord::HY,
                                          logrecord::GY, logrecord::HZ, logrecord::GZ};
        const auto stepped = [&](double here, double there, int i) {
            return here + i * (there - here) / count;
        };
        const std::uint8_t temperature =
            static_cast<std::uint8_t>(record[logrecord::SecondTemperature] * 8 / 7);

        for (int i = 0; i < count && !pastEnd; ++i) {
            previousAngle = wrapDegrees(previousAngle + angleStep);
            ExportLine line;
            line.depth = d0 + i * lineStep;
            line.angle = previousAngle;
            line.temperature = temperature;
            line.timeMs = saturatedTrunc<std::int32_t>(
                stepped(logrecord::elapsedMsOf(before), logrecord::elapsedMsOf(record), i));
            for (std::size_t v = 0; v < 6; ++v)
                line.raw[v] = saturatedTrunc<std::int16_t>(
                    stepped(s16(before, RawAt[v]), s16(record, RawAt[v]), i));
            line.gamma =
                saturatedTrunc<std::int32_t>(stepped(frame::u16(before, logrecord::GammaCount),
                                                     frame::u16(record, logrecord::GammaCount), i) *
                                             gammaCoefficient);
            // A line at or past the end depth is the last one read: the output lines before
            // it still take their share of it, so the pictures reach the end depth.
            pastEnd = (line.depth - job_.to) * direction >= 0;

            const std::span<const std::uint32_t> decoded(
                lines.decoded.data() +
                    static_cast<std::ptrdiff_t>(i) * static_cast<std::ptrdiff_t>(recordWidth),
                static_cast<std::size_t>(recordWidth));
            // The line turned, straight into the resampler's window when it has the picture's
            // width, else at its own width and then resampled to the picture's.
            std::uint32_t* out = resampler.nextPixels();
            const bool direct = recordWidth == width;
            const std::span<std::uint32_t> turned =
                direct ? std::span<std::uint32_t>(out, static_cast<std::size_t>(width))
                       : std::span<std::uint32_t>(lines.turned);
            if (job_.bicubic)
                line.fraction = ShiftWhole(previousAngle, decoded, turned, recordWidth);
            else
                RotateRow(previousAngle, decoded, turned, recordWidth);
            if (!direct) {
                for (int x = 0; x < width; ++x)
                    out[x] = lines.turned[static_cast<std::size_t>(x) *
                                          static_cast<std::size_t>(recordWidth) /
                                          static_cast<std::size_t>(width)];
            }
            if (!resampler.add(line, result, progress))
                return fail(result.message);
        }
        firstRecord = false;
        keepHead(record);
    } while (!pastEnd && made_ < total_ && reader.next());
    if (!resampler.finish(result, progress))
        return fail(result.message);

    if (lgx) {
        std::string error;
        if (!lgx_.Finish(error))
            return fail(error);
    } else if (!preview && canvas_.exists() && canvas_.filledRows() > 0) {
        if (canvas_.filledRows() >= SmallestPicture) {
            if (!savePicture(result, pictureStart_, depthOf(made_), progress))
                return fail(result.message);
        } else {
            notes_.push_back(
                format("the last %d line(s) were too few for a picture", canvas_.filledRows()));
        }
    }
    if (!preview)
        canvas_.Release();
    collectNotes();
    result.lines = made_;
    result.outcome = ExportOutcome::Done;
    progress.fraction(1.0);
    return result;
}

} // namespace zarn
