// The three diagnostic text logs of the acquisition program, in the state folder:
// - error_ZARN.log: an INI file, one section per local second ("[Tue Dec 08 21:14:58]"), the
//   location text as key and the error text as value; written only while debugging tools is on;
// - Trace_ZARN.log: one line per entry, "[" time "%.19s " " - %d" (milliseconds since the
//   previous entry) "] " location " - " text; written only while debugging trace is on;
// - debug.txt: "[%.19s]" time and a printf-formatted text; written only while debugging tools
//   is on.
// Callable from any thread: each call is a short open-append-close under the log's own lock.
#pragma once

#include "acquisition/app/SettingsRecords.h"

#include <atomic>
#include <chrono>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

class DiagnosticLogs {
public:
    // The program's logs, in Home::stateDir().
    static DiagnosticLogs& instance();
    explicit DiagnosticLogs(std::filesystem::path folder);

    // Moves the logs to another folder (the program's home given on the command line, tests).
    void setFolder(const std::filesystem::path& folder);
    void setSwitches(const TechnicalSwitches& switches);
    TechnicalSwitches switches() const;

    void errorLog(std::string_view location, std::string_view text);
    void traceLog(std::string_view location, std::string_view text);
    void debugText(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    // An exception caught in a guarded function: its message (at most 255 characters) goes to
    // the error log under the location.
    void exceptionLog(std::string_view location, const std::exception& error);
    // The transmission statistics: a trace entry with an empty location, written while the
    // debugging mode is on even when the trace switch is off.
    void statisticsTrace(std::string_view text);

    std::filesystem::path errorLogPath() const;
    std::filesystem::path traceLogPath() const;
    std::filesystem::path debugTextPath() const;
    // Deletes the trace log (each debugging-trace run starts a fresh one).
    void deleteTraceLog();

private:
    void writeTrace(std::string_view location, std::string_view text);
    // A failed write of a log is shown to the operator once, until a write of that log works
    // again; shown is that log's flag, guarded by its lock.
    static void reportWrite(bool written, const std::filesystem::path& path, bool& shown);

    mutable std::mutex folderMutex_;
    std::filesystem::path folder_;
    std::atomic<bool> debuggingTools_{false};
    std::atomic<bool> debuggingTrace_{false};
    std::atomic<bool> technicalTools_{false};
    std::atomic<bool> fullTracing_{false};
    std::mutex errorMutex_;
    std::mutex traceMutex_;
    std::mutex debugMutex_;
    std::optional<std::chrono::steady_clock::time_point> lastTrace_;
    bool traceFailureShown_ = false;
    bool errorFailureShown_ = false;
    bool debugFailureShown_ = false;
};

} // namespace zarn
