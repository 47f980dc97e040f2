#include "acquisition/export/HtmlPage.h"

#include "platform/Format.h"
#include "platform/MarkupText.h"
#include "platform/PendingFile.h"

#include <algorithm>
#include <cmath>

namespace zarn {

namespace fs = std::filesystem;

namespace {

constexpr double FeetPerMetre = 3.28083;

} // namespace

fs::path HtmlPage::pathFor(const fs::path& outputFolder, std::string_view firstDataFileName) {
    fs::path name = fs::path(firstDataFileName).filename();
    name.replace_extension(".html");
    return outputFolder / name;
}

std::string HtmlPage::titleFor(const fs::path& outputFolder, std::string_view firstDataFileName) {
    const fs::path name = fs::path(firstDataFileName).filename();
    fs::path log = outputFolder / name;
    log.replace_extension(".lox");
    std::error_code ec;
    if (fs::exists(log, ec))
        return name.stem().string();
    return (outputFolder / name.stem()).string() + ".";
}

std::string HtmlPage::percentEncoded(std::string_view name) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' ||
                           c == '~';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += Hex[byte >> 4];
            out += Hex[byte & 0x0F];
        }
    }
    return out;
}

double HtmlPage::scaleOf(const std::vector<GeneratedPicture>& pictures) {
    const std::size_t n = std::min<std::size_t>(pictures.size(), MaxPictures);
    int width = 0;
    int highest = 0;
    for (std::size_t i = 0; i < n; ++i) {
        width = pictures[i].width;
        highest = std::max(highest, pictures[i].height);
    }
    double f = 1;
    if (width > WidthLimit) {
        f = width / WidthLimit;
        highest = static_cast<int>(highest / f);
    }
    if (highest > HeightLimit)
        f = f * highest / HeightLimit;
    return f;
}

std::string HtmlPage::text(const std::vector<GeneratedPicture>& pictures, std::string_view title,
                           double from, double to, bool feet) {
    std::vector<GeneratedPicture> shown(
        pictures.begin(),
        pictures.begin() + static_cast<long>(std::min<std::size_t>(pictures.size(), MaxPictures)));
    // Shallow end first, whichever way the log was recorded.
    std::stable_sort(shown.begin(), shown.end(),
                     [](const GeneratedPicture& a, const GeneratedPicture& b) {
                         return std::min(a.start, a.end) < std::min(b.start, b.end);
                     });
    const double f = scaleOf(pictures);

    std::string page;
    page += "<html><head><title>ZARN file viewer</title>\n";
    page += "<meta http-equiv='Content-Type' content='text/html; charset=utf-8'>\n";
    page += "</head>";
    page += "<body bgcolor='#FFFFFF' text='#000000'>";
    page += "<table border='0' cellspacing='10' cellpadding='0' width='679' align='center'>";
    page += "<tr><td align='center'><p><h1>" + markupEscaped(title) + "</h1><p>";
    page += feet ? format("From: %.2f ft  To: %.2f ft", from * FeetPerMetre, to * FeetPerMetre)
                 : format("From: %.2f m  To: %.2f m", from, to);
    page += "</p></td></tr>";
    page += "<tr>\n<td colspan='3' align='center'>\n";
    for (const GeneratedPicture& picture : shown) {
        const int height = static_cast<int>(picture.height / f);
        if (height <= 0)
            continue;
        const int width = static_cast<int>(picture.width / f);
        page += format("<img height='%d' width='%d' src='", height, width);
        page += percentEncoded(picture.path.filename().string());
        page += "' border='0'  nosave><br>\n";
    }
    page += "</td>\n</tr>\n</table>\n</body>\n</html>";
    return page;
}

bool HtmlPage::write(const fs::path& page, const PictureExportResult& result,
                     std::string_view title, double from, double to, bool feet,
                     std::string* problem) {
    const auto fail = [&](std::string why) {
        if (problem)
            *problem = std::move(why);
        return false;
    };
    if (result.outcome != ExportOutcome::Done)
        return fail("the export did not end well: no page");
    if (result.pictures.empty())
        return fail("no picture was made: no page");
    PendingFile pending(page);
    pending.stream() << text(result.pictures, title, from, to, feet);
    std::string error;
    if (!pending.commit(&error))
        return fail(page.string() + ": " + error);
    return true;
}

} // namespace zarn
