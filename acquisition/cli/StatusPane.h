// The first pane of the main window's status bar on the command line: installed as the
// program's status bar for its life, it keeps the last text the recording or the replay showed
// there ("Data file : BH12_2.lox" at a split) for the live status line. Any thread may set it.
#pragma once

#include "platform/StatusBar.h"

#include <mutex>
#include <string>

namespace zarn::cli {

class StatusPane : public StatusBar {
public:
    StatusPane();
    ~StatusPane() override;
    StatusPane(const StatusPane&) = delete;
    StatusPane& operator=(const StatusPane&) = delete;

    void setPaneText(int pane, std::string_view text) override;
    // The last text of the first pane, blanks trimmed.
    std::string text() const;

private:
    mutable std::mutex mutex_;
    std::string text_;
};

} // namespace zarn::cli
