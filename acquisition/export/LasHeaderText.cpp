#include "acquisition/export/LasHeaderText.h"

#include "platform/Format.h"

#include <array>

namespace zarn {

namespace {

constexpr const char* Rule =
    "#------------------------------------------------------------------------------\n";

// A curve of the file: its line in "~CURVE INFORMATION" (metres; feet where it differs) and its
// column title in the "~A" line.
struct CurveLine {
    const char* metres;
    const char* feet; // nullptr: as in metres
    const char* title;
};

constexpr CurveLine Depth{" DEPTH     .M                                 :  Depth        \n",
                          " DEPTH     .ft                                :  Depth        \n", ""};
constexpr CurveLine ImageInclination{
    " IMGINCL   .DEGREE                            :  Inclination referred to image\n", nullptr,
    "   IMGINCL"};
constexpr CurveLine ImageAzimuth{
    " IMGAZ     .DEGREE                            :  Azimuth referred to image\n", nullptr,
    "     IMGAZ"};
constexpr CurveLine Speed{" SPEED     .M/Min                             :  Logging speed\n",
                          " SPEED     .ft/Min                            :  Logging speed\n",
                          "     SPEED"};
constexpr CurveLine Gamma{" GAMMA     .CPS                               :  Natural gamma\n",
                          nullptr, "     GAMMA"};
constexpr CurveLine Inclination{" INCL      .DEGREE                            :  Inclination\n",
                                nullptr, "      INCL"};
constexpr CurveLine Azimuth{" AZ        .DEGREE                            :  Azimuth\n", nullptr,
                            "        AZ"};
constexpr CurveLine HgDelta{" HGDELTA   .DEGREE                            :  HG Delta\n", nullptr,
                            "   HGDELTA"};
constexpr CurveLine Roll{" ROLL      .DEGREE                            :  Roll\n", nullptr,
                         "      ROLL"};
constexpr CurveLine MagneticRoll{" MROLL     .DEGREE                            :  Magnetic roll\n",
                                 nullptr, "     MROLL"};
constexpr CurveLine TotalGravity{" TGRAV     .G                                 :  Total gravity\n",
                                 nullptr, "     TGRAV"};
constexpr CurveLine TotalMagnetic{
    " TMAG      .nT                                :  Total Heading\n", nullptr, "     TMAG"};
constexpr std::array<CurveLine, 6> Raw{{
    {" GX        .RAW                               :  Accelerometer x axis\n", nullptr,
     "        GX"},
    {" GY        .RAW                               :  Accelerometer y axis\n", nullptr,
     "        GY"},
    {" GZ        .RAW                               :  Accelerometer z axis\n", nullptr,
     "        GZ"},
    {" HX        .RAW                               :  Magnetometer x axis\n", nullptr,
     "        HX"},
    {" HY        .RAW                               :  Magnetometer y axis\n", nullptr,
     "        HY"},
    {" HZ        .RAW                               :  Magnetometer z axis\n", nullptr,
     "        HZ"},
}};

// The curve lines of a choice of columns, DEPTH first, in file order.
template <class Visit> void forEachCurve(const LasColumns& c, Visit&& visit) {
    visit(Depth);
    if (c.inclinationGroup) {
        visit(ImageInclination);
        visit(ImageAzimuth);
    }
    if (c.speed)
        visit(Speed);
    if (c.gamma)
        visit(Gamma);
    if (c.inclination)
        visit(Inclination);
    if (c.azimuth)
        visit(Azimuth);
    if (c.tDelta)
        visit(HgDelta);
    if (c.roll)
        visit(Roll);
    if (c.magneticRoll)
        visit(MagneticRoll);
    if (c.totalGravity)
        visit(TotalGravity);
    if (c.totalMagnetic)
        visit(TotalMagnetic);
    if (c.raw)
        for (const CurveLine& line : Raw)
            visit(line);
}

const char* lineOf(const CurveLine& curve, bool feet) {
    return feet && curve.feet ? curve.feet : curve.metres;
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

std::vector<LasCurveName> lasCurvesOf(const LasColumns& columns, bool feet) {
    std::vector<LasCurveName> names;
    forEachCurve(columns, [&](const CurveLine& curve) {
        const std::string line = lineOf(curve, feet);
        const std::size_t dot = line.find('.');
        const std::size_t unitEnd = line.find(' ', dot);
        names.push_back(LasCurveName{std::string(trim(line.substr(0, dot))),
                                     line.substr(dot + 1, unitEnd - dot - 1)});
    });
    return names;
}

std::string lasHeaderText(const LasHeaderValues& v) {
    const HeaderInfo& info = *v.info;
    std::string text;
    text.reserve(4096);
    text += "#ZARN Logger file export\n";
    text += "~VERSION INFORMATION\n";
    text += Rule;
    text += " VERS. 2.0 : CWLS LOG ASCII STANDARD - VERSION 2.0\n";
    text += " WRAP. NO  : ONE LINE PER DEPTH STEP\n";
    text += "~WELL INFORMATION\n";
    text += "#MNEM.UNIT         DATA                                DESCRIPTION \n";
    text += Rule;
    if (v.feet) {
        // The depths of the lines in feet, with the decimals of the depth column.
        text += format(" STRT.ft  %#13.6f                            :   START DEPTH\n", v.start);
        text += format(" STOP.ft  %#13.6f                            :   STOP DEPTH\n", v.stop);
        text += format(" STEP.ft  %#13.6f                            :   STEP VALUE\n", v.step);
    } else {
        text +=
            format(" STRT.M        %#8.2f                            :   START DEPTH\n", v.start);
        text += format(" STOP.M        %#8.2f                            :   STOP DEPTH\n", v.stop);
        text += format(v.logMode == 10
                           ? " STEP.M        %#8.3f                            :   STEP VALUE\n"
                           : " STEP.M        %#8.2f                            :   STEP VALUE\n",
                       v.step);
    }
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
    text += format(" MAGN-DEC.  %#14.2f         : Magnetic declination in degree.\n",
                   info.MagneticDeclination);
    if (v.columns.gamma)
        text +=
            format(" GAMMA-COEF.%#14.2f         : Coefficient gamma applied.\n", info.GammaCoef);
    text += "~OTHER INFORMATION SECTION\n";
    text += Rule;
    switch (v.logMode) {
    case 10:
        text += "     Notes: The log is recorded in Time Mode.\n";
        break;
    case 11:
        text += "     Notes: The log is recorded in Up Mode.\n";
        break;
    default:
        text += "     Notes: The log is recorded in Down Mode.\n";
        break;
    }
    text += Rule;
    text += "~CURVE INFORMATION\n";
    text += "#MNEM.UNIT         API CODE              CURVE DESCRIPTION\n";
    text += Rule;
    forEachCurve(v.columns, [&](const CurveLine& curve) { text += lineOf(curve, v.feet); });
    text += Rule;
    // The depth title over the depth column (wider in feet).
    text += v.feet ? "~A      DEPTH" : "~A  DEPTH";
    forEachCurve(v.columns, [&](const CurveLine& curve) { text += curve.title; });
    return text;
}

} // namespace zarn
