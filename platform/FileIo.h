// Whole-file reads and crash-safe whole-file writes.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

// The bytes of a file, or nothing when it cannot be opened or read.
[[nodiscard]] std::optional<std::string> readWholeFile(const std::filesystem::path& path);

// Writes the bytes to a temporary file beside the target, flushes it to disk and renames it over
// the target, so that a crash or a power cut leaves either the old file or the new one, never a
// half-written one. Creates missing parent folders. False when any step fails (the target is
// then unchanged).
[[nodiscard]] bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

} // namespace zarn
