// The HTML page of a picture export: one page beside the pictures that stacks them, shallow end
// first, under a title and the depth range, scaled so that a wide or long picture still fits a
// screen. It is named after the log's first data file ("WELL1.lox" gives "WELL1.html" in the
// output folder) and written only after a successful picture export.
//
// The page is UTF-8 and says so; every text in it is escaped and every picture's address is
// percent-encoded, so a name with blanks, quotes, "#", "%", "&" or accents still loads. It is
// written under a temporary name and renamed, so a failed write leaves no page cut short.
#pragma once

#include "acquisition/export/PictureExportRun.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

class HtmlPage {
public:
    // The pictures the page shows at most: the first of the generated-file table.
    static constexpr int MaxPictures = 199;
    // The width above which pictures are shrunk by a whole factor, and the height the largest
    // one is then held to.
    static constexpr int WidthLimit = 600;
    static constexpr int HeightLimit = 1000;

    // The page of an export: the output folder and the first data file's name with ".html" in
    // place of its extension.
    static std::filesystem::path pathFor(const std::filesystem::path& outputFolder,
                                         std::string_view firstDataFileName);
    // The title: the log's name when its first data file lies in the output folder, else the
    // pictures' base (the output folder and that name, up to its extension's dot).
    static std::string titleFor(const std::filesystem::path& outputFolder,
                                std::string_view firstDataFileName);

    // The page's text for the pictures of an export (in the order they were made), its range
    // (From and To in metres, shown in feet when feet is set) and its direction.
    static std::string text(const std::vector<GeneratedPicture>& pictures, std::string_view title,
                            double from, double to, bool feet);

    // The scale factor of the pictures: 1, or the whole factor for a width above 600, then
    // more so that the highest picture is at most 1000 lines high.
    static double scaleOf(const std::vector<GeneratedPicture>& pictures);

    // Writes the page of a finished picture export. False (no page) when the export did not end
    // well, made no picture, or the page could not be written (the reason in problem).
    [[nodiscard]] static bool write(const std::filesystem::path& page,
                                    const PictureExportResult& result, std::string_view title,
                                    double from, double to, bool feet, std::string* problem);

    // A file name as a relative address: every byte but letters, digits and "-._~" as %XX.
    static std::string percentEncoded(std::string_view name);
};

} // namespace zarn
