// The panes of the main window's status bar. The windows post the text to their status bar
// (it is drawn later on the window thread), the command line prints what changed, tests record
// the calls. setPaneText never blocks and keeps its own copy of the text: any thread may call it.
#pragma once

#include <string_view>

namespace zarn {

class StatusBar {
public:
    virtual ~StatusBar() = default;
    virtual void setPaneText(int pane, std::string_view text) = 0;

    // The program's status bar; a silent one until another is installed.
    static StatusBar& current();
    static void install(StatusBar* statusBar); // not owned; nullptr restores the silent one
};

} // namespace zarn
