// What the data log and the player show in the main window beside message boxes: texts in the
// first pane of the status bar ("Data file : ...", the depth search's progress) and the wait
// cursor. Called from the thread that owns the windows, the decoding thread (the writer's split)
// and the playback thread, so an implementation must hop onto its own thread. The defaults do
// nothing.
#pragma once

#include <string_view>

namespace zarn {

class LogFilesDisplay {
public:
    virtual ~LogFilesDisplay() = default;
    virtual void showStatusText(std::string_view /*text*/) {}
    virtual void setWaitCursor(bool /*on*/) {}
};

} // namespace zarn
