#include "acquisition/export/LasHeaderText.h"

#include "platform/Format.h"

#include <array>

namespace zarn {

namespace {

constexpr const char* Rule =
    "#------------------------------------------------------------------------------\n";

// A curve of the export: its unit in feet where it differs from the one in metres.
struct ExportCurve {
    LasCurve metres;
    std::string_view feetUnit; // empty: as in metres
};

constexpr ExportCurve Depth{{"DEPTH", "M", "Depth        ", "  DEPTH"}, "ft"};
constexpr ExportCurve ImageInclination{
    {"IMGINCL", "DEGREE", "Inclination referred to image", "   IMGINCL"}, {}};
constexpr ExportCurve ImageAzimuth{{"IMGAZ", "DEGREE", "Azimuth referred to image", "     IMGAZ"},
                                   {}};
constexpr ExportCurve Speed{{"SPEED", "M/Min", "Logging speed", "     SPEED"}, "ft/Min"};
constexpr ExportCurve Gamma{{"GAMMA", "CPS", "Natural gamma", "     GAMMA"}, {}};
constexpr ExportCurve Inclination{{"INCL", "DEGREE", "Inclination", "      INCL"}, {}};
constexpr ExportCurve Azimuth{{"AZ", "DEGREE", "Azimuth", "        AZ"}, {}};
constexpr ExportCurve HgDelta{{"HGDELTA", "DEGREE", "HG Delta", "   HGDELTA"}, {}};
constexpr ExportCurve Roll{{"ROLL", "DEGREE", "Roll", "      ROLL"}, {}};
constexpr ExportCurve MagneticRoll{{"MROLL", "DEGREE", "Magnetic roll", "     MROLL"}, {}};
constexpr ExportCurve TotalGravity{{"TGRAV", "G", "Total gravity", "     TGRAV"}, {}};
// Its title is one character narrower than the others, as the program has always written it.
constexpr ExportCurve TotalMagnetic{{"TMAG", "nT", "Total Heading", "     TMAG"}, {}};
constexpr std::array<ExportCurve, 6> Raw{{
    {{"GX", "RAW", "Accelerometer x axis", "        GX"}, {}},
    {{"GY", "RAW", "Accelerometer y axis", "        GY"}, {}},
    {{"GZ", "RAW", "Accelerometer z axis", "        GZ"}, {}},
    {{"HX", "RAW", "Magnetometer x axis", "        HX"}, {}},
    {{"HY", "RAW", "Magnetometer y axis", "        HY"}, {}},
    {{"HZ", "RAW", "Magnetometer z axis", "        HZ"}, {}},
}};

// The curves of a choice of columns, DEPTH first, in file order, in the depth unit.
std::vector<LasCurve> exportCurves(const LasColumns& c, bool feet) {
    std::vector<LasCurve> curves;
    const auto add = [&](const ExportCurve& curve) {
        LasCurve written = curve.metres;
        if (feet && !curve.feetUnit.empty())
            written.unit = curve.feetUnit;
        curves.push_back(written);
    };
    add(Depth);
    if (feet) // the depth column is wider in feet
        curves.back().title = "      DEPTH";
    if (c.inclinationGroup) {
        add(ImageInclination);
        add(ImageAzimuth);
    }
    if (c.speed)
        add(Speed);
    if (c.gamma)
        add(Gamma);
    if (c.inclination)
        add(Inclination);
    if (c.azimuth)
        add(Azimuth);
    if (c.tDelta)
        add(HgDelta);
    if (c.roll)
        add(Roll);
    if (c.magneticRoll)
        add(MagneticRoll);
    if (c.totalGravity)
        add(TotalGravity);
    if (c.totalMagnetic)
        add(TotalMagnetic);
    if (c.raw)
        for (const ExportCurve& curve : Raw)
            add(curve);
    return curves;
}

// A line of "~WELL INFORMATION" for the index: the value field ends in column 23.
std::string indexLine(const char* mnemonic, const LasIndexFormat& f, int decimals, double value,
                      const char* description) {
    std::string label = format(" %s.%s", mnemonic, f.unit);
    label.append(label.size() + static_cast<std::size_t>(f.width) < 23
                     ? 23 - label.size() - static_cast<std::size_t>(f.width)
                     : 1,
                 ' ');
    return label + format("%#*.*f                            :   %s\n", f.width, decimals, value,
                          description);
}

} // namespace

std::string lasWellValueField(const std::string& value) {
    std::string field(trim(value));
    if (field.empty())
        field = "N/A";
    const std::size_t n = field.size();
    field.append(n < 40 ? 40 - n : n == 40 ? 1 : n - 40, ' ');
    return field;
}

std::string lasCurveLine(const LasCurve& curve) {
    return format(" %-10.*s.%-34.*s:  %.*s\n", static_cast<int>(curve.mnemonic.size()),
                  curve.mnemonic.data(), static_cast<int>(curve.unit.size()), curve.unit.data(),
                  static_cast<int>(curve.description.size()), curve.description.data());
}

std::string lasParameterLine(std::string_view mnemonic, double value,
                             std::string_view description) {
    std::string line = " " + std::string(mnemonic) + ".";
    line.append(line.size() < 12 ? 12 - line.size() : 0, ' ');
    return line + format("%#14.2f         : %.*s\n", value, static_cast<int>(description.size()),
                         description.data());
}

std::string lasHeaderText(const LasFileHeader& h) {
    const HeaderInfo& info = *h.info;
    std::string text;
    text.reserve(4096);
    text += h.firstLine;
    text += "~VERSION INFORMATION\n";
    text += Rule;
    text += " VERS. 2.0 : CWLS LOG ASCII STANDARD - VERSION 2.0\n";
    text += " WRAP. NO  : ONE LINE PER DEPTH STEP\n";
    text += "~WELL INFORMATION\n";
    text += "#MNEM.UNIT         DATA                                DESCRIPTION \n";
    text += Rule;
    text += indexLine("STRT", h.index, h.index.decimals, h.start, "START DEPTH");
    text += indexLine("STOP", h.index, h.index.decimals, h.stop, "STOP DEPTH");
    text += indexLine("STEP", h.index, h.index.stepDecimals, h.step, "STEP VALUE");
    text += " NULL.        -9999.250                            :   NULL VALUE\n";
    const auto well = [&](const char* mnemonic, const std::string& value, const char* description) {
        text += mnemonic;
        text += lasWellValueField(value);
        text += " :   ";
        text += description;
        text += "\n";
    };
    well(" COMP.    ", info.Company, "COMPANY NAME");
    well(" WELL.    ", info.Wellname, "WELL NAME");
    well(" FLD.     ", info.Fieldname, "FIELD NAME");
    well(" LOC.     ", info.Location, "LOCATION");
    well(" CTRY.    ", info.Country, "COUNTRY");
    well(" CNTY.    ", "", "COUNTY");
    well(" STAT.    ", "", "STATE");
    well(" SRVC.    ", info.ServiceCompany, "SERVICE COMPANY NAME");
    well(" DATE.    ", info.Date, "DATE");
    well(" UWI.     ", info.UWI, "UNIQUE WELL IDENTIFIER");
    well(" API.     ", info.UWI, "API REFERENCE NUMBER");
    text += "~PARAMETER INFORMATION\n";
    text += "#MNEM.UNIT         VALUE                 DESCRIPTION OF MNEMONIC\n";
    text += Rule;
    for (const std::string& line : h.parameters)
        text += line;
    text += "~OTHER INFORMATION SECTION\n";
    text += Rule;
    for (const std::string& line : h.notes)
        text += line;
    text += Rule;
    text += "~CURVE INFORMATION\n";
    text += "#MNEM.UNIT         API CODE              CURVE DESCRIPTION\n";
    text += Rule;
    for (const LasCurve& curve : h.curves)
        text += lasCurveLine(curve);
    text += Rule;
    text += "~A";
    for (const LasCurve& curve : h.curves)
        text += curve.title;
    return text;
}

std::vector<LasCurveName> lasCurvesOf(const LasColumns& columns, bool feet) {
    std::vector<LasCurveName> names;
    for (const LasCurve& curve : exportCurves(columns, feet))
        names.push_back(LasCurveName{std::string(curve.mnemonic), std::string(curve.unit)});
    return names;
}

std::string lasExportHeaderText(const LasHeaderValues& v) {
    LasFileHeader h;
    h.firstLine = "#ZARN Logger file export\n";
    h.info = v.info;
    // In feet the depths of the lines carry the decimals of the depth column.
    h.index = v.feet ? LasIndexFormat{"ft", 13, 6, 6}
                     : LasIndexFormat{"M", 8, 2, v.logMode == 10 ? 3 : 2};
    h.start = v.start;
    h.stop = v.stop;
    h.step = v.step;
    h.parameters.push_back(lasParameterLine("MAGN-DEC", v.info->MagneticDeclination,
                                            "Magnetic declination in degree."));
    if (v.columns.gamma)
        h.parameters.push_back(
            lasParameterLine("GAMMA-COEF", v.info->GammaCoef, "Coefficient gamma applied."));
    switch (v.logMode) {
    case 10:
        h.notes.push_back("     Notes: The log is recorded in Time Mode.\n");
        break;
    case 11:
        h.notes.push_back("     Notes: The log is recorded in Up Mode.\n");
        break;
    default:
        h.notes.push_back("     Notes: The log is recorded in Down Mode.\n");
        break;
    }
    h.curves = exportCurves(v.columns, v.feet);
    return lasHeaderText(h);
}

} // namespace zarn
