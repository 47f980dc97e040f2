// The link's send operations, one row of a table per command frame: the frame's builder, the
// location text of its guarded send and what is kept of it once handed over. Every send takes
// the same road: the frame is built from the configuration under the owner's lock (the owner is
// told when the build changed the configuration), its checksum is verified, and only then it is
// handed to the frame sender. A send returns at once; it does not wait for the write.
//
// Threads: any (the user-interface thread, the reader for F1 and re-requests, the link check
// for F0); the kept frames and the working values are guarded.
#pragma once

#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/link/CommandFrames.h"
#include "acquisition/link/ConfigurationAccess.h"
#include "acquisition/link/FrameSender.h"
#include "platform/Shared.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

namespace zarn {

enum class Command : std::uint8_t {
    F0,
    F1,
    F2,
    F3,
    F11,
    F12,
    F13ViewMode,
    F13Flash,
    F13ColourGains,
    F13PictureCircle,
    F13GreyCalibration,
    F13OrientationFilter,
    F13Diagnostic,
    F13CalibrationDate,
};

class CommandSender {
public:
    // settings and sender are the owner's and outlive this object; changed is called on the
    // sending thread after a build changed the configuration.
    CommandSender(ConfigurationAccess& settings, FrameSender& sender, DiagnosticLogs& logs,
                  std::function<void()> changed);

    // Builds, checks and hands over the command's frame; true when handed over. An exception is
    // reported under the command's location text and the send fails.
    [[nodiscard]] bool send(Command command);
    // F12 asking for a video packet again (guarded like F12).
    [[nodiscard]] bool sendVideoRequest(std::uint8_t index);

    // Working values of the settings windows that go into F13 orders.
    void setWorkingValues(const CommandWorkingValues& values) { working_.publish(values); }
    CommandWorkingValues workingValues() const { return working_.snapshot(); }

    // The last winch settings (F1) and downhole settings (F3) frames handed over.
    std::optional<CommandFrame> lastWinchSettings() const;
    std::optional<CommandFrame> lastDownholeSettings() const;

private:
    template <class Build> std::optional<CommandFrame> build(Build&& build);
    [[nodiscard]] bool handOver(const std::optional<CommandFrame>& frame);

    ConfigurationAccess& settings_;
    FrameSender& sender_;
    DiagnosticLogs& logs_;
    std::function<void()> changed_;
    Shared<CommandWorkingValues> working_;
    mutable std::mutex keptMutex_;
    std::optional<CommandFrame> lastWinchSettings_;
    std::optional<CommandFrame> lastDownholeSettings_;
};

} // namespace zarn
