// The independent LAS reader of the command tests: the npm package las-js, run by node over a file
// (tests/acquisition/cli/las_js_read.js prints what it read as one JSON object: header, units,
// well values and units, wrap, version, rows, data).
#pragma once

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace zarn::test {

// Why the reader cannot run here (node or the package missing), empty when it can.
inline std::string lasJsMissing() {
    if (std::system("node --version >/dev/null 2>&1") != 0)
        return "node is not installed";
    if (!std::filesystem::is_directory(std::filesystem::path(ZARN_LASJS_MODULES) / "las-js"))
        return "las-js is not installed (scripts/install-deps.sh installs it)";
    return {};
}

// The output of a command, or nothing when it could not be run or failed.
inline std::optional<std::string> outputOf(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return std::nullopt;
    std::string text;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    return ::pclose(pipe) == 0 ? std::optional<std::string>(text) : std::nullopt;
}

// What las-js read from a file; nothing when it refused the file or printed no JSON.
inline std::optional<nlohmann::json> readWithLasJs(const std::filesystem::path& las) {
    const std::optional<std::string> text =
        outputOf("NODE_PATH='" + std::string(ZARN_LASJS_MODULES) + "' node '" + ZARN_LASJS_SCRIPT +
                 "' '" + las.string() + "'");
    if (!text)
        return std::nullopt;
    nlohmann::json read = nlohmann::json::parse(*text, nullptr, false);
    if (read.is_discarded())
        return std::nullopt;
    return read;
}

} // namespace zarn::test
