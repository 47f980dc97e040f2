// An output written under a temporary name beside its final one and renamed over it only when
// the work is complete, so that a cancelled or failed job never leaves a half-written file
// under the final name. Whole buffers: writeFileAtomically (FileIo.h); streamed outputs (a
// picture, an export written line by line) use this.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace zarn {

// A temporary name beside path, unique per process and per call.
std::filesystem::path temporaryNameBeside(const std::filesystem::path& path);

class PendingFile {
public:
    explicit PendingFile(std::filesystem::path target);
    // Removes the temporary file unless it was committed.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // The final name.
    const std::filesystem::path& target() const { return target_; }
    // The temporary name, for writers that open the file by name themselves.
    const std::filesystem::path& path() const { return temporary_; }
    // The temporary file opened for binary writing (created on the first call).
    std::ofstream& stream();

    // Closes the stream and renames the temporary file over the target. False (the target
    // unchanged, the temporary file removed) with the reason in error when a write or the
    // rename failed.
    [[nodiscard]] bool commit(std::string* error = nullptr);
    // Removes the temporary file now.
    void discard();
    bool committed() const { return committed_; }

private:
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::ofstream stream_;
    bool committed_ = false;
};

} // namespace zarn
