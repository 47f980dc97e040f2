#include "platform/StatusBar.h"

#include <atomic>

namespace zarn {
namespace {
class SilentStatusBar : public StatusBar {
public:
    void setPaneText(int, std::string_view) override {}
};
std::atomic<StatusBar*> installed{nullptr};
} // namespace

StatusBar& StatusBar::current() {
    static SilentStatusBar silent;
    StatusBar* s = installed.load(std::memory_order_acquire);
    return s ? *s : silent;
}

void StatusBar::install(StatusBar* statusBar) {
    installed.store(statusBar, std::memory_order_release);
}

} // namespace zarn
