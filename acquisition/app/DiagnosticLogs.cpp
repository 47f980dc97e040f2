#include "acquisition/app/DiagnosticLogs.h"

#include "platform/DebugOutput.h"
#include "platform/Format.h"
#include "platform/Home.h"
#include "platform/ProfileFile.h"
#include "platform/UserMessages.h"

#include <cstdarg>
#include <cstdio>

namespace zarn {
namespace {

// An INI value must stay on its line.
std::string oneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}

[[nodiscard]] bool appendToFile(const std::filesystem::path& path, std::string_view bytes) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::FILE* f = std::fopen(path.c_str(), "a+");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return (std::fclose(f) == 0) && ok;
}

} // namespace

DiagnosticLogs& DiagnosticLogs::instance() {
    static DiagnosticLogs logs(Home::stateDir());
    return logs;
}

DiagnosticLogs::DiagnosticLogs(std::filesystem::path folder) : folder_(std::move(folder)) {}

void DiagnosticLogs::setFolder(const std::filesystem::path& folder) {
    std::lock_guard lock(folderMutex_);
    folder_ = folder;
}

void DiagnosticLogs::setSwitches(const TechnicalSwitches& s) {
    technicalTools_ = s.technicalTools;
    debuggingTools_ = s.debuggingTools;
    debuggingTrace_ = s.debuggingTrace;
    fullTracing_ = s.fullTracing;
}

TechnicalSwitches DiagnosticLogs::switches() const {
    return TechnicalSwitches{technicalTools_, debuggingTools_, debuggingTrace_, fullTracing_};
}

std::filesystem::path DiagnosticLogs::errorLogPath() const {
    std::lock_guard lock(folderMutex_);
    return folder_ / "error_ZARN.log";
}

std::filesystem::path DiagnosticLogs::traceLogPath() const {
    std::lock_guard lock(folderMutex_);
    return folder_ / "Trace_ZARN.log";
}

std::filesystem::path DiagnosticLogs::debugTextPath() const {
    std::lock_guard lock(folderMutex_);
    return folder_ / "debug.txt";
}

void DiagnosticLogs::deleteTraceLog() {
    std::error_code ec;
    std::filesystem::remove(traceLogPath(), ec);
}

void DiagnosticLogs::errorLog(std::string_view location, std::string_view text) {
    if (!debuggingTools_)
        return;
    std::lock_guard lock(errorMutex_);
    // One section per second; a second entry of the same location in that second replaces the
    // first, as it always did.
    const auto path = errorLogPath();
    reportWrite(ProfileFile::write(path, timeStamp19Now(), oneLine(location), oneLine(text)), path,
                errorFailureShown_);
}

void DiagnosticLogs::exceptionLog(std::string_view location, const std::exception& error) {
    const std::string_view what = error.what();
    errorLog(location, what.substr(0, 255));
}

void DiagnosticLogs::traceLog(std::string_view location, std::string_view text) {
    if (debuggingTrace_)
        writeTrace(location, text);
}

void DiagnosticLogs::statisticsTrace(std::string_view text) {
    if (debuggingTools_ || debuggingTrace_)
        writeTrace("", text);
}

void DiagnosticLogs::writeTrace(std::string_view location, std::string_view text) {
    try {
        std::lock_guard lock(traceMutex_);
        const auto now = std::chrono::steady_clock::now();
        if (!lastTrace_)
            lastTrace_ = now;
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(now - *lastTrace_).count();
        lastTrace_ = now;
        std::string line = format("[%.19s  - %d] ", timeStamp19Now().c_str(), int(elapsed));
        line.append(location);
        line += " - ";
        line.append(text);
        if (line.back() != '\n')
            line += '\n';
        const auto path = traceLogPath();
        reportWrite(appendToFile(path, line), path, traceFailureShown_);
    } catch (const std::exception&) {
        debugOutput(format("Function: %s\nFile: %s\nLine: %d\n", "CPreferences::CreateTraceLog",
                           "Preferences", __LINE__));
    }
}

void DiagnosticLogs::debugText(const char* fmt, ...) {
    if (!debuggingTools_)
        return;
    va_list args;
    va_start(args, fmt);
    std::string text = vformat(fmt, args);
    va_end(args);
    if (text.size() > 1023)
        text.resize(1023); // the text is at most 1024 characters with its terminator
    std::lock_guard lock(debugMutex_);
    const auto path = debugTextPath();
    reportWrite(appendToFile(path, "[" + timeStamp19Now() + "]" + text), path, debugFailureShown_);
}

void DiagnosticLogs::reportWrite(bool written, const std::filesystem::path& path, bool& shown) {
    if (written) {
        shown = false;
    } else if (!shown) {
        // Shown once until the log can be written again, so a failing disk does not flood the
        // operator with one box per frame.
        shown = true;
        UserMessages::current().notify(
            UserMessage{"Trouble opening or create file. " + path.string(), "ZARN",
                        MessageIcon::Error, MessageButtons::Ok});
    }
}

} // namespace zarn
