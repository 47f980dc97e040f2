#include "acquisition/cli/LogWalk.h"

#include "acquisition/cli/Commands.h"
#include "acquisition/logfiles/LogPaths.h"
#include "acquisition/logfiles/LogRecord.h"
#include "acquisition/logfiles/RecordFile.h"
#include "platform/FileIo.h"
#include "platform/Format.h"
#include "platform/MessageBus.h"

#include <fstream>
#include <unordered_map>

namespace zarn::cli {

namespace {

namespace fs = std::filesystem;

WalkFailure failure(int code, const fs::path& path, std::string_view what) {
    return WalkFailure{code, path.string() + ": " + std::string(what)};
}

// The data files of the log, as the player finds them: the first is the header's path with
// ".lox", the others are named by their "[File%d]" sections, in the header's folder.
std::vector<LogDataFile> dataFilesOf(const fs::path& headerPath, const ProfileDocument& header,
                                     int dataFiles) {
    // "FileName" of each "[File%d]" section, by its index (one pass over the file).
    std::unordered_map<int, std::string> listed;
    for (const ProfileDocument::Section& section : header.sections())
        if (const std::optional<int> index = fileSectionIndex(section.name))
            for (const auto& [key, value] : section.entries)
                if (equalsNoCase(key, "FileName"))
                    listed.emplace(*index, value);

    std::vector<LogDataFile> files;
    files.push_back(LogDataFile{1, dataFileOfHeader(headerPath)});
    const fs::path folder = headerPath.parent_path();
    for (int i = 2; i <= boundedDataFiles(dataFiles); ++i) {
        const auto name = listed.find(i);
        files.push_back(
            LogDataFile{i, dataFileInFolder(folder, name == listed.end() ? " " : name->second)});
    }
    return files;
}

// Why the records of a data file end at position although the file is size bytes long.
std::string whyRecordsEnd(const fs::path& dataFile, std::int64_t position, std::uintmax_t size) {
    const auto at = static_cast<long long>(position);
    const auto left = static_cast<unsigned long long>(size - static_cast<std::uintmax_t>(position));
    if (left < logrecord::HeadSize)
        return format("record at byte %lld cut short (%llu bytes left)", at, left);
    RecordFile file;
    std::span<const std::uint8_t> head;
    if (file.open(dataFile))
        head = file.bytesAt(position, 2);
    if (head.empty())
        return format("read error at byte %lld", at);
    const unsigned length = logrecord::lengthOf(head);
    if (!logrecord::soundLength(length))
        return format("impossible record length %u at byte %lld", length, at);
    return format("record at byte %lld cut short (%u bytes long, %llu bytes left)", at, length,
                  left);
}

} // namespace

std::optional<WalkFailure> LogWalk::open(const fs::path& headerPath) {
    headerPath_ = headerPath;
    std::error_code ec;
    const fs::file_status status = fs::status(headerPath, ec);
    if (!fs::exists(status))
        return failure(ExitCode::MissingFile, headerPath, "no such file");
    if (!fs::is_regular_file(status))
        return failure(ExitCode::MissingFile, headerPath, "not a file");
    const std::uintmax_t headerSize = fs::file_size(headerPath, ec);
    if (ec)
        return failure(ExitCode::MissingFile, headerPath, "cannot be read");
    if (headerSize > LargestHeader)
        return failure(ExitCode::CorruptInput, headerPath, "not a header (too large)");
    const std::optional<std::string> text = readWholeFile(headerPath);
    if (!text)
        return failure(ExitCode::MissingFile, headerPath, "cannot be read");
    document_ = ProfileDocument::parse(*text);
    // ReadHeader answers true when the read failed.
    if (!document_.hasSection("General") || header_.ReadHeader(headerPath))
        return failure(ExitCode::CorruptInput, headerPath, "not a header");
    files_ = dataFilesOf(headerPath, document_, header_.Info().DataFiles);
    return std::nullopt;
}

std::optional<WalkFailure> LogWalk::checkFiles() const {
    std::error_code ec;
    for (const LogDataFile& file : files_) {
        if (!fs::is_regular_file(file.path, ec))
            return failure(ExitCode::MissingFile, file.path,
                           format("no such data file (listed as [File%d])", file.index));
        if (!std::ifstream(file.path, std::ios::binary))
            return failure(ExitCode::MissingFile, file.path, "cannot be read");
    }
    return std::nullopt;
}

std::optional<WalkFailure> LogWalk::walk(const Visit& visit, Progress& progress) {
    if (std::optional<WalkFailure> missing = checkFiles())
        return missing;
    // The reader posts the read-back refreshes of the windows: nobody listens on this bus.
    MessageBus bus;
    CDataLogReader reader(nullptr, nullptr, bus);
    RecordFile records; // the same records as bytes, for what the replay does not take over
    reader.SetHeaderValues(ReplayHeaderValues::from(header_.Info()));
    std::error_code ec;
    std::uintmax_t total = 0;
    for (const LogDataFile& file : files_)
        total += fs::file_size(file.path, ec);
    const double scale = total == 0 ? 0.0 : 1.0 / static_cast<double>(total);
    std::uintmax_t before = 0; // the bytes of the files walked already
    for (const LogDataFile& file : files_) {
        reader.SetDataFile(file.path);
        if (!records.open(file.path))
            return failure(ExitCode::MissingFile, file.path, "cannot be read");
        std::int64_t position = 0;
        while (true) {
            if (progress.cancelled())
                return WalkFailure{ExitCode::Interrupted, "cancelled"};
            progress.fraction(static_cast<double>(before + static_cast<std::uintmax_t>(position)) *
                              scale);
            const std::int64_t at = position;
            if (!reader.ReadDataLineInFile(position))
                break;
            if (!visit(file, at, records.bytesAt(at, reader.LastRecordLength()), reader))
                return std::nullopt;
        }
        reader.Close();
        records.close();
        const std::uintmax_t size = fs::file_size(file.path, ec);
        if (ec)
            return failure(ExitCode::MissingFile, file.path, "cannot be read");
        if (static_cast<std::uintmax_t>(position) != size)
            return failure(ExitCode::CorruptInput, file.path,
                           whyRecordsEnd(file.path, position, size));
        before += size;
    }
    progress.fraction(1.0);
    return std::nullopt;
}

} // namespace zarn::cli
