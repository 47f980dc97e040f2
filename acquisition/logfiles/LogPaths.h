// Where the data files of a log are.
//
// The first data file of a log is the header's folder and base name with ".lox". When the
// recording splits, the next files are named from the first file's full path: its last four
// characters (".lox") are cut and "_2.lox", "_3.lox", ... appended. The header lists every
// file in "[File%d]" "FileName", without folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

// The name the recording gives data file fileIndex (1: the first file itself).
std::filesystem::path splitDataFilePath(const std::filesystem::path& firstDataFile, int fileIndex);

// The data file of a header path: the same path with the extension "lox".
std::filesystem::path dataFileOfHeader(const std::filesystem::path& headerPath);

// "FileName" of "[File<fileIndex>]" in the header (" " when missing).
std::string listedFileName(const std::filesystem::path& headerPath, int fileIndex);

// A data file name as a header lists it, in the log's folder. Only the last component of the
// listed name is used, so that a header can never point the reader outside its log's folder.
std::filesystem::path dataFileInFolder(const std::filesystem::path& logFolder,
                                       std::string_view listedName);

// The %d of a section named "[File%d]" (in any letter case), or nothing for another section.
[[nodiscard]] std::optional<int> fileSectionIndex(std::string_view sectionName);

// The data file listed as fileIndex, in the log's folder. Only the last component of the listed
// name is used, so that a header can never point the reader outside its log's folder.
std::filesystem::path listedDataFile(const std::filesystem::path& headerPath,
                                     const std::filesystem::path& logFolder, int fileIndex);

// The number of data files a header may list that the player and the repair walk; a header
// claiming more is taken to list this many.
inline constexpr int MaxListedDataFiles = 9999;
int boundedDataFiles(int dataFiles);

} // namespace zarn
