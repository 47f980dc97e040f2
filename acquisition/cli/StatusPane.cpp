#include "acquisition/cli/StatusPane.h"

namespace zarn::cli {

StatusPane::StatusPane() {
    StatusBar::install(this);
}

StatusPane::~StatusPane() {
    StatusBar::install(nullptr);
}

void StatusPane::setPaneText(int pane, std::string_view text) {
    if (pane != 0)
        return;
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    std::lock_guard lock(mutex_);
    text_ = first == std::string_view::npos ? std::string()
                                            : std::string(text.substr(first, last - first + 1));
}

std::string StatusPane::text() const {
    std::lock_guard lock(mutex_);
    return text_;
}

} // namespace zarn::cli
