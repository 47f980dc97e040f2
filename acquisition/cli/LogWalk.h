// A recorded log walked record by record, as the player reads it: the header checked to be a
// header, its data files found, and each file's whole records handed over in order. Where the
// records of a file end before the file does, the walk says why (cut short, impossible length,
// missing file), so that every command reports a damaged log the same way.
#pragma once

#include "acquisition/logfiles/DataLogReader.h"
#include "acquisition/logfiles/Header.h"
#include "platform/ProfileDocument.h"
#include "platform/Progress.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zarn::cli {

// A command's failure: its exit code and its one-line text.
struct WalkFailure {
    int exitCode = 0;
    std::string text;
};

struct LogDataFile {
    int index = 1; // the %d of "[File%d]"
    std::filesystem::path path;
};

class LogWalk {
public:
    // A header is a small text file; a larger file is never read whole.
    static constexpr std::uintmax_t LargestHeader = 1024 * 1024;

    // Reads and checks the header; the failure when it is missing or not a header.
    [[nodiscard]] std::optional<WalkFailure> open(const std::filesystem::path& headerPath);

    const ProfileDocument& document() const { return document_; }
    const HeaderInfo& info() const { return header_.Info(); }
    const std::vector<LogDataFile>& files() const { return files_; }

    // One whole record: its data file, position and bytes, and the record as the replay
    // reads it. Returns false to stop the walk.
    using Visit =
        std::function<bool(const LogDataFile& file, std::int64_t position,
                           std::span<const std::uint8_t> bytes, const CDataLogReader& reader)>;
    // The first data file the header lists that does not exist or cannot be read: one failure
    // naming it (exit code MissingFile), whatever the number of files listed.
    [[nodiscard]] std::optional<WalkFailure> checkFiles() const;

    // Walks every data file; the failure when a file is missing, unreadable or damaged (the
    // records before the damage have been visited). Reports the share of the log's bytes
    // walked to progress; a cancel ends the walk with the failure "cancelled" (exit code
    // Interrupted).
    [[nodiscard]] std::optional<WalkFailure> walk(const Visit& visit,
                                                  Progress& progress = noProgress());

private:
    std::filesystem::path headerPath_;
    ProfileDocument document_;
    CHeader header_;
    std::vector<LogDataFile> files_;
};

} // namespace zarn::cli
