#include "acquisition/logfiles/NewLog.h"

#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/logfiles/LogPaths.h"
#include "platform/FileIo.h"
#include "platform/Format.h"
#include "platform/ProfileDocument.h"
#include "platform/UserMessages.h"

#include <set>
#include <utility>

namespace zarn {
namespace {

namespace fs = std::filesystem;

bool hasControlCharacter(std::string_view name) {
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            return true;
    }
    return false;
}

bool hasSeparator(std::string_view name) {
    return name.find_first_of("/\\") != std::string_view::npos;
}

// The names the header lists under "[File%d]" "FileName", in file order, each once; blank ones
// list nothing.
std::vector<std::string> listedNames(const fs::path& headerPath) {
    std::vector<std::string> names;
    const std::optional<std::string> text = readWholeFile(headerPath);
    if (!text)
        return names;
    const ProfileDocument header = ProfileDocument::parse(*text);
    std::set<std::string> seen;
    for (const ProfileDocument::Section& section : header.sections()) {
        if (!fileSectionIndex(section.name))
            continue;
        for (const auto& [key, name] : section.entries)
            if (equalsNoCase(key, "FileName") && !name.empty() && seen.insert(name).second)
                names.push_back(name);
    }
    return names;
}

} // namespace

NewLogCreation::NewLogCreation(Configuration& configuration, std::function<bool()> saveFiles)
    : configuration_(configuration), saveFiles_(std::move(saveFiles)) {}

bool NewLogCreation::ValidTitle(std::string_view title) {
    return !title.empty() && title != "." && title != ".." && !hasSeparator(title) &&
           !hasControlCharacter(title);
}

std::optional<std::string> NewLogCreation::RefusalOfListedName(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || hasControlCharacter(name))
        return std::string("not a file name");
    if (hasSeparator(name))
        return std::string("not a plain file name of the log's folder");
    constexpr std::string_view extension = ".lox";
    if (name.size() <= extension.size() ||
        !equalsNoCase(name.substr(name.size() - extension.size()), extension))
        return std::string("not a data file name");
    return std::nullopt;
}

void NewLogCreation::deleteOldLog(const fs::path& folder, const fs::path& headerPath,
                                  NewLogResult& result) const {
    // Only files go: a folder that happens to carry a listed name stays. A symbolic link is
    // removed itself, never what it points to.
    const auto remove = [&](const fs::path& file, const std::string& listedName) {
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(file, ec);
        if (!fs::exists(status))
            return;
        if (!fs::is_regular_file(status) && !fs::is_symlink(status)) {
            result.skipped.push_back(SkippedLogFile{listedName, "not a file"});
            return;
        }
        if (fs::remove(file, ec))
            result.deleted.push_back(file);
        else
            result.skipped.push_back(SkippedLogFile{listedName, "cannot be deleted"});
    };

    // The data files first, so that a header is never gone while files it lists remain.
    for (const std::string& name : listedNames(headerPath)) {
        if (const std::optional<std::string> refusal = RefusalOfListedName(name)) {
            result.skipped.push_back(SkippedLogFile{name, *refusal});
            continue;
        }
        remove(folder / name, name);
    }
    remove(headerPath, headerPath.filename().string());

    DiagnosticLogs& logs = DiagnosticLogs::instance();
    for (const SkippedLogFile& skipped : result.skipped)
        logs.traceLog("NewLogCreation", format("Old log file \"%s\" not deleted: %s",
                                               skipped.listedName.c_str(), skipped.reason.c_str()));
}

NewLogResult NewLogCreation::Create(const NewLogRequest& request) {
    NewLogResult result;
    if (!ValidTitle(request.title)) {
        result.outcome = NewLogOutcome::InvalidName;
        return result;
    }
    const std::string headerName = HeaderName(request.title);
    const std::string dataFileName = DataFileName(request.title);
    const fs::path headerPath = request.folder / headerName;
    const fs::path dataFile = request.folder / dataFileName;

    std::error_code ec;
    if (fs::exists(fs::symlink_status(headerPath, ec))) {
        UserMessage question{std::string(ReplaceQuestion), "ZARN", MessageIcon::Question,
                             MessageButtons::YesNo, MessageAnswer::No};
        if (UserMessages::current().ask(question) != MessageAnswer::Yes) {
            result.outcome = NewLogOutcome::Declined;
            return result;
        }
        deleteOldLog(request.folder, headerPath, result);
    }

    AppPaths& paths = configuration_.paths;
    paths.headerName = headerName;
    paths.fileName = dataFileName;
    paths.lastHeader = headerPath.string();
    paths.dataFile = dataFile.string();
    if (request.splitLength)
        configuration_.program.recordSplit = *request.splitLength;
    if (saveFiles_)
        saveFiles_();

    result.setup.headerPath = headerPath;
    result.setup.dataFile = dataFile;
    result.setup.loggingDown = request.loggingDown;
    result.setup.loggerDepth = request.loggerDepth;
    result.lastWrittenDepth = request.imageDepth;
    result.outcome = NewLogOutcome::Ready;
    return result;
}

} // namespace zarn
