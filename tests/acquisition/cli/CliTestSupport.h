// Helpers of the command tests: running a command into strings and reading its JSON lines.
#pragma once

#include "acquisition/cli/Commands.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace zarn::test {

// Bytes of no meaning, the same for the same seed.
inline std::string randomBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

struct CommandRun {
    int code = -1;
    std::string out;
    std::string err;
    // Every line of out parsed as JSON (a line that does not parse fails the test).
    std::vector<nlohmann::json> lines() const {
        std::vector<nlohmann::json> parsed;
        std::istringstream in(out);
        std::string line;
        while (std::getline(in, line)) {
            nlohmann::json j = nlohmann::json::parse(line, nullptr, false);
            EXPECT_FALSE(j.is_discarded()) << "not JSON: " << line;
            parsed.push_back(std::move(j));
        }
        return parsed;
    }
};

inline CommandRun runCommand(const std::function<int(std::ostream&, std::ostream&)>& command) {
    std::ostringstream out;
    std::ostringstream err;
    CommandRun run;
    run.code = command(out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

// The number of lines of a text.
inline std::size_t lineCount(const std::string& text) {
    std::size_t n = 0;
    for (const char c : text)
        n += c == '\n';
    return n;
}

} // namespace zarn::test
