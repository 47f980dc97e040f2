#include "platform/PendingFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace zarn {

std::filesystem::path temporaryNameBeside(const std::filesystem::path& path) {
    // Unique per process and per call, so that two threads never share a temporary file.
    static std::atomic<unsigned> serial{0};
    std::filesystem::path temp = path;
    temp += ".tmp" + std::to_string(::getpid()) + "." + std::to_string(serial++);
    return temp;
}

PendingFile::PendingFile(std::filesystem::path target)
    : target_(std::move(target)), temporary_(temporaryNameBeside(target_)) {}

PendingFile::~PendingFile() {
    if (!committed_)
        discard();
}

std::ofstream& PendingFile::stream() {
    if (!stream_.is_open())
        stream_.open(temporary_, std::ios::binary | std::ios::trunc);
    return stream_;
}

bool PendingFile::commit(std::string* error) {
    auto failed = [&](const std::string& why) {
        if (error)
            *error = why;
        discard();
        return false;
    };
    if (stream_.is_open()) {
        stream_.flush();
        const bool written = static_cast<bool>(stream_);
        stream_.close();
        if (!written || stream_.fail())
            return failed("cannot write");
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(temporary_, ec))
        return failed("nothing was written");
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0)
        return failed(std::strerror(errno));
    committed_ = true;
    return true;
}

void PendingFile::discard() {
    if (stream_.is_open())
        stream_.close();
    std::error_code ec;
    std::filesystem::remove(temporary_, ec);
}

} // namespace zarn
