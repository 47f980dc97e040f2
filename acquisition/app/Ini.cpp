#include "acquisition/app/Ini.h"

#include "platform/Format.h"
#include "platform/Home.h"
#include "platform/ProfileFile.h"

#include <algorithm>

namespace zarn {

CIni::CIni(std::string_view fileName, std::string_view section, bool relativeToProgram)
    : section_(section) {
    SetFile(fileName, relativeToProgram);
}

void CIni::SetFile(std::string_view fileName, bool relativeToProgram) {
    if (fileName.empty()) {
        file_ = Home::configDir() / "zarn.ini";
        return;
    }
    std::filesystem::path path(fileName);
    std::error_code ec;
    if (path.is_relative() && !std::filesystem::exists(path, ec))
        path = (relativeToProgram ? Home::configDir() : std::filesystem::current_path(ec)) / path;
    file_ = path;
}

void CIni::useSection(std::string_view section) {
    if (!section.empty())
        section_ = section;
}

std::string CIni::GetString(std::string_view key, std::string_view def, std::string_view section) {
    useSection(section);
    auto value = batch_     ? batch_->get(section_, key)
                 : reading_ ? reading_->get(section_, key)
                            : ProfileFile::read(file_, section_, key);
    return value ? *value : std::string(def);
}

bool CIni::HasSection(std::string_view section) {
    if (batch_)
        return batch_->hasSection(section);
    if (reading_)
        return reading_->hasSection(section);
    return ProfileFile::load(file_).hasSection(section);
}

int CIni::GetInt(std::string_view key, int def, std::string_view section) {
    return parseInt(GetString(key, format("%d", def), section));
}

bool CIni::GetBool(std::string_view key, int def, std::string_view section) {
    return GetInt(key, def, section) != 0;
}

bool CIni::GetYesNo(std::string_view key, bool def, std::string_view section) {
    const std::string text = GetString(key, def ? "yes" : "no", section);
    if (equalsNoCase(text, "yes"))
        return true;
    if (equalsNoCase(text, "no"))
        return false;
    return parseInt(text) == 1;
}

double CIni::ParseDouble(std::string_view text) {
    std::string point(text);
    std::string comma(text);
    std::replace(point.begin(), point.end(), ',', '.');
    std::replace(comma.begin(), comma.end(), '.', ',');
    const double first = parseDouble(point);
    if (first < 0)
        return first;
    const double second = parseDouble(comma);
    return (second < 0 || second > first) ? second : first;
}

double CIni::GetDouble(std::string_view key, double def, std::string_view section) {
    return ParseDouble(GetString(key, format("%g", def), section));
}

float CIni::GetFloat(std::string_view key, float def, std::string_view section) {
    return static_cast<float>(parseDouble(GetString(key, format("%g", double(def)), section)));
}

bool CIni::WriteString(std::string_view key, std::string_view value, std::string_view section) {
    useSection(section);
    if (batch_) {
        batch_->set(section_, key, value);
        return true;
    }
    return ProfileFile::write(file_, section_, key, value);
}

bool CIni::Batch(const std::function<void()>& writes) {
    if (batch_) { // already inside a batch: part of it
        writes();
        return true;
    }
    struct Reset {
        ProfileDocument*& batch;
        ~Reset() { batch = nullptr; }
    };
    return ProfileFile::update(file_, [&](ProfileDocument& doc) {
        batch_ = &doc;
        const Reset reset{batch_};
        writes();
    });
}

void CIni::ReadAll(const std::function<void()>& reads) {
    if (batch_ || reading_) { // already reading one state of the file
        reads();
        return;
    }
    const ProfileDocument doc = ProfileFile::load(file_);
    struct Reset {
        const ProfileDocument*& reading;
        ~Reset() { reading = nullptr; }
    };
    reading_ = &doc;
    const Reset reset{reading_};
    reads();
}

bool CIni::WriteInt(std::string_view key, int value, std::string_view section) {
    return WriteString(key, format("%d", value), section);
}

bool CIni::WriteDouble(std::string_view key, double value, std::string_view section) {
    return WriteString(key, format("%6f", value), section);
}

bool CIni::WriteFloat(std::string_view key, float value, std::string_view section) {
    return WriteString(key, format("%6G", double(value)), section);
}

bool CIni::WriteYesNo(std::string_view key, bool value, std::string_view section) {
    return WriteString(key, value ? "yes" : "no", section);
}

} // namespace zarn
