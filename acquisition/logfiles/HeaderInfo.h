// The header record: the in-memory copy of a log's header file (.hed). One field per key of the
// "[General]" and "[WellInfo]" sections, the flags computed when a header is read, and the
// section of the data file that is current. Owned by the header object; the header editor, the
// player and the exports read and edit it on the thread that owns the windows.
//
// The default values are those of a reset record (the "Date" aside, which the reset sets to
// today); the defaults used for keys missing from a file are given by forEachWellInfoKey and by
// the reader.
#pragma once

#include "platform/Format.h"

#include <array>
#include <ctime>
#include <string>
#include <string_view>
#include <type_traits>

namespace zarn {

struct HeaderInfo {
    // [General]
    std::string Version = "2000";
    std::string Copyright = "-";
    int SerialNumber = 0;
    int DataFiles = 1;
    double MagneticDeclination = 0.0;
    double SondeLenght = 0.0;
    double ImageOffset = 0.0;
    double CameraOffset = 0.0;
    double DeviationOffset = 0.0;
    bool GammaOnBoard = false;
    double GammaOffset = 0.0;
    double GammaCoef = 0.0;
    int OrientationMode = 0;
    bool ImperialSetting = false; // depths also kept in feet ("[DephtImperialInfo]")

    // [WellInfo], integers. Depths in millimetres, times in milliseconds of logging time.
    int DepthUnit = 0;
    int Startdepth = 0;
    int EndDepth = 0;
    int StartTime = 0;
    int EndTime = 0;
    int Step = 10;    // "step": kept and written back unchanged
    int LogMode = 10; // 12 logged going down, 11 going up
    int Zero = 0;     // kept and written back unchanged
    std::array<int, 3> RunNo{};

    // [WellInfo], reals.
    double DrillFloor = 0.0;
    double GroundLevel = 0.0;
    double KellyBushing = 0.0;
    std::array<double, 3> MaxTemperature{};
    std::array<double, 3> Deepest{};
    std::array<double, 3> DepthDriller{};
    std::array<double, 3> DepthLogger{};
    std::array<double, 3> Shallow{};
    std::array<double, 3> BitRec{};
    std::array<double, 3> BitRecFrom{};
    std::array<double, 3> BitRecTo{};
    std::array<double, 3> CasRecFrom{};
    std::array<double, 3> CasRecSize{};
    std::array<double, 3> CasRecTo{};
    std::array<double, 3> CasRecWeight{};

    // [WellInfo], texts (one blank when empty).
    std::string Company = " ";
    std::string Country = " ";
    std::string Fieldname = " ";
    std::string Latitude = " ";
    std::string Longitude = " ";
    std::string Location = " ";
    std::string Project = " ";
    std::string ServiceCompany = " ";
    std::string UWI = " ";
    std::string Wellname = " ";
    std::string LogName = " ";
    std::array<std::string, 5> OtherServices{" ", " ", " ", " ", " "};
    std::string SondeAbbreviation = "ZARN";
    std::array<std::string, 3> DateRun{" ", " ", " "};
    std::string Date = " ";
    std::string DrillDatum = " ";
    std::string LogDatum = " ";
    std::string PermanentDatum = " ";
    std::string Elevation = " ";
    std::array<std::string, 3> Fluid{" ", " ", " "};
    std::array<std::string, 3> FluidDensity{" ", " ", " "};
    std::array<std::string, 3> FluidLevel{" ", " ", " "};
    std::array<std::string, 3> LogType{" ", " ", " "};
    std::array<std::string, 3> RigTime{" ", " ", " "};
    std::array<std::string, 3> Salinity{" ", " ", " "};
    std::array<std::string, 3> Engineer{" ", " ", " "};
    std::array<std::string, 3> Witness{" ", " ", " "};
    std::array<std::string, 10> Comment{" ", " ", " ", " ", " ", " ", " ", " ", " ", " "};

    // Flags computed when a header is read.
    bool EndDepthCorrupt = false; // "EndDepth" of [WellInfo] was "CORRUPT" (any case) or missing
    bool Descending = true;       // "Startdepth" < "EndDepth"
    bool ReadFailed = false;      // the last read stopped on an error

    // The section "[File%d]" of the data file that was current when the header was read.
    std::string FileName = " ";
    int FileStartDepth = 0; // mm
    int FileEndDepth = 0;   // mm
    int FileStartTime = 0;  // ms
    int FileEndTime = 0;    // ms
    int FileSampleCount = 0;

    bool operator==(const HeaderInfo&) const = default;
};

// Calls visit(key, field, readDefault) for every "[WellInfo]" key, in the order in which a fresh
// header writes them. field is an int, double or std::string member of the record (const when
// the record is const); readDefault is the value a reader gives the key when it is missing.
// The reader, the writer, the header editor and the exports walk the section through this one
// list, so that a key is never written under one name and read under another.
template <class Info, class Visit> void forEachWellInfoKey(Info& info, Visit&& visit) {
    const std::string blank = " ";
    const auto series = [&](const char* name, auto& fields, const auto& readDefault) {
        for (size_t i = 0; i < fields.size(); ++i)
            visit(format("%s%zu", name, i + 1), fields[i], readDefault);
    };
    visit(std::string("DepthUnit"), info.DepthUnit, 0);
    visit(std::string("Startdepth"), info.Startdepth, 0);
    visit(std::string("EndDepth"), info.EndDepth, 0);
    visit(std::string("StartTime"), info.StartTime, 0);
    visit(std::string("EndTime"), info.EndTime, 0);
    visit(std::string("step"), info.Step, 10);
    visit(std::string("LogMode"), info.LogMode, 10);
    visit(std::string("Zero"), info.Zero, 0);
    visit(std::string("Company"), info.Company, blank);
    visit(std::string("Country"), info.Country, blank);
    visit(std::string("Fieldname"), info.Fieldname, blank);
    visit(std::string("Latitude"), info.Latitude, blank);
    visit(std::string("Longitude"), info.Longitude, blank);
    visit(std::string("Location"), info.Location, blank);
    visit(std::string("Project"), info.Project, blank);
    visit(std::string("ServiceCompany"), info.ServiceCompany, blank);
    visit(std::string("UWI"), info.UWI, blank);
    visit(std::string("Wellname"), info.Wellname, blank);
    visit(std::string("LogName"), info.LogName, blank);
    series("OtherServices", info.OtherServices, blank);
    visit(std::string("SondeAbbreviation"), info.SondeAbbreviation, std::string("ZARN"));
    series("DateRun", info.DateRun, blank);
    visit(std::string("Date"), info.Date, blank);
    visit(std::string("DrillDatum"), info.DrillDatum, blank);
    visit(std::string("LogDatum"), info.LogDatum, blank);
    visit(std::string("PermanentDatum"), info.PermanentDatum, blank);
    visit(std::string("DrillFloor"), info.DrillFloor, 0.0);
    visit(std::string("Elevation"), info.Elevation, blank);
    visit(std::string("GroundLevel"), info.GroundLevel, 0.0);
    visit(std::string("KellyBushing"), info.KellyBushing, 0.0);
    series("RunNo", info.RunNo, 0);
    series("Fluid", info.Fluid, blank);
    series("FluidDensity", info.FluidDensity, blank);
    series("FluidLevel", info.FluidLevel, blank);
    series("LogType", info.LogType, blank);
    series("MaxTemperature", info.MaxTemperature, 0.0);
    series("RigTime", info.RigTime, blank);
    series("Salinity", info.Salinity, blank);
    series("Deepest", info.Deepest, 0.0);
    series("DepthDriller", info.DepthDriller, 0.0);
    series("DepthLogger", info.DepthLogger, 0.0);
    series("Engineer", info.Engineer, blank);
    series("Shallow", info.Shallow, 0.0);
    series("Witness", info.Witness, blank);
    series("BitRec", info.BitRec, 0.0);
    series("BitRecFrom", info.BitRecFrom, 0.0);
    // Read and edited like every other key, so written too: a header must keep what the
    // operator typed.
    series("BitRecTo", info.BitRecTo, 0.0);
    series("CasRecFrom", info.CasRecFrom, 0.0);
    series("CasRecSize", info.CasRecSize, 0.0);
    series("CasRecTo", info.CasRecTo, 0.0);
    series("CasRecWeight", info.CasRecWeight, 0.0);
    series("Comment", info.Comment, blank);
}

// Whether a "[WellInfo]" key holds the log's range and mode, which the recording writes
// ("DepthUnit", "Startdepth", "EndDepth", "StartTime", "EndTime", "step", "LogMode", "Zero"),
// rather than the well information the operator types (every other key). Any letter case.
bool isLogRangeKey(std::string_view key);

// "%d %B %Y" with an English month name: "08 December 2025".
std::string headerDate(const std::tm& localTime);

// Calls visit(key, text) for every "[WellInfo]" key with its value as a header file writes it:
// integers "%d", reals "%#.6f", texts as they are. The header writer and the exports that copy
// a log's well information write through it.
template <class Visit> void forEachWellInfoText(const HeaderInfo& info, Visit&& visit) {
    forEachWellInfoKey(info, [&](const std::string& key, const auto& field, const auto&) {
        using Field = std::decay_t<decltype(field)>;
        if constexpr (std::is_same_v<Field, int>)
            visit(key, format("%d", field));
        else if constexpr (std::is_same_v<Field, double>)
            visit(key, format("%#.6f", field));
        else
            visit(key, field);
    });
}

} // namespace zarn
