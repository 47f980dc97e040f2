// The logic of the "Picture export" dialog (CBmpExportation): the source chosen, the entries and
// their leave-field checks, the texts of the labels, the choices of type, colour, resampling,
// decimals, scale and deviation, and the job and the settings ("BMPGenerator") they make. The
// window shows the texts, forwards each entry here and shows the message of a refused one; the
// checks and their texts are those of PictureExportJob.
//
// Depths are held in metres; in feet they are shown, entered and checked in feet (0.01 ft) and
// converted. The interval is held in metres as a magnitude (the job gives it the log's
// direction); in feet it is entered in whole mil.
#pragma once

#include "acquisition/app/SettingsRecords.h"
#include "acquisition/export/ExportSource.h"
#include "acquisition/export/PictureExportJob.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

class BmpExportationLogic {
public:
    static constexpr const char* NumberText = "Please enter a number.";
    static constexpr const char* ViewerRefusedText = "Use only JPG or BMP mode.";
    static constexpr const char* BrowserRefusedText = "Use only in JPG mode.";

    BmpExportationLogic(const PictureExportSettings& saved, bool feet);

    // Reads the log of a header file. Nothing when it can be exported; else the message (the
    // dialog's state is unchanged for a wrong file, the export stays impossible for a log too
    // short). The output folder becomes the log's folder.
    [[nodiscard]] std::optional<std::string> open(const std::filesystem::path& header);
    bool ready() const { return source_.has_value(); }
    const ExportSource* source() const { return source_ ? &*source_ : nullptr; }

    // The leave-field checks. Nothing when the entry was taken (or did not change anything);
    // else the message, and the state as the dialog leaves it (the range reset to the log's, the
    // previous interval or max of lines kept, or 25600 lines for a value too big).
    [[nodiscard]] std::optional<std::string> enterFrom(std::string_view text);
    [[nodiscard]] std::optional<std::string> enterTo(std::string_view text);
    [[nodiscard]] std::optional<std::string> enterInterval(std::string_view text);
    [[nodiscard]] std::optional<std::string> enterMaxLines(std::string_view text);

    // The texts of the fields and labels.
    std::string fromText() const;
    std::string toText() const;
    std::string intervalText() const;      // "%.1f" mm or "%d" mil
    std::string averageText() const;       // the log's average line spacing, "%.2f" mm / "%d" mil
    std::string intervalRangeText() const; // "(%#.1f - %#.1f)" or "(%#d - %#d)"
    std::string sourceText() const;        // "%d/%d lines"
    std::string infoText() const;          // lines, files and length by file, or the LGX size
    std::string lengthPerFileText() const; // "%#.3f m" or "%#.2f ft"
    std::string maxLinesText() const;
    bool feet() const { return feet_; }
    const char* depthUnit() const { return feet_ ? "ft" : "m"; }
    const char* intervalUnit() const { return feet_ ? "mil" : "mm"; }

    // The choices.
    void setLgx(bool lgx) { lgx_ = lgx; }
    bool lgx() const { return lgx_; }
    void setLgxItem(int item) { lgxItem_ = lgxItemOfSetting(item); }
    int lgxItem() const { return lgxItem_; }
    // The picture type; the viewer and HTML boxes are cleared where they do not apply.
    void setType(CBmpCreator::PictureType type);
    CBmpCreator::PictureType type() const { return type_; }
    // The viewer and HTML boxes: the message when the type refuses the box (it stays clear).
    [[nodiscard]] std::optional<std::string> setUseViewer(bool on);
    [[nodiscard]] std::optional<std::string> setUseBrowser(bool on);
    bool useViewer() const { return useViewer_; }
    bool useBrowser() const { return useBrowser_; }
    void setGrey(bool grey) { grey_ = grey; }
    bool grey() const { return grey_; }
    void setBicubic(bool bicubic) { bicubic_ = bicubic; }
    bool bicubic() const { return bicubic_; }
    void setDecimals(int decimals) { decimals_ = decimals; }
    int decimals() const { return decimals_; }
    void setDrawScale(bool on) { drawScale_ = on; }
    bool drawScale() const { return drawScale_; }
    void setScaleColour(int index) { scaleColour_ = index; }
    int scaleColour() const { return scaleColour_; }
    void setDeviation(int reference) { deviation_ = reference; }
    int deviation() const { return deviation_; }
    void setOutputFolder(std::filesystem::path folder) { outputFolder_ = std::move(folder); }
    const std::filesystem::path& outputFolder() const { return outputFolder_; }

    // The interval in metres in the log's direction (the LGX item in LGX mode).
    double signedInterval() const;
    double from() const { return from_; }
    double to() const { return to_; }
    long long totalLines() const { return job().totalLines(); }

    // The job of the Export button; the max-of-lines check of the run's start first (more than
    // 99 files or 25600 lines are refused): the message when the job cannot run.
    [[nodiscard]] std::optional<std::string> checkBeforeRun() const;
    PictureExportJob job() const;
    // The choices as "BMPGenerator" keeps them.
    PictureExportSettings settings() const;

private:
    double shown(double metres) const; // in the depth unit
    std::optional<std::string> enterDepth(std::string_view text, bool isFrom);
    void resetRange();

    bool feet_;
    std::optional<ExportSource> source_;
    double from_ = 0, to_ = 0; // m
    double interval_ = 0;      // m, magnitude
    int maxLines_ = PictureExportJob::MaxLimit;
    bool lgx_ = false;
    int lgxItem_ = 1;
    CBmpCreator::PictureType type_;
    bool grey_;
    bool bicubic_;
    int decimals_;
    bool drawScale_ = true;
    int scaleColour_;
    int deviation_ = 0;
    bool useViewer_;
    bool useBrowser_;
    std::filesystem::path outputFolder_;
};

} // namespace zarn
