#include "platform/Home.h"

#include <cstdlib>
#include <mutex>

namespace zarn::Home {
namespace {

std::mutex& overrideMutex() {
    static std::mutex m;
    return m;
}
std::filesystem::path& overrideFolder() {
    static std::filesystem::path folder;
    return folder;
}

// A folder given relative to the working folder, made absolute, so that paths built on it stay
// the same whatever folder is current later.
std::filesystem::path absoluteFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
    return ec ? folder : absolute;
}

std::filesystem::path fromEnvironment(const char* xdgVariable, const char* fallbackUnderHome) {
    {
        std::lock_guard lock(overrideMutex());
        if (!overrideFolder().empty())
            return overrideFolder();
    }
    if (const char* home = std::getenv("ZARN_HOME"); home && *home)
        return absoluteFolder(home);
    if (const char* xdg = std::getenv(xdgVariable); xdg && *xdg)
        return std::filesystem::path(xdg) / "zarn";
    const char* user = std::getenv("HOME");
    return std::filesystem::path(user && *user ? user : "/tmp") / fallbackUnderHome / "zarn";
}

} // namespace

std::filesystem::path configDir() {
    return fromEnvironment("XDG_CONFIG_HOME", ".config");
}

std::filesystem::path stateDir() {
    return fromEnvironment("XDG_STATE_HOME", ".local/state");
}

std::filesystem::path settingsStoreFile() {
    return configDir() / "user-settings.ini";
}

void setOverride(const std::filesystem::path& folder) {
    std::lock_guard lock(overrideMutex());
    overrideFolder() = folder.empty() ? folder : absoluteFolder(folder);
}

} // namespace zarn::Home
