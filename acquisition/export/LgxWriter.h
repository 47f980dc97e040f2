// The image log of an export for log-display programs that read "HIRAT_LGX" image logs: a
// description file (profile text) and a data file of one fixed record per output line:
//   0 s32 depth, mm      4 s32 time since the first line, ms     8 s16 shift angle, 0.1 degree
//  10 s16 HX  12 GX  14 HY  16 GY  18 HZ  20 GZ (raw values)     22 s32 natural gamma, cps
//  26 u8  camera temperature byte                                 27 3w bytes: R, G, B per pixel
// little-endian, no padding. Both files live in the LGX folder beside the pictures, named from
// the first data file with the deviation tag (WELL1.lox, no deviation: WELL1_X_LGX.HED and
// WELL1_X_LGX.lgx).
//
// Both files are written under temporary names and renamed over their final names only when
// the run finishes, so a cancelled or failed run, or one that was not allowed to replace an
// earlier export, leaves the files that were there byte for byte as they were.
#pragma once

#include "acquisition/export/ExportLine.h"
#include "acquisition/export/ExportSource.h"
#include "acquisition/export/PictureExportJob.h"
#include "platform/PendingFile.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zarn {

class LgxWriter {
public:
    static constexpr const char* ReplaceQuestion =
        "Same LGX file name exist, do you want replace this ?";
    static constexpr const char* CreateErrorText = "Trouble to create the new LGX file.";
    static constexpr int HeadSize = 27;
    static constexpr int SmallestWidth = 360;
    static constexpr int WidestWidth = 1440;

    struct Paths {
        std::filesystem::path folder;
        std::filesystem::path description;
        std::filesystem::path data;
        std::string recordedName; // the data file's name as the description gives it
    };
    static Paths pathsFor(const std::filesystem::path& outputFolder,
                          const std::string& firstDataFileName, int deviation);

    // The size of the data file for a number of lines, bytes.
    static std::uint64_t dataSize(long long lines, int width) {
        return static_cast<std::uint64_t>(lines) * static_cast<std::uint64_t>(HeadSize + 3 * width);
    }

    // Makes the folder and starts both files under temporary names. False with the reason.
    [[nodiscard]] bool Open(const Paths& paths, const ExportSource& source,
                            const PictureExportJob& job, int width, std::string& error);
    // One record for an output line at depth (m).
    [[nodiscard]] bool Write(const ExportLine& line, double depth, const std::uint32_t* pixels);
    // Writes the end values into the description and renames both files over their final
    // names. False with the reason (nothing renamed).
    [[nodiscard]] bool Finish(std::string& error);
    // Removes what this run wrote.
    void Abandon();

    long long lines() const { return lines_; }
    const Paths& paths() const { return paths_; }

private:
    Paths paths_;
    std::string description_; // the description's text before its end values
    std::unique_ptr<PendingFile> data_;
    std::vector<std::uint8_t> record_;
    int width_ = 0;
    bool grey_ = false;
    bool writes_ = false; // the width is one the records are written for
    long long lines_ = 0;
    std::int32_t firstTime_ = 0;
    std::int32_t lastTime_ = 0;
    std::int32_t lastDepthMm_ = 0;
};

} // namespace zarn
