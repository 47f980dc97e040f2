// The logic of the "LAS 2.0 exportation for ZARN" dialog (CLasExport): the source chosen and the
// range it proposes, the leave-field check of From and To, the output file, the sample interval,
// the channel boxes (Natural Gamma only for a log with a gamma sensor), the check of Start and
// the job and the settings ("LASGenerator") they make. The window shows the texts and the
// messages; the range and its texts are those of LasExportJob.
#pragma once

#include "acquisition/app/SettingsRecords.h"
#include "acquisition/export/ExportSource.h"
#include "acquisition/export/LasExportJob.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

class LasExportLogic {
public:
    static constexpr const char* NoOutputText = "*** N/A ***";
    static constexpr const char* BadFormatText = "Bad file format.\nExport file failled...";
    static constexpr const char* ReplaceQuestion =
        "Same file name exist, do you want replace this ?";
    static constexpr const char* AbortedText = "Migration to LAS file aborted. ";

    LasExportLogic(const LasColumns& saved, bool feet);

    // Reads the log of a header file: nothing when it can be exported, else the message. A
    // wrong file leaves the state unchanged; a log that cannot be exported leaves no source.
    // The output becomes the log's "LAS20" folder's file of its name (the folder is made).
    [[nodiscard]] std::optional<std::string> open(const std::filesystem::path& header);
    bool ready() const { return source_.has_value(); }
    const ExportSource* source() const { return source_ ? &*source_ : nullptr; }

    // The leave-field check of From and To: nothing when taken, else the message with both
    // reset to the proposed range.
    [[nodiscard]] std::optional<std::string> enterFrom(std::string_view text);
    [[nodiscard]] std::optional<std::string> enterTo(std::string_view text);
    std::string fromText() const;
    std::string toText() const;
    bool feet() const { return feet_; }
    const char* depthUnit() const { return feet_ ? "ft" : "M"; }

    // The output file; nothing (a cancelled save dialog) leaves none and Start disabled.
    void setOutput(std::optional<std::filesystem::path> path);
    const std::optional<std::filesystem::path>& output() const { return output_; }
    std::string outputText() const; // the file name, or "*** N/A ***"
    bool canStart() const { return source_.has_value() && output_.has_value(); }

    void setIntervalIndex(int index);
    int intervalIndex() const { return intervalIndex_; }
    void setReverse(bool reverse) { reverse_ = reverse; }
    bool reverse() const { return reverse_; }
    bool gammaAvailable() const { return source_ && source_->info.GammaOnBoard; }
    // The boxes as ticked; gamma counts only where the log has a gamma sensor.
    LasColumns& columns() { return columns_; }
    const LasColumns& columns() const { return columns_; }

    // Start's check: the message when no channel is ticked (or nothing can run).
    [[nodiscard]] std::optional<std::string> checkStart() const;
    LasExportJob job() const;
    // The choices as "LASGenerator" keeps them.
    LasColumns settings() const;

private:
    std::string depthText(long long units) const;
    // The position in the interval list of a saved index (the first when it is not there).
    static int intervalIndexOf(bool feet, int index);
    std::optional<std::string> enterDepth(std::string_view text, bool isFrom);
    void resetRange();

    bool feet_;
    LasColumns columns_;
    int intervalIndex_ = 0;
    bool reverse_ = false;
    std::optional<ExportSource> source_;
    LasRange range_;
    long long fromUnits_ = 0, toUnits_ = 0;
    std::optional<std::filesystem::path> output_;
};

} // namespace zarn
