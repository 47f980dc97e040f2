// Work handed to the window thread. Any thread may post; the work runs later on the thread that
// owns the windows, in the order posted, once its event loop turns.
#pragma once

#include <functional>

namespace zarn::ui {

// Queues work for the window thread. Runs nothing when no application object exists.
void postToGui(std::function<void()> work);
// True on the thread that owns the windows.
bool onGuiThread();

} // namespace zarn::ui
