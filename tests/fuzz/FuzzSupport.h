// What the fuzz targets share: a scratch folder of this process's own (in memory when the system
// has one, removed at exit) for targets that read files, and the check that turns a broken
// property into a crash the fuzzer reports.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace zarn::fuzz {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name) {
        std::error_code ec;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, ec))
            base = std::filesystem::temp_directory_path();
        path_ = base / ("zarn-fuzz-" + name + "-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path_, ec);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace zarn::fuzz
