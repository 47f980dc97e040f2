#include "acquisition/export/BmpExportationLogic.h"

#include "acquisition/export/LgxWriter.h"
#include "platform/Format.h"

#include <algorithm>
#include <cmath>

namespace zarn {

namespace {

constexpr double FeetPerMetre = 3.28083;
constexpr double MetresPerFoot = 0.3047995;

std::optional<std::string> refused(std::string text) {
    return std::optional<std::string>(std::move(text));
}

} // namespace

BmpExportationLogic::BmpExportationLogic(const PictureExportSettings& saved, bool feet)
    : feet_(feet), lgxItem_(lgxItemOfSetting(saved.lgxInterpolation)),
      type_(pictureTypeOfSetting(saved.type)), grey_(saved.mode == CBmpCreator::GreyMode),
      bicubic_(saved.useBicubic),
      decimals_(saved.decimals == 2 || saved.decimals == 3 ? saved.decimals : 4),
      scaleColour_(std::clamp(saved.scaleColour, 0, 3)), useViewer_(saved.useViewer),
      useBrowser_(saved.useBrowser) {
    setType(type_);
}

std::optional<std::string> BmpExportationLogic::open(const std::filesystem::path& header) {
    ExportSourceResult read = readExportSource(header);
    if (!read.source) {
        // A log too short to export leaves the dialog without a source.
        if (read.problem.rfind(ExportSourceText::NotEnoughData, 0) == 0 ||
            read.problem.rfind(ExportSourceText::SpanTooSmall, 0) == 0)
            source_.reset();
        return read.problem;
    }
    source_ = std::move(*read.source);
    deviation_ = std::clamp(source_->info.OrientationMode, 0, 2);
    outputFolder_ = source_->folder;
    maxLines_ =
        static_cast<int>(std::min<long long>(source_->sourceLines(), PictureExportJob::MaxLimit));
    resetRange();
    interval_ = defaultInterval(*source_);
    if (feet_) {
        // Whole mil: the proposed interval as the field shows it.
        const IntervalCheck mil =
            checkInterval(*source_, std::round(interval_ / MetresPerMil), true);
        if (mil.interval)
            interval_ = *mil.interval;
    }
    return std::nullopt;
}

void BmpExportationLogic::resetRange() {
    const ExportSpan span = exportSpanOf(*source_);
    from_ = span.start;
    to_ = span.end;
}

double BmpExportationLogic::shown(double metres) const {
    return feet_ ? metres * FeetPerMetre : metres;
}

std::optional<std::string> BmpExportationLogic::enterDepth(std::string_view text, bool isFrom) {
    if (!source_)
        return std::nullopt;
    if (!isDecimalEntry(trim(text)))
        return refused(NumberText);
    const double entry = std::round(parseDouble(trim(text)) * 100.0) / 100.0;
    const ExportSpan span = exportSpanOf(*source_);
    const double from = isFrom ? entry : std::round(shown(from_) * 100.0) / 100.0;
    const double to = isFrom ? std::round(shown(to_) * 100.0) / 100.0 : entry;
    if (std::optional<std::string> message =
            checkDepthRange(shown(span.start), shown(span.end), from, to)) {
        resetRange();
        return message;
    }
    const double metres = feet_ ? entry * MetresPerFoot : entry;
    (isFrom ? from_ : to_) = metres;
    return std::nullopt;
}

std::optional<std::string> BmpExportationLogic::enterFrom(std::string_view text) {
    return enterDepth(text, true);
}

std::optional<std::string> BmpExportationLogic::enterTo(std::string_view text) {
    return enterDepth(text, false);
}

std::optional<std::string> BmpExportationLogic::enterInterval(std::string_view text) {
    if (!source_ || lgx_)
        return std::nullopt;
    if (!isDecimalEntry(trim(text)))
        return refused(NumberText);
    const IntervalCheck check = checkInterval(*source_, parseDouble(trim(text)), feet_);
    if (!check.interval)
        return check.message;
    interval_ = *check.interval;
    return std::nullopt;
}

std::optional<std::string> BmpExportationLogic::enterMaxLines(std::string_view text) {
    if (!source_)
        return std::nullopt;
    if (!isIntegerEntry(trim(text)))
        return refused(NumberText);
    const MaxLinesCheck check = checkMaxLines(totalLines(), parseInt(trim(text)));
    if (check.accepted)
        maxLines_ = *check.accepted;
    if (!check.message.empty())
        return check.message;
    return std::nullopt;
}

std::string BmpExportationLogic::fromText() const {
    return format("%.2f", shown(from_));
}

std::string BmpExportationLogic::toText() const {
    return format("%.2f", shown(to_));
}

std::string BmpExportationLogic::intervalText() const {
    if (feet_)
        return format("%lld", std::llround(interval_ / MetresPerMil));
    return format("%.1f", interval_ * 1000.0);
}

std::string BmpExportationLogic::averageText() const {
    if (!source_)
        return {};
    const double average = std::fabs(source_->averageStep);
    if (feet_)
        return format("%lld", std::llround(average / MetresPerMil));
    return format("%.2f", average * 1000.0);
}

std::string BmpExportationLogic::intervalRangeText() const {
    if (!source_)
        return {};
    const IntervalBounds bounds = intervalBoundsOf(*source_);
    if (feet_)
        return format("(%lld - %lld)", bounds.minimumMil, bounds.maximumMil);
    return format("(%#.1f - %#.1f)", bounds.minimum * 1000.0, bounds.maximum * 1000.0);
}

std::string BmpExportationLogic::sourceText() const {
    if (!source_)
        return {};
    return format("%d/%lld lines", source_->lineWidth, source_->sourceLines());
}

std::string BmpExportationLogic::infoText() const {
    if (!source_)
        return {};
    const PictureExportJob j = job();
    const long long total = j.totalLines();
    if (lgx_) {
        const auto megabytes = LgxWriter::dataSize(total, source_->lineWidth) >> 20;
        return format("LGX file - %#.2f Mb - %lld lines", static_cast<double>(megabytes), total);
    }
    const long long files = j.fileCount();
    const std::string count = files > 1 ? format(" - in %lld files - ", files) : " - ";
    const double length = std::fabs(j.interval) * static_cast<double>(j.linesPerFile());
    const std::string byFile = feet_ ? format("(%#.2f ft by file)", length * FeetPerMetre)
                                     : format("(%#.3f m by file)", length);
    return format("%d / %lld", source_->lineWidth, total) + count + byFile;
}

std::string BmpExportationLogic::lengthPerFileText() const {
    const double length = interval_ * maxLines_;
    return feet_ ? format("%#.2f ft", length * FeetPerMetre) : format("%#.3f m", length);
}

std::string BmpExportationLogic::maxLinesText() const {
    return format("%d", maxLines_);
}

void BmpExportationLogic::setType(CBmpCreator::PictureType type) {
    type_ = type;
    if (type_ == CBmpCreator::PictureType::Tiff)
        useViewer_ = false;
    if (type_ != CBmpCreator::PictureType::Jpeg)
        useBrowser_ = false;
}

std::optional<std::string> BmpExportationLogic::setUseViewer(bool on) {
    if (on && type_ == CBmpCreator::PictureType::Tiff) {
        useViewer_ = false;
        return refused(ViewerRefusedText);
    }
    useViewer_ = on;
    return std::nullopt;
}

std::optional<std::string> BmpExportationLogic::setUseBrowser(bool on) {
    if (on && type_ != CBmpCreator::PictureType::Jpeg) {
        useBrowser_ = false;
        return refused(BrowserRefusedText);
    }
    useBrowser_ = on;
    return std::nullopt;
}

double BmpExportationLogic::signedInterval() const {
    const double magnitude = lgx_ ? lgxItem_ / 1000.0 : interval_;
    const bool down = source_ ? source_->down : true;
    return down ? magnitude : -magnitude;
}

std::optional<std::string> BmpExportationLogic::checkBeforeRun() const {
    if (!source_)
        return refused(ExportSourceText::NotEnoughData);
    if (lgx_)
        return std::nullopt;
    const MaxLinesCheck check = checkMaxLines(totalLines(), maxLines_);
    if (!check.message.empty())
        return check.message;
    return std::nullopt;
}

PictureExportJob BmpExportationLogic::job() const {
    PictureExportJob j;
    j.from = from_;
    j.to = to_;
    j.interval = signedInterval();
    j.maxLines = lgx_ ? PictureExportJob::MaxLimit : maxLines_;
    j.type = type_;
    j.colourMode = grey_ ? CBmpCreator::GreyMode : CBmpCreator::TrueColourMode;
    j.decimals = decimals_;
    j.deviation = deviation_;
    j.drawScale = drawScale_;
    j.scaleColour = scaleColourOf(scaleColour_);
    j.feet = feet_;
    j.outputFolder = outputFolder_;
    j.output = lgx_ ? PictureExportJob::Output::Lgx : PictureExportJob::Output::Pictures;
    j.bicubic = bicubic_;
    return j;
}

PictureExportSettings BmpExportationLogic::settings() const {
    PictureExportSettings s;
    s.decimals = decimals_;
    s.mode = grey_ ? CBmpCreator::GreyMode : CBmpCreator::TrueColourMode;
    s.type = settingOfPictureType(type_);
    s.scaleColour = scaleColour_;
    s.lgxInterpolation = lgxItem_;
    s.useViewer = useViewer_;
    s.useBrowser = useBrowser_;
    s.useBicubic = bicubic_;
    return s;
}

} // namespace zarn
