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

std::filesystem::path listedDataFile(const std::filesystem::path& headerPath,
                                     const std::filesystem::path& logFolder, int fileIndex) {
    const std::filesystem::path name =
        std::filesystem::path(listedFileName(headerPath, fileIndex)).filename();
    return logFolder / name;
}

int boundedDataFiles(int dataFiles) {
    return std::clamp(dataFiles, 1, MaxListedDataFiles);
}

} // namespace zarn
