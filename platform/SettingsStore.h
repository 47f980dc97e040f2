// The per-user settings store: named string values under key paths such as
// "Software\Lumivane\ZARN\TechnicalTools", kept as sections of one INI file in the user's
// configuration folder. A key exists once a value has been written under it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

class SettingsStore {
public:
    SettingsStore(); // the user's store (Home::settingsStoreFile())
    explicit SettingsStore(std::filesystem::path file);

    bool keyExists(std::string_view keyPath) const;
    [[nodiscard]] std::optional<std::string> readString(std::string_view keyPath,
                                                        std::string_view name) const;
    // Creates the key when it does not exist. False when the store cannot be written.
    [[nodiscard]] bool writeString(std::string_view keyPath, std::string_view name,
                                   std::string_view value);

    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path file_;
};

} // namespace zarn
