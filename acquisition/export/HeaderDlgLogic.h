// The logic of the header editor (CHeaderDlg) and its five pages: the fields of each page and
// the "[WellInfo]" key each edits, their texts as the pages show them, and the buttons: "&Load"
// (the well information of another header), "&Reset" and "&Save" (the fields into the header
// record). The window shows the texts and forwards what is typed; the editor never writes a
// file itself: the main window writes the header from the record.
//
// Texts: a text field shows its value (a value of blanks only shows empty, and an empty field
// is saved as one blank, the record's empty text). Numbers: reals with their page's decimals
// ("%#.3f", "%#.2f"), empty for 0 where the page says so; a field left empty saves 0; a
// number field holding anything but a number is refused with "Please enter a number." and
// nothing is saved. The run number is one value shown on two pages. The remarks are the
// non-empty comments joined by CR LF; saved, the text is split at every line break (CR LF, LF
// or a lone CR) into "Comment1" to "Comment10", and the lines past the tenth are kept in the
// tenth, joined by blanks, so nothing typed is lost.
#pragma once

#include "acquisition/logfiles/Header.h"

#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zarn {

enum class HeaderFieldKind { Text, Integer, Real, Remarks };

struct HeaderField {
    std::string_view label; // as shown; empty for the later fields of a row of five
    std::string_view key;   // the "[WellInfo]" key; "Remarks" for the comments
    HeaderFieldKind kind = HeaderFieldKind::Text;
    int decimals = 0;
    bool emptyWhenZero = false;
    std::string_view group = {}; // the frame around it ("Casing Record", "BitRecord")
};

struct HeaderPage {
    std::string_view tab;
    std::span<const HeaderField> fields;
};

class HeaderDlgLogic {
public:
    static constexpr std::string_view RemarksKey = "Remarks";
    static constexpr int CommentCount = 10;
    static constexpr const char* NotPresentText = "Data file not present.";
    static constexpr const char* NumberText = "Please enter a number.";

    // The pages in tab order: "C&lient / Location", "Log &Datum", "&Logging Run",
    // "Drill &Bit Size / Casing", "&Remarks".
    static std::span<const HeaderPage> pages();

    // Edits the record of header.
    explicit HeaderDlgLogic(CHeader& header);

    // The record into the fields (every page refilled).
    void fill();
    // A field's text by its key; empty for a key of no page.
    std::string text(std::string_view key) const;
    // A field typed into.
    void setText(std::string_view key, std::string text);

    // "&Save": the fields into the record. Nothing when saved; else the refused field's key and
    // the message (the record unchanged).
    struct Refusal {
        std::string key;
        std::string message;
    };
    [[nodiscard]] std::optional<Refusal> save();
    // "&Reset": the record reset (today's date), the fields refilled.
    void reset(const std::tm& today);
    // "&Load": a header's well information into the record, the fields refilled. Nothing when
    // loaded; else the message (the record unchanged).
    [[nodiscard]] std::optional<std::string> load(const std::filesystem::path& header);

    // One "[WellInfo]" key of a record set from a text, as a field of its kind takes it (reals
    // and integers as numbers, "Remarks" split into the comments): what zarn-cli's header
    // command sets. Any key but the log's range and mode (isLogRangeKey), in any letter case.
    // Nothing when set; else the message.
    [[nodiscard]] static std::optional<std::string> setKey(HeaderInfo& info, std::string_view key,
                                                           std::string_view text);
    // The remarks as the page shows them, and a text split into the comments.
    static std::string remarksOf(const HeaderInfo& info);
    static void setRemarks(HeaderInfo& info, std::string_view text);

private:
    CHeader& header_;
    std::map<std::string, std::string, std::less<>> texts_;
};

} // namespace zarn
