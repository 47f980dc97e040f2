// The logic of the "Multi file selector" dialog (CPMultiFileSelector) of a log of several data
// files: one list entry per data file with the depth it begins at, a text line with the file
// count and the log's depth range, and the chosen file. The window shows them and forwards the
// selection and OK here. Its cancel button is hidden; a cancel still counts as the first file.
#pragma once

#include "acquisition/logfiles/HeaderInfo.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zarn {

class MultiFileSelectorLogic {
public:
    // One data file as the header lists it.
    struct ListedFile {
        std::string fileName;
        int startDepthMm = 0;
    };
    struct Entry {
        std::string text;  // file name and "  --  Begining at %.2f m"
        int fileIndex = 1; // item data
    };

    // files: "[File1]" to "[File<n>]" in order; endDepthMm: the header's "EndDepth".
    MultiFileSelectorLogic(std::vector<ListedFile> files, int endDepthMm, bool feet);

    // Reads "FileName" and "Startdepth" of every file section the header lists ("DataFiles",
    // bounded) in one reading of the header file.
    static MultiFileSelectorLogic FromHeader(const std::filesystem::path& headerPath,
                                             const HeaderInfo& info, bool feet);

    const std::vector<Entry>& Entries() const { return entries_; }
    // "%d files\n Loging start at %.2fm and end at %.2fm\nSelect the start file. "
    const std::string& Text() const { return text_; }

    int Selected() const { return selected_; } // row of the list; the first at opening
    void Select(int row);
    // OK: the file index of the selected entry (1 when the list is empty).
    int Accept() const;
    // A cancel: the first file.
    static int Cancel() { return 1; }

private:
    std::vector<Entry> entries_;
    std::string text_;
    int selected_ = 0;
};

} // namespace zarn
