#include "acquisition/cli/RecordJson.h"

#include <cmath>
#include <ostream>
#include <string>

namespace zarn::cli {
namespace {

Json number(double value) {
    return std::isfinite(value) ? Json(value) : Json(nullptr);
}

} // namespace

Json recordJson(const MeasurementRecord& r) {
    Json j;
    j["LoggerDepth"] = number(r.LoggerDepth);
    j["ImageDepth"] = number(r.ImageDepth);
    j["Speed"] = number(r.Speed);
    j["Direction"] = r.Direction;
    j["ElapsedTime"] = number(r.ElapsedTime);
    j["ElapsedTimeText"] = r.ElapsedTimeText.str();
    j["ValueA"] = r.ValueA;
    j["ValueB"] = r.ValueB;
    j["CameraTemperature"] = number(r.CameraTemperature);
    j["SecondTemperature"] = number(r.SecondTemperature);
    j["GammaCount"] = r.GammaCount;
    j["Gamma"] = number(r.Gamma);
    j["UpholeDriveText"] = r.UpholeDriveText.str();
    j["BaudText"] = r.BaudText.str();

    const OrientationValues& o = r.Orientation;
    j["GX"] = number(o.GX);
    j["GY"] = number(o.GY);
    j["GZ"] = number(o.GZ);
    j["HX"] = number(o.HX);
    j["HY"] = number(o.HY);
    j["HZ"] = number(o.HZ);
    j["Roll"] = number(o.Roll);
    j["MagneticRoll"] = number(o.MagneticRoll);
    j["Inclination"] = number(o.Inclination);
    j["Azimuth"] = number(o.Azimuth);
    j["TotalGravity"] = number(o.TotalGravity);
    j["TotalMagnetic"] = number(o.TotalMagnetic);
    j["FieldAngle"] = number(o.FieldAngle);
    j["OrientedAngle"] = number(o.OrientedAngle);
    j["Validity"] = o.Validity;

    j["CommStatus"] = r.CommStatus;
    const LoggerStatusBytes& l = r.LoggerStatus;
    j["LoggerStatus"] =
        Json{{"Byte0", l.Byte0},         {"Byte1", l.Byte1},         {"Byte2", l.Byte2},
             {"Word3", l.Word3},         {"Flags", l.Flags},         {"CommStatus", l.CommStatus},
             {"EchoWord2", l.EchoWord2}, {"EchoWord4", l.EchoWord4}, {"EchoByte6", l.EchoByte6}};
    const SondeStatusBytes& s = r.SondeStatus;
    j["SondeStatus"] = Json{{"LightPower", s.LightPower},
                            {"Shutter", s.Shutter},
                            {"FramePeriod", s.FramePeriod},
                            {"BaudDivisor", s.BaudDivisor},
                            {"Byte19", s.Byte19},
                            {"BufferFill", s.BufferFill},
                            {"Byte21", s.Byte21}};
    j["SondeDataFlag"] = r.SondeDataFlag;

    j["ResolutionCode"] = r.ResolutionCode;
    j["PixelsPerRow"] = r.PixelsPerRow;
    j["CompressionMode"] = r.CompressionMode;
    j["CompressionParameter"] = r.CompressionParameter;
    j["PayloadLength"] = r.PayloadLength;
    j["ViewMode"] = r.ViewMode;
    j["ShutterFactor"] = number(r.ShutterFactor);
    j["ReadBack"] = Json::array();
    for (const std::uint8_t b : r.ReadBack)
        j["ReadBack"].push_back(b);
    j["PacketIndex"] = r.PacketIndex;
    j["PictureNumber"] = r.PictureNumber;
    return j;
}

Json headerJson(const ProfileDocument& document, const HeaderInfo& info) {
    // Sections and keys come once each, so they are appended without the lookup of operator[],
    // which would make a header of many keys cost their square.
    Json sections = Json::object();
    auto& sectionList = sections.get_ref<Json::object_t&>();
    for (const ProfileDocument::Section& section : document.sections()) {
        Json keys = Json::object();
        auto& keyList = keys.get_ref<Json::object_t&>();
        for (const auto& [key, value] : section.entries)
            keyList.emplace_back(key, value);
        sectionList.emplace_back(section.name, std::move(keys));
    }

    Json parsed;
    parsed["Version"] = info.Version;
    parsed["SerialNumber"] = info.SerialNumber;
    parsed["DataFiles"] = info.DataFiles;
    parsed["MagneticDeclination"] = number(info.MagneticDeclination);
    parsed["SondeLenght"] = number(info.SondeLenght);
    parsed["ImageOffset"] = number(info.ImageOffset);
    parsed["CameraOffset"] = number(info.CameraOffset);
    parsed["DeviationOffset"] = number(info.DeviationOffset);
    parsed["GammaOnBoard"] = info.GammaOnBoard;
    parsed["GammaOffset"] = number(info.GammaOffset);
    parsed["GammaCoef"] = number(info.GammaCoef);
    parsed["OrientationMode"] = info.OrientationMode;
    parsed["DepthUnit"] = info.DepthUnit;
    parsed["Startdepth"] = info.Startdepth;
    parsed["EndDepth"] = info.EndDepth;
    parsed["StartTime"] = info.StartTime;
    parsed["EndTime"] = info.EndTime;
    parsed["LogMode"] = info.LogMode;
    parsed["Wellname"] = info.Wellname;
    parsed["Date"] = info.Date;
    parsed["EndDepthCorrupt"] = info.EndDepthCorrupt;
    parsed["Descending"] = info.Descending;

    Json j;
    j["Sections"] = std::move(sections);
    j["HeaderInfo"] = std::move(parsed);
    return j;
}

void appendFields(Json& object, const Json& fields) {
    for (auto it = fields.begin(); it != fields.end(); ++it)
        object[it.key()] = it.value();
}

void writeJsonLine(std::ostream& out, const Json& object) {
    out << object.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
}

} // namespace zarn::cli
