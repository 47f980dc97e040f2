// inspect LOG.hed: the header, then every record of every data file of the log, one JSON object
// per line. The records are read one at a time by the replay's own reader, so a log of any size
// is walked in little memory, and a damaged data file gives every whole record before the damage.
#include "acquisition/cli/CliSupport.h"
#include "acquisition/cli/Commands.h"
#include "acquisition/cli/LogWalk.h"
#include "acquisition/cli/RecordJson.h"
#include "acquisition/logfiles/DataLogReader.h"
#include "acquisition/logfiles/Header.h"
#include "acquisition/logfiles/LogPaths.h"
#include "acquisition/logfiles/LogRecord.h"
#include "acquisition/logfiles/RecordFile.h"
#include "acquisition/stream/FrameFields.h"
#include "platform/FileIo.h"
#include "platform/Format.h"
#include "platform/MessageBus.h"
#include "platform/ProfileDocument.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zarn::cli {
namespace {

// The fields of a record as the replay fills the measurement record from it, with the values
// the record holds that the replay does not take over: the logger values A and B and the
// sonde's DSP error bytes at the end of the payload. The logger status and communication
// status are not recorded, so they are left out.
Json recordFields(const MeasurementRecord& replayed, std::span<const std::uint8_t> record) {
    MeasurementRecord m = replayed;
    if (record.size() >= logrecord::HeadSize) {
        m.ValueA = record[logrecord::ValueA];
        m.ValueB = record[logrecord::ValueB];
        m.ReadBack = {};
        // A payload without the trailer has no DSP error bytes: they stay cleared.
        static_cast<void>(readDspTrailer(record.subspan(logrecord::HeadSize), m.ReadBack));
    }
    Json fields = recordJson(m);
    fields.erase("CommStatus");
    fields.erase("LoggerStatus");
    return fields;
}

} // namespace

int runInspect(const InspectOptions& options, std::ostream& out, std::ostream& err,
               Progress& progress) {
    LogWalk log;
    std::optional<WalkFailure> failed = log.open(options.header);
    if (!failed && !options.headerOnly)
        failed = log.checkFiles();
    if (failed) {
        errorLine(err, failed->text);
        return failed->exitCode;
    }
    Json first;
    first["Header"] = options.header.string();
    appendFields(first, headerJson(log.document(), log.info()));
    first["Files"] = Json::array();
    for (const LogDataFile& file : log.files())
        first["Files"].push_back(Json{{"File", file.index}, {"Path", file.path.string()}});
    writeJsonLine(out, first);
    if (options.headerOnly)
        return out.flush() ? ExitCode::Ok : ExitCode::Failure;

    const long long limit = options.limit.value_or(-1);
    long long printed = 0;
    bool written = true;
    progress.stage("Inspecting ...");
    failed = log.walk(
        [&](const LogDataFile& file, std::int64_t position, std::span<const std::uint8_t> bytes,
            const CDataLogReader& reader) {
            if (limit >= 0 && printed >= limit)
                return false;
            Json line;
            line["File"] = file.index;
            line["Position"] = position;
            line["Length"] = reader.LastRecordLength();
            appendFields(line, recordFields(reader.Record(), bytes));
            writeJsonLine(out, line);
            written = static_cast<bool>(out);
            ++printed;
            return written;
        },
        progress);
    progress.stage("");
    if (!written || !out.flush()) {
        errorLine(err, "the output cannot be written");
        return ExitCode::Failure;
    }
    if (failed) {
        errorLine(err,
                  failed->exitCode == ExitCode::Interrupted ? "inspect cancelled" : failed->text);
        return failed->exitCode;
    }
    return ExitCode::Ok;
}

} // namespace zarn::cli
