#include "platform/ProfileFile.h"

#include "platform/FileIo.h"

#include <mutex>

namespace zarn::ProfileFile {
namespace {
std::mutex& updateMutex() {
    static std::mutex m;
    return m;
}
} // namespace

ProfileDocument load(const std::filesystem::path& path) {
    const auto bytes = readWholeFile(path);
    return bytes ? ProfileDocument::parse(*bytes) : ProfileDocument{};
}

std::optional<std::string> read(const std::filesystem::path& path, std::string_view section,
                                std::string_view key) {
    return load(path).get(section, key);
}

bool update(const std::filesystem::path& path, const std::function<void(ProfileDocument&)>& edit) {
    std::lock_guard lock(updateMutex());
    ProfileDocument doc = load(path);
    edit(doc);
    return writeFileAtomically(path, doc.serialize());
}

bool write(const std::filesystem::path& path, std::string_view section, std::string_view key,
           std::string_view value) {
    return update(path, [&](ProfileDocument& doc) { doc.set(section, key, value); });
}

} // namespace zarn::ProfileFile
