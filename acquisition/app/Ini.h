// INI file access for the configuration, header, sonde and calibration files.
//
// Integers are written with "%d", doubles with "%6f", single-precision values with "%6G" and
// flags as "yes"/"no"; numbers are always written and read with a decimal point. A missing file,
// section or key gives the default. A section argument, when given, becomes the current section
// for that call and the calls after it.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace zarn {

class ProfileDocument;

class CIni {
public:
    // A relative name that does not exist as given is taken from the program folder
    // (relativeToProgram) or the current folder; an empty name is the program folder's
    // "zarn.ini".
    explicit CIni(std::string_view fileName = {}, std::string_view section = {},
                  bool relativeToProgram = true);
    virtual ~CIni() = default;

    void SetFile(std::string_view fileName, bool relativeToProgram = true);
    void SetSection(std::string_view section) { section_ = section; }
    const std::filesystem::path& File() const { return file_; }
    const std::string& Section() const { return section_; }

    std::string GetString(std::string_view key, std::string_view def,
                          std::string_view section = {});
    int GetInt(std::string_view key, int def, std::string_view section = {});
    // Whether the file has the section (found case-insensitively).
    bool HasSection(std::string_view section);
    bool GetBool(std::string_view key, int def, std::string_view section = {});
    bool GetYesNo(std::string_view key, bool def, std::string_view section = {});
    // Accepts a decimal comma as well as a decimal point.
    double GetDouble(std::string_view key, double def, std::string_view section = {});
    float GetFloat(std::string_view key, float def, std::string_view section = {});

    // Each write returns false when the file cannot be written (it is then unchanged). Inside
    // Batch a write only changes the document being built and answers true: the answer that
    // counts there is the batch's.
    [[nodiscard]] bool WriteString(std::string_view key, std::string_view value,
                                   std::string_view section = {});
    [[nodiscard]] bool WriteInt(std::string_view key, int value, std::string_view section = {});
    [[nodiscard]] bool WriteDouble(std::string_view key, double value,
                                   std::string_view section = {});
    [[nodiscard]] bool WriteFloat(std::string_view key, float value, std::string_view section = {});
    [[nodiscard]] bool WriteYesNo(std::string_view key, bool value, std::string_view section = {});

    // Runs writes (calls of this object's Write and Get functions) as one change of the file:
    // it is read once and written once, so a crash leaves all of the writes or none, and a
    // long series of keys costs one file write. False when the file cannot be written (it is
    // then unchanged). Inside, the file must not be changed and no other profile file may be
    // written (the update holds the profile files' lock).
    [[nodiscard]] bool Batch(const std::function<void()>& writes);

    // Runs reads (this object's Get functions) on one reading of the file instead of one
    // reading per key: a header or configuration of a hundred keys is read and parsed once,
    // and every value comes from the same state of the file. Writes inside still go to the file.
    void ReadAll(const std::function<void()>& reads);

    // The two-separator reading of a decimal text: converted once with every "," made ".",
    // once with every "." made ","; a negative first result stands, otherwise the second is
    // taken when it is negative or larger than the first.
    static double ParseDouble(std::string_view text);

private:
    void useSection(std::string_view section);

    std::filesystem::path file_;
    std::string section_;
    ProfileDocument* batch_ = nullptr;         // the document being changed by Batch
    const ProfileDocument* reading_ = nullptr; // the document read once by ReadAll
};

} // namespace zarn
