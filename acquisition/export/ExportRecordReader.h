// The records of an export's data files, one after the other across the files, each with the
// head of the record after it (the export spreads a record's lines toward the next record's
// depth). The records are read once, through one window of the file; each record is copied into
// a buffer of the reader, so no record costs an allocation.
//
// Where a file's records end before the file does (a record cut short, a length that cannot be
// a record), that file ends and the reader says so in its notes; a file that cannot be opened
// ends the data ("Trouble opening file.").
//
// An export that needs only the heads (the LAS export) reads heads only: a record is then its
// 53-byte head, its payload is skipped, and a head must also look like one (its unused bytes 0)
// for the file to go on.
#pragma once

#include "acquisition/export/ExportSource.h"
#include "acquisition/logfiles/LogRecord.h"
#include "acquisition/logfiles/RecordFile.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zarn {

class ExportRecordReader {
public:
    static constexpr const char* TroubleOpeningText = "Trouble opening file.";

    enum class Read { WholeRecords, HeadsOnly };

    explicit ExportRecordReader(const std::vector<ExportDataFile>& files,
                                Read read = Read::WholeRecords);

    // Moves to the next record: true when there is one (then record() is it), false at the end
    // of the data.
    bool next();
    // The current record, head and payload (the head alone when reading heads only); valid
    // until the next call of next().
    std::span<const std::uint8_t> record() const;
    // The head of the record after the current one; false when the current one is the last.
    bool hasFollowing() const { return followingLength_ > 0; }
    std::span<const std::uint8_t> followingHead() const;

    // The bytes of all files read so far, and of all files, for progress.
    std::uint64_t bytesRead() const { return before_ + static_cast<std::uint64_t>(position_); }
    std::uint64_t totalBytes() const { return total_; }

    // What ended a file early or stopped the data: one line each.
    const std::vector<std::string>& notes() const { return notes_; }
    // A file could not be opened: the data ended there.
    bool troubleOpening() const { return trouble_; }

private:
    // Reads the record after the one in following_ into following_; false at the end.
    bool readFollowing();

    const std::vector<ExportDataFile>& files_;
    Read read_;
    std::size_t fileIndex_ = 0;
    bool fileOpen_ = false;
    RecordFile file_;
    std::int64_t position_ = 0;
    std::uint64_t before_ = 0;
    std::uint64_t total_ = 0;
    std::array<std::uint8_t, logrecord::MaxLength> current_{};
    std::size_t currentLength_ = 0;
    std::array<std::uint8_t, logrecord::MaxLength> following_{};
    std::size_t followingLength_ = 0;
    bool started_ = false;
    bool trouble_ = false;
    std::vector<std::string> notes_;
};

} // namespace zarn
