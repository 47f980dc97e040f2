#include "acquisition/logfiles/Header.h"

#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/app/Ini.h"
#include "acquisition/logfiles/DepthTruncation.h"
#include "platform/FileIo.h"
#include "platform/Format.h"
#include "platform/UserMessages.h"

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <type_traits>

namespace zarn {
namespace {

constexpr const char* General = "General";
constexpr const char* Imperial = "DephtImperialInfo";
constexpr const char* WellInfo = "WellInfo";
constexpr const char* Corrupt = "CORRUPT";

std::string fileSection(int fileIndex) {
    return format("File%d", fileIndex);
}

// An absolute path, so that the INI access never looks for the header elsewhere.
std::string absoluteText(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return (ec ? path : absolute).string();
}

// The single-precision value of a real, saturated to the float range.
float singlePrecision(double value) {
    return static_cast<float>(
        std::isfinite(value) ? std::clamp(value, -double(FLT_MAX), double(FLT_MAX)) : value);
}

// Whether a file is there and can be opened for reading.
bool readableFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return false;
    std::FILE* probe = std::fopen(path.c_str(), "rb");
    if (probe)
        std::fclose(probe);
    return probe != nullptr;
}

// Reads one "[WellInfo]" key into its field, with the key's default when it is missing.
template <class Field, class Default>
void readWellInfoKey(CIni& ini, const std::string& key, Field& field, const Default& readDefault) {
    if constexpr (std::is_same_v<Field, int>)
        field = ini.GetInt(key, readDefault, WellInfo);
    else if constexpr (std::is_same_v<Field, double>)
        field = ini.GetDouble(key, readDefault, WellInfo);
    else
        field = ini.GetString(key, readDefault, WellInfo);
}

// Builds the text of a fresh header line by line.
class HeaderText {
public:
    void line(std::string_view text) {
        text_ += text;
        text_ += "\r\n";
    }
    void entry(std::string_view key, std::string_view value) {
        text_ += key;
        text_ += '=';
        text_ += CHeader::StoredValue(value);
        text_ += "\r\n";
    }
    void integer(std::string_view key, int value) { entry(key, format("%d", value)); }
    std::string take() { return std::move(text_); }

private:
    std::string text_;
};

// Writes keys of one header through CIni and remembers whether every write succeeded.
class KeyWriter {
public:
    explicit KeyWriter(const std::filesystem::path& headerPath) : ini_(absoluteText(headerPath)) {}
    void text(std::string_view section, std::string_view key, std::string_view value) {
        ok_ = ini_.WriteString(key, CHeader::StoredValue(value), section) && ok_;
    }
    void integer(std::string_view section, std::string_view key, int value) {
        ok_ = ini_.WriteInt(key, value, section) && ok_;
    }
    void millimetres(std::string_view section, std::string_view key, double metres) {
        integer(section, key, headerMillimetres(metres));
    }
    bool ok() const { return ok_; }

private:
    CIni ini_;
    bool ok_ = true;
};

// How far the log has come: the end depth and time in the data file's section and, when the file
// is the end of the whole log, in the well sections; then the file's sample count.
enum class EndOf { File, Log };
void writeEnd(KeyWriter& keys, const FileProgress& end, HeaderMode mode, EndOf of) {
    const std::string file = fileSection(end.fileIndex);
    const bool log = of == EndOf::Log;
    if (log)
        keys.millimetres(WellInfo, "EndDepth", end.depthMetres);
    keys.millimetres(file, "EndDepth", end.depthMetres);
    if (mode == HeaderMode::Imperial) {
        if (log)
            keys.text(Imperial, "EndDepth", headerFeetText(end.depthMetres));
        keys.text(file, "EndDepthInFeet", headerFeetText(end.depthMetres));
    }
    if (log)
        keys.integer(WellInfo, "EndTime", end.elapsedMs);
    keys.integer(file, "EndTime", end.elapsedMs);
    keys.integer(file, "SampleCount", end.sampleCount);
}

void reportWriteFailure() {
    showMessage("Trouble opening file.", MessageIcon::Error);
}

} // namespace

HeaderMode headerModeOf(const Configuration& configuration) {
    return configuration.program.depthUnit != 0 ? HeaderMode::Imperial : HeaderMode::Metric;
}

int headerMillimetres(double metres) {
    return truncatedUnits<int>(metres * 1000.0);
}

std::string headerFeetText(double metres) {
    return format("%.2f", metres * 3.28083);
}

CHeader::CHeader() = default;

std::string CHeader::StoredValue(std::string_view text) {
    std::string value(text);
    for (char& c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    const std::size_t first = value.find_first_not_of(' ');
    if (first == std::string::npos)
        return value; // blank: read back as empty, as it always was
    const bool blankEnds = first > 0 || value.back() == ' ';
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return blankEnds || quoted ? '"' + value + '"' : value;
}

bool CHeader::ReadWellInfo(const std::filesystem::path& headerPath) {
    std::lock_guard lock(fileMutex_);
    if (!readableFile(headerPath))
        return false;
    HeaderInfo info = info_;
    CIni ini(absoluteText(headerPath), WellInfo);
    ini.ReadAll([&] {
        forEachWellInfoKey(info, [&](const std::string& key, auto& field, const auto& readDefault) {
            if (isLogRangeKey(key))
                return;
            if constexpr (std::is_same_v<std::decay_t<decltype(field)>, std::string>)
                readWellInfoKey(ini, key, field,
                                std::string(equalsNoCase(key, "Location") ? "-" : " "));
            else
                readWellInfoKey(ini, key, field, readDefault);
        });
    });
    info_ = std::move(info);
    return true;
}

bool CHeader::WriteWellInfo(const std::filesystem::path& headerPath) {
    std::lock_guard lock(fileMutex_);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(headerPath, ec))
        return false;
    CIni ini(absoluteText(headerPath), WellInfo);
    bool ok = true;
    const bool written = ini.Batch([&] {
        forEachWellInfoText(info_, [&](const std::string& key, const std::string& text) {
            if (!isLogRangeKey(key))
                ok = ini.WriteString(key, StoredValue(text), WellInfo) && ok;
        });
    });
    return written && ok;
}

void CHeader::ResetHeaderInfo() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm today{};
    localtime_r(&now, &today);
    ResetHeaderInfo(today);
}

void CHeader::ResetHeaderInfo(const std::tm& today) {
    info_ = HeaderInfo{};
    info_.Date = headerDate(today);
}

std::string CHeader::NewHeaderText(const HeaderInfo& info, const Configuration& configuration,
                                   const SondeTable& sondes) {
    const bool imperial = headerModeOf(configuration) == HeaderMode::Imperial;
    const SelectedSonde& sonde = sondes.working;
    const bool slotValid = sondes.selected >= 0 && sondes.selected < SondeTable::SlotCount;
    const int serial = slotValid ? sondes.selectedSerial() : 0;
    const bool gamma = sonde.gammaOnBoard != 0;

    HeaderText out;
    out.line("[General]");
    out.entry("Version", format("%X", 0x2000));
    out.integer("SerialNumber", serial);
    out.integer("DataFiles", 1);
    out.entry("MagneticDeclination", format("%#.2f", configuration.logger.magneticOffset));
    out.integer("SondeLenght", sonde.sondeLength);
    out.entry("ImageOffset", format("%#.2f", sonde.imageOffset));
    out.integer("CameraOffset", saturatedTrunc(sonde.cameraOffset));
    out.integer("DeviationOffset", saturatedTrunc(sonde.deviationOffset));
    out.entry("GammaOnBoard", gamma ? "yes" : "no");
    if (gamma) {
        out.integer("GammaOffset", saturatedTrunc(sonde.gammaOffset));
        out.entry("GammaCoef",
                  format("%#.6G", static_cast<double>(singlePrecision(sonde.gammaCoefficient))));
    }
    out.integer("OrientationMode", configuration.logger.orientationMode);
    if (imperial) {
        out.entry("ImperialSetting", "yes");
        out.line("");
        out.line(format("[%s]", Imperial));
        out.integer("StartDepth", 0);
        out.integer("EndDepth", 0);
    }

    out.line("");
    out.line(format("[%s]", WellInfo));
    HeaderInfo written = info;
    if (configuration.program.depthUnit == 1)
        written.DepthUnit = 1;
    forEachWellInfoText(
        written, [&](const std::string& key, const std::string& text) { out.entry(key, text); });

    out.line("");
    out.line(format("[%s]", fileSection(1).c_str()));
    out.entry("FileName", std::filesystem::path(configuration.paths.fileName).filename().string());
    out.integer("StartDepth", 0);
    out.integer("EndDepth", 0);
    if (imperial) {
        out.integer("StartDepthInFeet", 0);
        out.integer("EndDepthInFeet", 0);
    }
    out.integer("StartTime", 0);
    out.integer("EndTime", 0);
    out.integer("SampleCount", 0);
    return out.take();
}

bool CHeader::writeNewHeaderLocked(const std::filesystem::path& headerPath,
                                   const Configuration& configuration, const SondeTable& sondes) {
    return writeFileAtomically(headerPath, NewHeaderText(info_, configuration, sondes));
}

bool CHeader::WriteNewHeader(const std::filesystem::path& headerPath,
                             const Configuration& configuration, const SondeTable& sondes) {
    bool written = false;
    {
        std::lock_guard lock(fileMutex_);
        written = writeNewHeaderLocked(headerPath, configuration, sondes);
    }
    // Outside the lock: the box waits for the operator, the decoding thread must not.
    if (!written)
        reportWriteFailure();
    return written;
}

bool CHeader::readHeaderLocked(const std::filesystem::path& headerPath, int fileIndex,
                               HeaderInfo& info) {
    // A header that is missing or cannot be opened is a failed read, not a header full of
    // defaults.
    if (!readableFile(headerPath))
        return false;

    CIni ini(absoluteText(headerPath), General);
    // A file without the "[General]" section is not a header (an empty file, another kind of
    // file chosen by mistake): reading it would give a header of defaults marked interrupted,
    // and opening it would "repair" it by writing into it.
    bool isHeader = true;
    ini.ReadAll([&] {
        if (!ini.HasSection(General)) {
            isHeader = false;
            return;
        }
        info.Version = ini.GetString("Version", "2000", General);
        info.Copyright = ini.GetString("Copyright", "-");
        info.SerialNumber = ini.GetInt("SerialNumber", 0);
        info.DataFiles = ini.GetInt("DataFiles", 1);
        info.MagneticDeclination = ini.GetDouble("MagneticDeclination", 0.0);
        info.SondeLenght = ini.GetInt("SondeLenght", 163);
        info.ImageOffset = ini.GetDouble("ImageOffset", 0.0);
        info.CameraOffset = ini.GetInt("CameraOffset", 8);
        info.DeviationOffset = ini.GetInt("DeviationOffset", 107);
        info.GammaOnBoard = ini.GetYesNo("GammaOnBoard", false);
        info.GammaOffset = ini.GetInt("GammaOffset", 145);
        info.GammaCoef = ini.GetFloat("GammaCoef", 1.0f);
        info.OrientationMode = ini.GetInt("OrientationMode", 0);
        info.ImperialSetting = ini.GetYesNo("ImperialSetting", false);

        forEachWellInfoKey(info, [&](const std::string& key, auto& field, const auto& readDefault) {
            readWellInfoKey(ini, key, field, readDefault);
        });
        info.EndDepthCorrupt = equalsNoCase(ini.GetString("EndDepth", Corrupt, WellInfo), Corrupt);
        info.Descending = info.Startdepth < info.EndDepth;

        const std::string section = fileSection(fileIndex);
        info.FileEndDepth = ini.GetInt("EndDepth", 0, section);
        info.FileEndTime = ini.GetInt("EndTime", 0);
        info.FileName = ini.GetString("FileName", " ");
        info.FileStartDepth = ini.GetInt("StartDepth", 0);
        info.FileStartTime = ini.GetInt("StartTime", 0);
        info.FileSampleCount = ini.GetInt("SampleCount", 0);
    });
    return isHeader;
}

bool CHeader::ReadHeader(const std::filesystem::path& headerPath, int fileIndex) {
    bool read = false;
    {
        std::lock_guard lock(fileMutex_);
        HeaderInfo info = info_;
        try {
            read = readHeaderLocked(headerPath, fileIndex, info);
        } catch (...) {
            read = false;
        }
        if (read) {
            info.ReadFailed = false;
            info_ = std::move(info);
        } else {
            info_.ReadFailed = true;
        }
    }
    if (!read) {
        DiagnosticLogs& logs = DiagnosticLogs::instance();
        logs.traceLog("CHeader", "----------Header----------");
        logs.traceLog("CHeader", "--    Read file error   --");
        logs.traceLog("CHeader", "----------Header----------");
    }
    return !read;
}

bool CHeader::WriteRecordingStart(const std::filesystem::path& headerPath,
                                  const Configuration& configuration, const SondeTable& sondes,
                                  bool loggingDown, double loggerDepthMetres) {
    std::unique_lock lock(fileMutex_);
    if (!writeNewHeaderLocked(headerPath, configuration, sondes)) {
        lock.unlock();
        reportWriteFailure();
        return false;
    }
    const std::string file1 = fileSection(1);
    KeyWriter keys(headerPath);
    keys.integer(WellInfo, "LogMode", logModeOf(loggingDown));
    keys.integer(file1, "LogMode", logModeOf(loggingDown));
    keys.millimetres(WellInfo, "Startdepth", loggerDepthMetres);
    keys.integer(WellInfo, "StartTime", 0);
    keys.millimetres(file1, "Startdepth", loggerDepthMetres);
    keys.integer(file1, "StartTime", 0);
    keys.integer(file1, "SampleCount", 0);
    if (headerModeOf(configuration) == HeaderMode::Imperial) {
        keys.text(Imperial, "Startdepth", headerFeetText(loggerDepthMetres));
        keys.text(file1, "StartDepthInFeet", headerFeetText(loggerDepthMetres));
    }
    keys.text(WellInfo, "EndDepth", Corrupt);
    return keys.ok();
}

bool CHeader::WriteFirstRecord(const std::filesystem::path& headerPath, int fileIndex,
                               double depthMetres, HeaderMode mode) {
    std::lock_guard lock(fileMutex_);
    const std::string file = fileSection(fileIndex);
    KeyWriter keys(headerPath);
    keys.millimetres(WellInfo, "Startdepth", depthMetres);
    if (mode == HeaderMode::Imperial) {
        keys.text(Imperial, "Startdepth", headerFeetText(depthMetres));
        keys.text(file, "StartDepthInFeet", headerFeetText(depthMetres));
    }
    keys.millimetres(file, "Startdepth", depthMetres);
    keys.integer(file, "SampleCount", 0);
    return keys.ok();
}

bool CHeader::WritePeriodicUpdate(const std::filesystem::path& headerPath,
                                  const FileProgress& progress, HeaderMode mode) {
    std::lock_guard lock(fileMutex_);
    KeyWriter keys(headerPath);
    writeEnd(keys, progress, mode, EndOf::Log);
    return keys.ok();
}

bool CHeader::WriteFileClosed(const std::filesystem::path& headerPath, const FileProgress& closed,
                              HeaderMode mode) {
    std::lock_guard lock(fileMutex_);
    KeyWriter keys(headerPath);
    writeEnd(keys, closed, mode, EndOf::File);
    keys.text(fileSection(closed.fileIndex), "---", "---");
    return keys.ok();
}

bool CHeader::WriteFileOpened(const std::filesystem::path& headerPath, int fileIndex,
                              std::string_view fileName, double depthMetres, int elapsedMs,
                              bool loggingDown, HeaderMode mode) {
    std::lock_guard lock(fileMutex_);
    const std::string file = fileSection(fileIndex);
    KeyWriter keys(headerPath);
    keys.text(file, "FileName", std::filesystem::path(fileName).filename().string());
    keys.millimetres(file, "Startdepth", depthMetres);
    keys.millimetres(file, "EndDepth", depthMetres);
    if (mode == HeaderMode::Imperial) {
        keys.text(file, "StartDepthInFeet", headerFeetText(depthMetres));
        keys.text(file, "EndDepthInFeet", headerFeetText(depthMetres));
    }
    keys.integer(file, "StartTime", elapsedMs);
    keys.integer(file, "EndTime", elapsedMs);
    keys.integer(file, "LogMode", logModeOf(loggingDown));
    keys.integer(file, "SampleCount", 0);
    keys.integer(General, "DataFiles", fileIndex);
    return keys.ok();
}

bool CHeader::WriteRecordingStop(const std::filesystem::path& headerPath,
                                 std::optional<double> firstRecordDepthMetres,
                                 const FileProgress& end, HeaderMode mode) {
    std::lock_guard lock(fileMutex_);
    KeyWriter keys(headerPath);
    if (firstRecordDepthMetres) {
        keys.millimetres(WellInfo, "Startdepth", *firstRecordDepthMetres);
        keys.millimetres(fileSection(1), "Startdepth", *firstRecordDepthMetres);
    }
    writeEnd(keys, end, mode, EndOf::Log);
    return keys.ok();
}

bool CHeader::WriteRepairedEnd(const std::filesystem::path& headerPath, const FileProgress& end,
                               HeaderMode mode) {
    std::lock_guard lock(fileMutex_);
    KeyWriter keys(headerPath);
    writeEnd(keys, end, mode, EndOf::Log);
    return keys.ok();
}

} // namespace zarn
