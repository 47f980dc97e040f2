#include "acquisition/export/LasExportLogic.h"

#include "platform/Format.h"

#include <algorithm>

namespace zarn {

namespace {

// The messages of readExportSource that the dialog shows as they are; any other reason means
// the header itself could not be read.
bool ownMessage(const std::string& problem) {
    for (const char* text : {ExportSourceText::BadHeader, ExportSourceText::NoDataFile,
                             ExportSourceText::NotEnoughData, ExportSourceText::SpanTooSmall})
        if (problem.rfind(text, 0) == 0)
            return true;
    return false;
}

} // namespace

LasExportLogic::LasExportLogic(const LasColumns& saved, bool feet)
    : feet_(feet), columns_(saved), intervalIndex_(intervalIndexOf(feet, saved.exportInterval)) {}

int LasExportLogic::intervalIndexOf(bool feet, int index) {
    return static_cast<int>(&lasIntervalAt(feet, index) - lasIntervals(feet).data());
}

std::optional<std::string> LasExportLogic::open(const std::filesystem::path& header) {
    ExportSourceResult read = readExportSource(header);
    if (!read.source) {
        const bool wrongFile = read.problem.rfind(ExportSourceText::BadHeader, 0) == 0 ||
                               read.problem.rfind(ExportSourceText::NoDataFile, 0) == 0;
        if (!wrongFile)
            source_.reset();
        return ownMessage(read.problem) ? read.problem : std::string(BadFormatText);
    }
    const LasRange range = lasRangeOf(*read.source, feet_);
    if (!range.from) {
        source_.reset();
        return range.message;
    }
    source_ = std::move(*read.source);
    range_ = range;
    resetRange();
    const std::filesystem::path out = defaultLasPath(source_->headerPath);
    std::error_code ec;
    std::filesystem::create_directories(out.parent_path(), ec);
    output_ = out;
    return std::nullopt;
}

void LasExportLogic::resetRange() {
    const LasDepthGrid grid{feet_};
    fromUnits_ = grid.unitsOf(*range_.from);
    toUnits_ = grid.unitsOf(*range_.to);
}

std::optional<std::string> LasExportLogic::enterDepth(std::string_view text, bool isFrom) {
    if (!source_)
        return std::nullopt;
    if (!isDecimalEntry(trim(text)))
        return std::string("Please enter a number.");
    const double entry = parseDouble(trim(text));
    const double from = isFrom ? entry : parseDouble(fromText());
    const double to = isFrom ? parseDouble(toText()) : entry;
    const LasRangeEntry checked = checkLasRange(range_, feet_, from, to);
    if (!checked.fromUnits) {
        resetRange();
        return checked.message;
    }
    (isFrom ? fromUnits_ : toUnits_) = isFrom ? *checked.fromUnits : *checked.toUnits;
    return std::nullopt;
}

std::optional<std::string> LasExportLogic::enterFrom(std::string_view text) {
    return enterDepth(text, true);
}

std::optional<std::string> LasExportLogic::enterTo(std::string_view text) {
    return enterDepth(text, false);
}

std::string LasExportLogic::depthText(long long units) const {
    const double perUnit = feet_ ? 12.0 * LasDepthGrid::UnitsPerInch : 10000.0;
    return format("%.2f", static_cast<double>(units) / perUnit);
}

std::string LasExportLogic::fromText() const {
    return depthText(fromUnits_);
}

std::string LasExportLogic::toText() const {
    return depthText(toUnits_);
}

void LasExportLogic::setOutput(std::optional<std::filesystem::path> path) {
    output_ = std::move(path);
}

std::string LasExportLogic::outputText() const {
    return output_ ? output_->filename().string() : std::string(NoOutputText);
}

void LasExportLogic::setIntervalIndex(int index) {
    intervalIndex_ = static_cast<int>(&lasIntervalAt(feet_, index) - lasIntervals(feet_).data());
}

std::optional<std::string> LasExportLogic::checkStart() const {
    if (!job().anyColumn())
        return std::string(LasExportJob::NoChannelText);
    return std::nullopt;
}

LasExportJob LasExportLogic::job() const {
    LasExportJob j;
    j.feet = feet_;
    j.columns = columns_;
    j.columns.gamma = columns_.gamma && gammaAvailable();
    j.columns.exportInterval = intervalIndex_;
    j.intervalTicks = lasIntervalAt(feet_, intervalIndex_).ticks;
    j.fromUnits = fromUnits_;
    j.toUnits = toUnits_;
    j.reverse = reverse_;
    j.output = output_.value_or(std::filesystem::path());
    return j;
}

LasColumns LasExportLogic::settings() const {
    LasColumns saved = columns_;
    saved.exportInterval = intervalIndex_;
    return saved;
}

} // namespace zarn
