#include "acquisition/logfiles/MultiFileSelectorLogic.h"

#include "acquisition/app/Ini.h"
#include "acquisition/logfiles/LogPaths.h"
#include "platform/Format.h"

namespace zarn {
namespace {

constexpr double FeetPerMetre = 3.28083;

} // namespace

MultiFileSelectorLogic::MultiFileSelectorLogic(std::vector<ListedFile> files, int endDepthMm,
                                               bool feet) {
    const double logStart = files.empty() ? 0.0 : files.front().startDepthMm / 1000.0;
    const double logEnd = endDepthMm / 1000.0;
    int index = 1;
    for (const ListedFile& file : files) {
        const double start = file.startDepthMm / 1000.0;
        const std::string begins = feet ? format("  --  Begining at %.2f ft", start * FeetPerMetre)
                                        : format("  --  Begining at %.2f m", start);
        entries_.push_back(Entry{file.fileName + begins, index++});
    }
    const int count = static_cast<int>(files.size());
    text_ = feet ? format("%d files\n Loging start at %.2f feet and end at %.2f feet\nSelect the "
                          "start file. ",
                          count, logStart * FeetPerMetre, logEnd * FeetPerMetre)
                 : format("%d files\n Loging start at %.2fm and end at %.2fm\nSelect the start "
                          "file. ",
                          count, logStart, logEnd);
}

MultiFileSelectorLogic MultiFileSelectorLogic::FromHeader(const std::filesystem::path& headerPath,
                                                          const HeaderInfo& info, bool feet) {
    std::vector<ListedFile> files;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(headerPath, ec);
    CIni ini((ec ? headerPath : absolute).string());
    const int count = boundedDataFiles(info.DataFiles);
    ini.ReadAll([&] {
        for (int i = 1; i <= count; ++i) {
            const std::string section = format("File%d", i);
            ListedFile file;
            file.fileName = ini.GetString("FileName", " ", section);
            file.startDepthMm = ini.GetInt("Startdepth", 0, section);
            files.push_back(std::move(file));
        }
    });
    return MultiFileSelectorLogic(std::move(files), info.EndDepth, feet);
}

void MultiFileSelectorLogic::Select(int row) {
    if (row >= 0 && row < static_cast<int>(entries_.size()))
        selected_ = row;
}

int MultiFileSelectorLogic::Accept() const {
    if (entries_.empty())
        return 1;
    return entries_[static_cast<std::size_t>(selected_)].fileIndex;
}

} // namespace zarn
