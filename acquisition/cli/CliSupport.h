// What the commands of zarn-cli share: the program's settings as the windows load them, message
// boxes as one-line messages, and the one-line error form.
#pragma once

#include "acquisition/app/SettingsRecords.h"
#include "acquisition/app/SondeTable.h"
#include "acquisition/app/WindowPlacement.h"
#include "platform/UserMessages.h"

#include <filesystem>
#include <iosfwd>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace zarn::cli {

// The configuration and the sonde table of the settings files, loaded as the program does at
// start-up.
struct LoadedSettings {
    Configuration configuration;
    SondeTable sondes;
    WindowPlacementRecord placements;
    std::filesystem::path placementFile;
};
LoadedSettings loadSettings();

// Writes "zarn-cli: <text>" as one line (line breaks of the text become blanks).
void errorLine(std::ostream& err, std::string_view text);
// The text of a message on one line.
std::string oneLine(std::string_view text);

// The exit code of an export source that cannot be read (readExportSource's problem): a missing
// data file, or a log that cannot be used.
int exportSourceExitCode(const std::string& problem);

// The program's message boxes on the command line: each message becomes one line on the error
// stream; questions get the answer given (No unless the operator said yes). Installed for the
// life of the object. Any thread.
class CliUserMessages : public UserMessages {
public:
    CliUserMessages(std::ostream& err, MessageAnswer answer = MessageAnswer::No);
    ~CliUserMessages() override;
    CliUserMessages(const CliUserMessages&) = delete;
    CliUserMessages& operator=(const CliUserMessages&) = delete;

    MessageAnswer ask(const UserMessage& message) override;
    void notify(const UserMessage& message) override;
    // Every message shown so far.
    std::vector<std::string> shown() const;

private:
    void show(const UserMessage& message);

    std::ostream& err_;
    MessageAnswer answer_;
    mutable std::mutex mutex_;
    std::vector<std::string> shown_;
};

} // namespace zarn::cli
