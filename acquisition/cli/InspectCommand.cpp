// inspect LOG.hed: the header, then every record of every data file of the log, one JSON object
// per line. The records are read one at a time by the replay's own reader, so a log of any size
// is walked in little memory, and a damaged data file gives every whole record before the damage.
#include "acquisition/cli/Commands.h"
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

namespace fs = std::filesystem;

// A header is a small text file (the well information and a few lines per data file); a larger
// file is not taken for one, so that a wrong file given as header is never read whole.
constexpr std::uintmax_t LargestHeader = 1024 * 1024;

void fail(std::ostream& err, const fs::path& path, std::string_view what) {
    err << "zarn-cli: " << path.string() << ": " << what << '\n';
}

struct DataFile {
    int index = 1; // the %d of "[File%d]"
    fs::path path;
};

// The data files of the log, as the player finds them: the first is the header's path with
// ".lox", the others are named by their "[File%d]" sections, in the header's folder.
std::vector<DataFile> dataFilesOf(const fs::path& headerPath, const ProfileDocument& header,
                                  int dataFiles) {
    // "FileName" of each "[File%d]" section, by its index (one pass over the file).
    std::unordered_map<int, std::string> listed;
    for (const ProfileDocument::Section& section : header.sections())
        if (const std::optional<int> index = fileSectionIndex(section.name))
            for (const auto& [key, value] : section.entries)
                if (equalsNoCase(key, "FileName"))
                    listed.emplace(*index, value);

    std::vector<DataFile> files;
    files.push_back(DataFile{1, dataFileOfHeader(headerPath)});
    const fs::path folder = headerPath.parent_path();
    for (int i = 2; i <= boundedDataFiles(dataFiles); ++i) {
        const auto name = listed.find(i);
        files.push_back(
            DataFile{i, dataFileInFolder(folder, name == listed.end() ? " " : name->second)});
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
        readDspTrailer(record.subspan(logrecord::HeadSize), m.ReadBack);
    }
    Json fields = recordJson(m);
    fields.erase("CommStatus");
    fields.erase("LoggerStatus");
    return fields;
}

} // namespace

int runInspect(const InspectOptions& options, std::ostream& out, std::ostream& err) {
    const fs::path& headerPath = options.header;
    std::error_code ec;
    const fs::file_status status = fs::status(headerPath, ec);
    if (!fs::exists(status)) {
        fail(err, headerPath, "no such file");
        return ExitCode::MissingFile;
    }
    if (!fs::is_regular_file(status)) {
        fail(err, headerPath, "not a file");
        return ExitCode::MissingFile;
    }
    const std::uintmax_t headerSize = fs::file_size(headerPath, ec);
    if (ec || headerSize > LargestHeader) {
        fail(err, headerPath, ec ? "cannot be read" : "not a header (too large)");
        return ec ? ExitCode::MissingFile : ExitCode::CorruptInput;
    }
    const std::optional<std::string> text = readWholeFile(headerPath);
    if (!text) {
        fail(err, headerPath, "cannot be read");
        return ExitCode::MissingFile;
    }
    const ProfileDocument document = ProfileDocument::parse(*text);
    CHeader header;
    if (!document.hasSection("General") || header.ReadHeader(headerPath)) {
        fail(err, headerPath, "not a header");
        return ExitCode::CorruptInput;
    }
    const HeaderInfo& info = header.Info();
    const std::vector<DataFile> files = dataFilesOf(headerPath, document, info.DataFiles);

    Json first;
    first["Header"] = headerPath.string();
    appendFields(first, headerJson(document, info));
    first["Files"] = Json::array();
    for (const DataFile& file : files)
        first["Files"].push_back(Json{{"File", file.index}, {"Path", file.path.string()}});
    writeJsonLine(out, first);
    if (options.headerOnly)
        return out.flush() ? ExitCode::Ok : ExitCode::Failure;

    // The reader posts the read-back refreshes of the windows: nobody listens on this bus.
    MessageBus bus;
    CDataLogReader reader(nullptr, nullptr, bus);
    RecordFile records; // the same records as bytes, for what the replay does not take over
    reader.SetHeaderValues(ReplayHeaderValues::from(info));
    const long long limit = options.limit.value_or(-1);
    long long printed = 0;
    const auto limitReached = [&] { return limit >= 0 && printed >= limit; };

    for (const DataFile& file : files) {
        if (limitReached())
            break;
        if (!fs::is_regular_file(file.path, ec)) {
            fail(err, file.path, format("no such data file (listed as [File%d])", file.index));
            return ExitCode::CorruptInput;
        }
        if (!std::ifstream(file.path, std::ios::binary)) {
            fail(err, file.path, "cannot be read");
            return ExitCode::MissingFile;
        }
        reader.SetDataFile(file.path);
        records.open(file.path);
        std::int64_t position = 0;
        while (!limitReached()) {
            const std::int64_t at = position;
            if (!reader.ReadDataLineInFile(position))
                break;
            Json line;
            line["File"] = file.index;
            line["Position"] = at;
            line["Length"] = reader.LastRecordLength();
            appendFields(line, recordFields(reader.Record(),
                                            records.bytesAt(at, reader.LastRecordLength())));
            writeJsonLine(out, line);
            if (!out) {
                err << "zarn-cli: the output cannot be written\n";
                return ExitCode::Failure;
            }
            ++printed;
        }
        reader.Close();
        records.close();
        if (limitReached())
            break;
        const std::uintmax_t size = fs::file_size(file.path, ec);
        if (ec) {
            fail(err, file.path, "cannot be read");
            return ExitCode::MissingFile;
        }
        if (static_cast<std::uintmax_t>(position) != size) {
            fail(err, file.path, whyRecordsEnd(file.path, position, size));
            return ExitCode::CorruptInput;
        }
    }
    if (!out.flush()) {
        err << "zarn-cli: the output cannot be written\n";
        return ExitCode::Failure;
    }
    return ExitCode::Ok;
}

} // namespace zarn::cli
