// Profile-string access to INI files on disk: each call reads the file, and each change writes
// it back whole through writeFileAtomically. Changes from several threads to the same file are
// serialised, so no update is lost.
#pragma once

#include "platform/ProfileDocument.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zarn::ProfileFile {

// The document of a file; empty when the file is missing or unreadable.
ProfileDocument load(const std::filesystem::path& path);

[[nodiscard]] std::optional<std::string> read(const std::filesystem::path& path,
                                              std::string_view section, std::string_view key);

// Applies an edit to the file's document and writes it back. False when the file cannot be
// written; the file is then unchanged.
[[nodiscard]] bool update(const std::filesystem::path& path,
                          const std::function<void(ProfileDocument&)>& edit);

[[nodiscard]] bool write(const std::filesystem::path& path, std::string_view section,
                         std::string_view key, std::string_view value);

} // namespace zarn::ProfileFile
