#include "platform/DebugOutput.h"

#include <cstdio>
#include <mutex>

namespace zarn {
namespace {
std::mutex& sinkMutex() {
    static std::mutex m;
    return m;
}
std::function<void(std::string_view)>& sink() {
    static std::function<void(std::string_view)> s;
    return s;
}
} // namespace

void debugOutput(std::string_view text) {
    std::lock_guard lock(sinkMutex());
    if (sink())
        sink()(text);
    else
        std::fwrite(text.data(), 1, text.size(), stderr);
}

void setDebugOutputSink(std::function<void(std::string_view)> s) {
    std::lock_guard lock(sinkMutex());
    sink() = std::move(s);
}

} // namespace zarn
