// Header reading with arbitrary bytes. A file with a [General] section is always read, any other
// is refused, never a crash; the corruption mark and the direction agree with the keys the file
// holds; the well information read back writes a fresh header that reads back to the same values;
// and the repair of the end depth, applied to whatever the file holds, reads back as written.
#include "acquisition/logfiles/Header.h"
#include "platform/FileIo.h"
#include "platform/ProfileDocument.h"

#include "tests/fuzz/FuzzSupport.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <type_traits>
#include <unistd.h>

namespace {

using zarn::fuzz::check;

const std::filesystem::path& folder() {
    static const zarn::fuzz::ScratchFolder made("header");
    return made.path();
}

// A text that a key line gives back unchanged: no surrounding blanks, no surrounding quotes.
bool survivesALine(const std::string& text) {
    if (zarn::trim(text) != text)
        return false;
    return !(text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
             text.back() == text.front());
}

bool sameReal(double a, double b) {
    if (!std::isfinite(a) || std::fabs(a) > 1e15)
        return true; // not compared: printed with six decimals, such values do not come back
    return std::fabs(a - b) <= 1e-6 + 1e-12 * std::fabs(a);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int fileIndex = size > 0 ? data[0] % 4 : 1;
    const auto path = folder() / "fuzz.hed";
    check(zarn::writeFileAtomically(path, text));

    zarn::CHeader header;
    const auto doc = zarn::ProfileDocument::parse(text);
    // A file without the [General] section is not a header: its read fails, nothing else.
    if (!doc.hasSection("General")) {
        check(header.ReadHeader(path, fileIndex));
        check(header.Info().ReadFailed);
        return 0;
    }
    check(!header.ReadHeader(path, fileIndex));
    const zarn::HeaderInfo& h = header.Info();
    check(!h.ReadFailed);
    const auto end = doc.get("WellInfo", "EndDepth");
    check(h.EndDepthCorrupt == (!end || zarn::equalsNoCase(*end, "CORRUPT")));
    check(h.Descending == (h.Startdepth < h.EndDepth));

    // The well information as read writes a header that reads back the same.
    const auto again = folder() / "again.hed";
    check(zarn::writeFileAtomically(
        again, zarn::CHeader::NewHeaderText(h, zarn::Configuration{}, zarn::SondeTable{})));
    zarn::CHeader second;
    check(!second.ReadHeader(again));
    zarn::HeaderInfo copy = h;
    zarn::forEachWellInfoKey(copy, [&](const std::string& key, auto& first, const auto&) {
        zarn::forEachWellInfoKey(second.Info(), [&](const std::string& k, auto& back, const auto&) {
            using First = std::decay_t<decltype(first)>;
            if constexpr (std::is_same_v<First, std::decay_t<decltype(back)>>) {
                if (k != key)
                    return;
                if constexpr (std::is_same_v<First, int>)
                    check(first == back);
                else if constexpr (std::is_same_v<First, double>)
                    check(sameReal(first, back));
                else if (survivesALine(first))
                    check(first == back);
            }
        });
    });

    // The repair's keys land where the reader finds them, whatever else the file holds.
    check(header.WriteRepairedEnd(path, zarn::FileProgress{fileIndex, 2.5, 7000, 12},
                                  zarn::HeaderMode::Metric));
    check(!header.ReadHeader(path, fileIndex));
    check(header.Info().EndDepth == 2500);
    check(!header.Info().EndDepthCorrupt);
    check(header.Info().FileEndDepth == 2500);
    check(header.Info().EndTime == 7000);
    check(header.Info().FileSampleCount == 12);
    return 0;
}
