#include "acquisition/logfiles/LogPaths.h"

#include "acquisition/app/Ini.h"
#include "platform/Format.h"

#include <algorithm>

namespace zarn {
namespace {

std::string absoluteText(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return (ec ? path : absolute).string();
}

} // namespace

std::filesystem::path splitDataFilePath(const std::filesystem::path& firstDataFile, int fileIndex) {
    if (fileIndex <= 1)
        return firstDataFile;
    std::string text = firstDataFile.string();
    text.resize(text.size() >= 4 ? text.size() - 4 : 0);
    return text + format("_%d.lox", fileIndex);
}

std::filesystem::path dataFileOfHeader(const std::filesystem::path& headerPath) {
    std::filesystem::path data = headerPath;
    data.replace_extension("lox");
    return data;
}

std::string listedFileName(const std::filesystem::path& headerPath, int fileIndex) {
    CIni ini(absoluteText(headerPath));
    return ini.GetString("FileName", " ", format("File%d", fileIndex));
}

std::filesystem::path dataFileInFolder(const std::filesystem::path& logFolder,
                                       std::string_view listedName) {
    return logFolder / std::filesystem::path(listedName).filename();
}

std::optional<int> fileSectionIndex(std::string_view name) {
    constexpr std::string_view prefix = "File";
    if (name.size() <= prefix.size() || !equalsNoCase(name.substr(0, prefix.size()), prefix))
        return std::nullopt;
    const std::string_view digits = name.substr(prefix.size());
    // Written by "%d": no sign, no leading zero, and within the data file bound.
    if (digits.size() > 4 || digits.front() == '0')
        return std::nullopt;
    for (const char c : digits)
        if (c < '0' || c > '9')
            return std::nullopt;
    return parseInt(digits);
}

std::filesystem::path listedDataFile(const std::filesystem::path& headerPath,
                                     const std::filesystem::path& logFolder, int fileIndex) {
    return dataFileInFolder(logFolder, listedFileName(headerPath, fileIndex));
}

int boundedDataFiles(int dataFiles) {
    return std::clamp(dataFiles, 1, MaxListedDataFiles);
}

} // namespace zarn
