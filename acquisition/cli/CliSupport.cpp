#include "acquisition/cli/CliSupport.h"

#include "acquisition/app/Preferences.h"
#include "acquisition/cli/Commands.h"
#include "acquisition/export/ExportSource.h"

#include <atomic>

#include <ostream>

namespace zarn::cli {

LoadedSettings loadSettings() {
    LoadedSettings loaded;
    ConfigurationStore store;
    CPreferences preferences(store, loaded.placements);
    // Init answers false only to a second call of one object.
    static_cast<void>(preferences.Init());
    loaded.configuration = store.snapshot();
    loaded.sondes = preferences.Sondes();
    loaded.placementFile = preferences.PlacementFile();
    return loaded;
}

std::string oneLine(std::string_view text) {
    std::string line;
    line.reserve(text.size());
    bool blank = false;
    for (char c : text) {
        if (c == '\n' || c == '\r' || c == '\t' || c == ' ') {
            blank = !line.empty();
            continue;
        }
        if (blank)
            line += ' ';
        blank = false;
        line += c;
    }
    return line;
}

int exportSourceExitCode(const std::string& problem) {
    return problem.rfind(ExportSourceText::NoDataFile, 0) == 0 ? ExitCode::MissingFile
                                                               : ExitCode::CorruptInput;
}

void errorLine(std::ostream& err, std::string_view text) {
    err << "zarn-cli: " << oneLine(text) << '\n' << std::flush;
}

CliUserMessages::CliUserMessages(std::ostream& err, MessageAnswer answer)
    : err_(err), answer_(answer) {
    UserMessages::install(this);
}

CliUserMessages::~CliUserMessages() {
    UserMessages::install(nullptr);
}

void CliUserMessages::show(const UserMessage& message) {
    std::lock_guard lock(mutex_);
    std::string line = oneLine(message.text);
    if (!message.title.empty() && message.title != "ZARN")
        line = oneLine(message.title) + ": " + line;
    shown_.push_back(line);
    errorLine(err_, line);
}

MessageAnswer CliUserMessages::ask(const UserMessage& message) {
    const bool yes = answer_ == MessageAnswer::Yes;
    UserMessage shown = message;
    switch (message.buttons) {
    case MessageButtons::Ok:
        show(message);
        return MessageAnswer::Ok;
    case MessageButtons::OkCancel:
        shown.text += yes ? " (OK)" : " (Cancel)";
        show(shown);
        return yes ? MessageAnswer::Ok : MessageAnswer::Cancel;
    case MessageButtons::RetryCancel:
        shown.text += " (Cancel)";
        show(shown);
        return MessageAnswer::Cancel;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
        shown.text += yes ? " (Yes)" : " (No)";
        show(shown);
        return yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    return MessageAnswer::No;
}

void CliUserMessages::notify(const UserMessage& message) {
    show(message);
}

std::vector<std::string> CliUserMessages::shown() const {
    std::lock_guard lock(mutex_);
    return shown_;
}

} // namespace zarn::cli

namespace zarn::cli {

namespace {
// Written by the signal handler: a lock-free atomic is safe there.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);
} // namespace

bool interruptRequested() {
    return interrupted.load();
}

void requestInterrupt() {
    interrupted.store(true);
}

void clearInterrupt() {
    interrupted.store(false);
}

} // namespace zarn::cli
