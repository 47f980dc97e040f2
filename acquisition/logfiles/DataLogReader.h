// Reads the records of a data file back for replay: ReadDataLineInFile fills the measurement
// record from one record and hands it and its payload to the decoding path; the depth search
// finds the first record at or beyond a depth.
//
// The data file stays open between calls (reopened whenever another file is chosen or a read
// starts again at position 0), and the caller keeps the 64-bit position of the next record, as
// with a stream opened per call. Fields of the measurement record that a data log record does
// not carry keep the values of the previous replayed record.
//
// Threads: one thread at a time (the playback thread, or the thread that owns the windows while
// no playback runs).
#pragma once

#include "acquisition/logfiles/HeaderInfo.h"
#include "acquisition/logfiles/LogFilesDisplay.h"
#include "acquisition/logfiles/RecordFile.h"
#include "acquisition/logfiles/ReplaySink.h"
#include "acquisition/stream/MeasurementRecord.h"
#include "platform/MessageBus.h"
#include "platform/Progress.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace zarn {

// The header values the replay needs to interpret the records.
struct ReplayHeaderValues {
    double gammaCoef = 1.0;
    int orientationMode = 0;
    double magneticDeclination = 0.0;
    double imageOffset = 0.0;
    static ReplayHeaderValues from(const HeaderInfo& info);
};

class CDataLogReader {
public:
    // sink and display may be null.
    explicit CDataLogReader(ReplaySink* sink = nullptr, LogFilesDisplay* display = nullptr,
                            MessageBus& bus = MessageBus::instance());

    // The data file the next reads use.
    void SetDataFile(const std::filesystem::path& dataFile);
    const std::filesystem::path& DataFile() const { return path_; }
    void SetHeaderValues(const ReplayHeaderValues& values) { header_ = values; }
    // Closes the data file (it is opened again by the next read).
    void Close();

    // Reads the record at position: fills the measurement record, publishes it, posts the
    // read-back refresh commands and hands a mode-8 or mode-16 payload to its decoder entry;
    // position becomes that of the following record. False, position unchanged, at the end of
    // the data (end of file, a record cut short, a length that cannot be a record) or on an
    // error: "Trouble opening file." when the file cannot be opened, the trace line "file set
    // pos error ... EOF?" for a negative position and "file get pos error ... EOF?" for a read
    // error.
    [[nodiscard]] bool ReadDataLineInFile(std::int64_t& position);

    // The depth search: reads the record at position (false when it cannot be read); then,
    // unless that record's logger depth is the target, walks the file from its start to the
    // first record at or beyond target (logger depth >= target going down, <= going up, by the
    // record's speed sign), showing "Search Depht Position %.2f .wait... File at :%.2f" every
    // 100 records and "File Position Find ..." at the end, and reads the record found. True when
    // a record was found and read; position is then that of the record after it (0 when the
    // first record already matched). The walk reports its fraction of the file to progress and
    // ends as "not found" when it is cancelled.
    [[nodiscard]] bool SearchDepth(std::int64_t& position, double targetMetres,
                                   Progress& progress = noProgress());

    // The record as last filled.
    const MeasurementRecord& Record() const { return record_; }
    // The logger depth (m) of the last record read.
    double LastLoggerDepth() const { return lastLoggerDepth_; }
    // The length of the last record read.
    int LastRecordLength() const { return lastLength_; }

    // Sets the displayed orientation results to the no-data value and publishes the record (a
    // replay is starting: nothing is oriented yet).
    void ClearOrientation();
    // Sets the displayed speed to 0 and publishes the record (the replay ended), unless live
    // frames are arriving.
    void ClearSpeed();

private:
    [[nodiscard]] bool openFile();
    void trace(const char* text) const;
    void fillRecord(std::span<const std::uint8_t> record);
    void handOn(std::span<const std::uint8_t> payload);

    ReplaySink* sink_;
    LogFilesDisplay* display_;
    MessageBus& bus_;
    ReplayHeaderValues header_;
    std::filesystem::path path_;
    RecordFile file_;
    MeasurementRecord record_;
    double lastLoggerDepth_ = 0.0;
    int lastLength_ = 0;
    int direction_ = 1;
};

} // namespace zarn
