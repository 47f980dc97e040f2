#include "platform/SettingsStore.h"

#include "platform/Home.h"
#include "platform/ProfileFile.h"

namespace zarn {

SettingsStore::SettingsStore() : file_(Home::settingsStoreFile()) {}

SettingsStore::SettingsStore(std::filesystem::path file) : file_(std::move(file)) {}

bool SettingsStore::keyExists(std::string_view keyPath) const {
    return ProfileFile::load(file_).hasSection(keyPath);
}

std::optional<std::string> SettingsStore::readString(std::string_view keyPath,
                                                     std::string_view name) const {
    return ProfileFile::read(file_, keyPath, name);
}

bool SettingsStore::writeString(std::string_view keyPath, std::string_view name,
                                std::string_view value) {
    return ProfileFile::write(file_, keyPath, name, value);
}

} // namespace zarn
