#include "acquisition/export/HeaderDlgLogic.h"

#include "platform/Format.h"

#include <array>
#include <type_traits>
#include <vector>

namespace zarn {

namespace {

using Kind = HeaderFieldKind;

constexpr HeaderField CompagnyFields[] = {
    {"&Project Heading", "Project"}, {"Main Log &Title", "LogName"},
    {"C&ompany", "Company"},         {"&Well", "Wellname"},
    {"&Field", "Fieldname"},         {"Co&untry", "Country"},
    {"St&ate", "Location"},          {"&Latitude", "Latitude"},
    {"Lo&ngitude", "Longitude"},     {"Oth&erServices", "OtherServices1"},
    {"", "OtherServices2"},          {"", "OtherServices3"},
    {"", "OtherServices4"},          {"", "OtherServices5"},
};

constexpr HeaderField WeelDatumFields[] = {
    {"&PermanentDatum", "LogDatum"},
    {"&Elevation", "Elevation"},
    {"&Log Datum", "DateRun1"},
    {"&Drilling Datum", "DrillDatum"},
    {"&Kelly Bushing Elev", "KellyBushing", Kind::Real, 3},
    {"&Drill Floor", "DrillFloor", Kind::Real, 3},
    {"&Ground Level", "GroundLevel", Kind::Real, 3},
};

constexpr HeaderField GroundFields[] = {
    {"&Run No", "RunNo1", Kind::Integer},
    {"&Date", "Date"},
    {"&Type of log", "LogType1"},
    {"D&epth Driller", "DepthDriller1", Kind::Real, 3, true},
    {"Depth L&ogger", "DepthLogger1", Kind::Real, 3, true},
    {"Lo&g Deepest", "Deepest1", Kind::Real, 3, true},
    {"Log S&hallow", "Shallow1", Kind::Real, 3, true},
    {"Fluid &in Hole", "Fluid1"},
    {"Log E&ngeneer", "Engineer1"},
    {"&Salinity", "Salinity1"},
    {"Densit&y", "FluidDensity1"},
    {"&Level", "FluidLevel1"},
    {"Ma&x. Temp.", "MaxTemperature1", Kind::Real, 2},
    {"Rig. Ti&me.", "RigTime1"},
    {"&Witnessed by.", "Witness1"},
};

constexpr HeaderField RecordFields[] = {
    {"&Run No", "RunNo1", Kind::Integer},
    {"&Size", "CasRecSize1", Kind::Real, 3, true, "Casing Record"},
    {"&Weight", "CasRecWeight1", Kind::Real, 3, true, "Casing Record"},
    {"&From", "CasRecFrom1", Kind::Real, 3, true, "Casing Record"},
    {"&To", "CasRecTo1", Kind::Real, 3, true, "Casing Record"},
    {"&Bit", "BitRec1", Kind::Real, 3, true, "BitRecord"},
    {"Fro&m", "BitRecFrom1", Kind::Real, 3, true, "BitRecord"},
    {"T&o", "BitRecTo1", Kind::Real, 3, true, "BitRecord"},
};

constexpr HeaderField CommentFields[] = {
    {"&Remaks", HeaderDlgLogic::RemarksKey, Kind::Remarks},
};

constexpr std::array<HeaderPage, 5> Pages = {{
    {"C&lient / Location", CompagnyFields},
    {"Log &Datum", WeelDatumFields},
    {"&Logging Run", GroundFields},
    {"Drill &Bit Size / Casing", RecordFields},
    {"&Remarks", CommentFields},
}};

bool blank(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

// A number field's text: empty is 0; only the characters of a number, and one number.
std::optional<int> integerOf(std::string_view text) {
    const std::string_view t = trim(text);
    if (t.empty())
        return 0;
    if (!isIntegerEntry(t) || !parseWholeDouble(t))
        return std::nullopt;
    return parseInt(t);
}

std::optional<double> realOf(std::string_view text) {
    std::string t(trim(text));
    if (t.empty())
        return 0.0;
    if (!isDecimalEntry(t))
        return std::nullopt;
    // A decimal comma is a decimal point.
    for (char& c : t)
        if (c == ',')
            c = '.';
    return parseWholeDouble(t);
}

// The field's text as its page shows it.
std::string shownText(const HeaderInfo& info, const HeaderField& field) {
    if (field.kind == Kind::Remarks)
        return HeaderDlgLogic::remarksOf(info);
    std::string text;
    forEachWellInfoKey(info, [&](const std::string& key, const auto& value, const auto&) {
        if (key != field.key)
            return;
        using Field = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<Field, int>)
            text = format("%d", value);
        else if constexpr (std::is_same_v<Field, double>)
            text = field.emptyWhenZero && value == 0 ? std::string()
                                                     : format("%#.*f", field.decimals, value);
        else
            text = blank(value) ? std::string() : value;
    });
    return text;
}

} // namespace

std::span<const HeaderPage> HeaderDlgLogic::pages() {
    return Pages;
}

HeaderDlgLogic::HeaderDlgLogic(CHeader& header) : header_(header) {
    fill();
}

void HeaderDlgLogic::fill() {
    texts_.clear();
    for (const HeaderPage& page : Pages)
        for (const HeaderField& field : page.fields)
            texts_[std::string(field.key)] = shownText(header_.Info(), field);
}

std::string HeaderDlgLogic::text(std::string_view key) const {
    const auto found = texts_.find(key);
    return found == texts_.end() ? std::string() : found->second;
}

void HeaderDlgLogic::setText(std::string_view key, std::string text) {
    const auto found = texts_.find(key);
    if (found != texts_.end())
        found->second = std::move(text);
}

std::optional<HeaderDlgLogic::Refusal> HeaderDlgLogic::save() {
    HeaderInfo info = header_.Info();
    // In the pages' order of saving: Client / Location, Remarks, Logging Run, Log Datum,
    // Drill Bit / Casing (the run number is one text, whichever page it was typed on).
    for (const std::size_t page : {0, 4, 2, 1, 3})
        for (const HeaderField& field : Pages[page].fields)
            if (std::optional<std::string> refused = setKey(info, field.key, text(field.key)))
                return Refusal{std::string(field.key), *refused};
    header_.Info() = std::move(info);
    fill();
    return std::nullopt;
}

void HeaderDlgLogic::reset(const std::tm& today) {
    header_.ResetHeaderInfo(today);
    fill();
}

std::optional<std::string> HeaderDlgLogic::load(const std::filesystem::path& header) {
    if (!equalsNoCase(header.extension().string(), ".hed") || !header_.ReadWellInfo(header))
        return std::string(NotPresentText);
    fill();
    return std::nullopt;
}

std::optional<std::string> HeaderDlgLogic::setKey(HeaderInfo& info, std::string_view key,
                                                  std::string_view text) {
    if (equalsNoCase(key, RemarksKey)) {
        setRemarks(info, text);
        return std::nullopt;
    }
    if (isLogRangeKey(key))
        return std::string(key) + " is the log's range, which the recording writes";
    bool found = false;
    std::optional<std::string> refused;
    forEachWellInfoKey(info, [&](const std::string& name, auto& field, const auto&) {
        if (found || !equalsNoCase(name, key))
            return;
        found = true;
        using Field = std::decay_t<decltype(field)>;
        if constexpr (std::is_same_v<Field, int>) {
            if (const std::optional<int> value = integerOf(text))
                field = *value;
            else
                refused = NumberText;
        } else if constexpr (std::is_same_v<Field, double>) {
            if (const std::optional<double> value = realOf(text))
                field = *value;
            else
                refused = NumberText;
        } else {
            field = text.empty() ? std::string(" ") : std::string(text);
        }
    });
    if (!found)
        return "no such [WellInfo] key: " + std::string(key);
    return refused;
}

std::string HeaderDlgLogic::remarksOf(const HeaderInfo& info) {
    std::string text;
    for (const std::string& comment : info.Comment) {
        if (blank(comment))
            continue;
        if (!text.empty())
            text += "\r\n";
        text += comment;
    }
    return text;
}

void HeaderDlgLogic::setRemarks(HeaderInfo& info, std::string_view text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    // The lines past the last comment go into it.
    while (lines.size() > static_cast<std::size_t>(CommentCount)) {
        std::string last = std::move(lines.back());
        lines.pop_back();
        if (blank(last))
            continue;
        std::string& into = lines.back();
        into = blank(into) ? std::move(last) : into + " " + last;
    }
    for (std::size_t i = 0; i < info.Comment.size(); ++i)
        info.Comment[i] = i < lines.size() && !lines[i].empty() ? lines[i] : std::string(" ");
}

} // namespace zarn
