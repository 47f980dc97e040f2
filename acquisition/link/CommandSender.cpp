#include "acquisition/link/CommandSender.h"

#include "acquisition/app/Guarded.h"

#include <array>

namespace zarn {
namespace {

using Builder = std::optional<CommandFrame> (*)(Configuration&, const CommandWorkingValues&);

// What is kept of a frame once it is handed over.
enum class Kept { Nothing, WinchSettings, DownholeSettings };

struct CommandRow {
    Command command;
    const char* function; // the operation named in the debugger output
    const char* location; // the guard's location text; nullptr: "CUSB :: L" and the row's line
    int line;
    Builder build;
    Kept kept;
    const char* notBuilt; // the error log's text when the frame cannot be built
};

// One row per command, in the order of Command.
constexpr std::array<CommandRow, 14> Rows = {{
    {Command::F0, "zarn::CUSB::sendF0", nullptr, __LINE__,
     [](Configuration& c, const CommandWorkingValues&) -> std::optional<CommandFrame> {
         return CommandFrames::F0(c.logger);
     },
     Kept::Nothing, nullptr},
    {Command::F1, "zarn::CUSB::sendF1", "CUSB :: L1398", __LINE__,
     [](Configuration& c, const CommandWorkingValues&) {
         return CommandFrames::F1(c.logger, c.program);
     },
     Kept::WinchSettings, "Winch settings not sent: no encoder scale for this wheel"},
    {Command::F2, "zarn::CUSB::sendF2", "CUSB :: L1430", __LINE__,
     [](Configuration& c, const CommandWorkingValues&) -> std::optional<CommandFrame> {
         return CommandFrames::F2(c.logger);
     },
     Kept::Nothing, nullptr},
    {Command::F3, "zarn::CUSB::sendF3", "CUSB :: L1456", __LINE__,
     [](Configuration& c, const CommandWorkingValues&) -> std::optional<CommandFrame> {
         return CommandFrames::F3(c.logger);
     },
     Kept::DownholeSettings, nullptr},
    {Command::F11, "zarn::CUSB::sendF11", "CUSB :: L1499", __LINE__,
     [](Configuration& c, const CommandWorkingValues&) -> std::optional<CommandFrame> {
         return CommandFrames::F11(c.logger, c.surface);
     },
     Kept::Nothing, nullptr},
    {Command::F12, "zarn::CUSB::sendF12", "CUSB :: L1546", __LINE__,
     [](Configuration& c, const CommandWorkingValues&) -> std::optional<CommandFrame> {
         return CommandFrames::F12(c.logger, c.surface);
     },
     Kept::Nothing, nullptr},
    {Command::F13ViewMode, "zarn::CUSB::sendF13ViewMode", nullptr, __LINE__,
     [](Configuration& c, const CommandWorkingValues& w) -> std::optional<CommandFrame> {
         return CommandFrames::F13ViewMode(c.logger, w);
     },
     Kept::Nothing, nullptr},
    {Command::F13Flash, "zarn::CUSB::sendF13Flash", nullptr, __LINE__,
     [](Configuration& c, const CommandWorkingValues&) -> std::optional<CommandFrame> {
         return CommandFrames::F13Flash(c.logger);
     },
     Kept::Nothing, nullptr},
    {Command::F13ColourGains, "zarn::CUSB::sendF13ColourGains", nullptr, __LINE__,
     [](Configuration& c, const CommandWorkingValues&) -> std::optional<CommandFrame> {
         return CommandFrames::F13ColourGains(c.logger);
     },
     Kept::Nothing, nullptr},
    {Command::F13PictureCircle, "zarn::CUSB::sendF13PictureCircle", nullptr, __LINE__,
     [](Configuration& c, const CommandWorkingValues&) -> std::optional<CommandFrame> {
         return CommandFrames::F13PictureCircle(c.logger);
     },
     Kept::Nothing, nullptr},
    {Command::F13GreyCalibration, "zarn::CUSB::sendF13GreyCalibration", nullptr, __LINE__,
     [](Configuration& c, const CommandWorkingValues&) -> std::optional<CommandFrame> {
         return CommandFrames::F13GreyCalibration(c.logger);
     },
     Kept::Nothing, nullptr},
    {Command::F13OrientationFilter, "zarn::CUSB::sendF13OrientationFilter", nullptr, __LINE__,
     [](Configuration& c, const CommandWorkingValues&) -> std::optional<CommandFrame> {
         return CommandFrames::F13OrientationFilter(c.logger);
     },
     Kept::Nothing, nullptr},
    {Command::F13Diagnostic, "zarn::CUSB::sendF13Diagnostic", nullptr, __LINE__,
     [](Configuration&, const CommandWorkingValues& w) -> std::optional<CommandFrame> {
         return CommandFrames::F13Diagnostic(w);
     },
     Kept::Nothing, nullptr},
    {Command::F13CalibrationDate, "zarn::CUSB::sendF13CalibrationDate", nullptr, __LINE__,
     [](Configuration& c, const CommandWorkingValues&) -> std::optional<CommandFrame> {
         return CommandFrames::F13CalibrationDate(c.logger);
     },
     Kept::Nothing, nullptr},
}};

constexpr bool rowsInCommandOrder() {
    for (std::size_t i = 0; i < Rows.size(); ++i)
        if (static_cast<std::size_t>(Rows[i].command) != i)
            return false;
    return true;
}
static_assert(rowsInCommandOrder(), "one row per command, in the order of Command");

GuardSite siteOf(const CommandRow& row) {
    return GuardSite{row.location ? std::string(row.location) : guardLocation("CUSB", row.line),
                     row.function, sourceFileName(__FILE__), row.line};
}

} // namespace

CommandSender::CommandSender(ConfigurationAccess& settings, FrameSender& sender,
                             DiagnosticLogs& logs, std::function<void()> changed)
    : settings_(settings), sender_(sender), logs_(logs), changed_(std::move(changed)) {}

template <class Build> std::optional<CommandFrame> CommandSender::build(Build&& build) {
    std::optional<CommandFrame> frame;
    bool changed = false;
    settings_([&](Configuration& c) {
        const LoggerParameters before = c.logger;
        frame = build(c);
        const LoggerParameters& after = c.logger;
        changed = before.encoderScale != after.encoderScale ||
                  before.depthScale != after.depthScale ||
                  before.encoderFrequency != after.encoderFrequency ||
                  before.encoderFrequencyD != after.encoderFrequencyD ||
                  before.captureAdjustPeriod != after.captureAdjustPeriod ||
                  before.flashWord != after.flashWord ||
                  before.greyCalibrationTrigger != after.greyCalibrationTrigger;
    });
    if (changed && changed_)
        changed_();
    return frame;
}

bool CommandSender::handOver(const std::optional<CommandFrame>& frame) {
    // A frame whose checksum does not verify is never handed over.
    if (!frame || !CommandFrames::verifyChecksum(frame->view()))
        return false;
    return sender_.hand(*frame);
}

bool CommandSender::send(Command command) {
    const CommandRow& row = Rows[static_cast<std::size_t>(command)];
    return guarded(siteOf(row), false, [&] {
        const CommandWorkingValues working = working_.snapshot();
        const std::optional<CommandFrame> frame =
            build([&](Configuration& c) { return row.build(c, working); });
        if (!frame && row.notBuilt) {
            logs_.errorLog(siteOf(row).location, row.notBuilt);
            return false;
        }
        if (!handOver(frame))
            return false;
        if (row.kept != Kept::Nothing) {
            std::lock_guard lock(keptMutex_);
            (row.kept == Kept::WinchSettings ? lastWinchSettings_ : lastDownholeSettings_) = frame;
        }
        return true;
    });
}

bool CommandSender::sendVideoRequest(std::uint8_t index) {
    // Built from the block as it is: the request mark and the index never touch the shared
    // light power and filter cut-off.
    CommandRow request = Rows[static_cast<std::size_t>(Command::F12)];
    request.function = "zarn::CUSB::requestVideoPacket";
    return guarded(siteOf(request), false, [&] {
        return handOver(build([index](Configuration& c) -> std::optional<CommandFrame> {
            return CommandFrames::F12Request(c.logger, c.surface, index);
        }));
    });
}

std::optional<CommandFrame> CommandSender::lastWinchSettings() const {
    std::lock_guard lock(keptMutex_);
    return lastWinchSettings_;
}

std::optional<CommandFrame> CommandSender::lastDownholeSettings() const {
    std::lock_guard lock(keptMutex_);
    return lastDownholeSettings_;
}

} // namespace zarn
