#include "sim/SimulatorSettings.h"

#include "platform/FileIo.h"
#include "platform/Format.h"
#include "platform/ProfileDocument.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <type_traits>

namespace zarn::sim {
namespace {

// A number in the text, with a decimal point ("0x" introduces a hexadecimal integer); nothing
// when the text is not a number as a whole.
[[nodiscard]] std::optional<double> number(std::string_view text) {
    text = trim(text);
    if (text.empty())
        return std::nullopt;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::uint64_t value = 0;
        const auto [end, ec] =
            std::from_chars(text.data() + 2, text.data() + text.size(), value, 16);
        if (ec != std::errc() || end != text.data() + text.size())
            return std::nullopt;
        return static_cast<double>(value);
    }
    if (text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Numbers separated by commas, semicolons or blanks; the parts that are not numbers are left out.
std::vector<double> numbers(std::string_view text) {
    std::vector<double> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(",; \t", start);
        if (end == std::string_view::npos)
            end = text.size();
        if (const auto v = number(text.substr(start, end - start)))
            out.push_back(*v);
        start = end + 1;
    }
    return out;
}

class Reader {
public:
    explicit Reader(const ProfileDocument& doc) : doc_(doc) {}

    template <class T>
    void get(std::string_view section, std::string_view key, T& value, double low, double high) {
        const auto text = doc_.get(section, key);
        if (!text)
            return;
        const auto v = number(*text);
        if (!v)
            return;
        const double clamped = std::clamp(*v, low, high);
        if constexpr (std::is_integral_v<T>)
            value = static_cast<T>(std::llround(clamped));
        else
            value = static_cast<T>(clamped);
    }
    void get(std::string_view section, std::string_view key, bool& value) {
        const auto text = doc_.get(section, key);
        if (!text)
            return;
        const std::string_view t = trim(*text);
        if (equalsNoCase(t, "yes") || equalsNoCase(t, "true") || t == "1")
            value = true;
        else if (equalsNoCase(t, "no") || equalsNoCase(t, "false") || t == "0")
            value = false;
    }
    void get(std::string_view section, std::string_view key, std::string& value, size_t maxLength) {
        if (const auto text = doc_.get(section, key))
            value = std::string(trim(*text)).substr(0, maxLength);
    }
    void get(std::string_view section, std::string_view key, FaultSchedule& schedule) {
        get(section, std::string(key) + "Rate", schedule.rate, 0.0, 1.0);
        if (const auto text = doc_.get(section, std::string(key) + "At")) {
            schedule.at.clear();
            for (double v : numbers(*text))
                if (v >= 1 && v < 1e18)
                    schedule.at.push_back(static_cast<std::uint64_t>(v));
            std::sort(schedule.at.begin(), schedule.at.end());
        }
    }

private:
    const ProfileDocument& doc_;
};

std::vector<FracturePlane> demonstrationFractures() {
    return {
        {14.2, 35.0, 120.0, 4.0}, {19.8, 62.0, 250.0, 2.0}, {26.5, 20.0, 45.0, 6.0},
        {33.1, 75.0, 310.0, 3.0}, {37.4, 48.0, 170.0, 2.5},
    };
}

constexpr double Huge = 1e9;

} // namespace

SimulatorSettings SimulatorSettings::defaults() {
    SimulatorSettings s;
    s.borehole.fractures = demonstrationFractures();
    return s;
}

SimulatorSettings SimulatorSettings::parse(std::string_view iniText) {
    SimulatorSettings s = defaults();
    const ProfileDocument doc = ProfileDocument::parse(iniText);
    Reader r(doc);

    DeviceSettings& d = s.device;
    r.get("Device", "SerialNumber", d.serialNumber, 15);
    r.get("Device", "Description", d.description, 63);
    r.get("Device", "Manufacturer", d.manufacturer, 31);
    r.get("Device", "VendorId", d.vendorId, 0, 0xFFFF);
    r.get("Device", "ProductId", d.productId, 0, 0xFFFF);
    r.get("Device", "FastMode", d.fastMode);
    r.get("Device", "Seed", d.seed, 0, 9.0e15);

    LoggerSettings& l = s.logger;
    r.get("Logger", "EncoderScale", l.encoderScale, 1, 0xFFFF);
    r.get("Logger", "WheelByte", l.wheelByte, 0, 255);
    r.get("Logger", "SupplyVoltage", l.supplyVoltage, 0, 255);
    r.get("Logger", "UpholeGain", l.upholeGain, 0, 255);
    r.get("Logger", "DownholeEnergy", l.downholeEnergy, 0, 255);
    r.get("Logger", "BaudDivisor", l.baudDivisor, 2, 127);
    r.get("Logger", "UpholePulseWidth", l.upholePulseWidth, 0, 255);
    r.get("Logger", "StatusPeriod", l.statusPeriodMs, 5, 10000);
    r.get("Logger", "SondeCurrent", l.sondeCurrentMa, 0, 255);
    r.get("Logger", "BootTime", l.bootTimeMs, 0, 60000);
    r.get("Logger", "SondeStartTime", l.sondeStartMs, 0, 60000);
    r.get("Logger", "ShutdownTime", l.shutdownTimeMs, 0, 60000);

    WinchSettings& w = s.winch;
    r.get("Winch", "StartDepth", w.startDepth, -1000, 20000);
    r.get("Winch", "EndDepth", w.endDepth, -1000, 20000);
    r.get("Winch", "Speed", w.speed, 0, 100);
    r.get("Winch", "StartDelay", w.startDelay, 0, 86400);

    SondeSettings& so = s.sonde;
    r.get("Sonde", "Powered", so.powered);
    r.get("Sonde", "Resolution", so.resolution, 0, 255);
    r.get("Sonde", "CompressionMode", so.compressionMode, 0, 16);
    if (so.compressionMode != 8 && so.compressionMode != 16)
        so.compressionMode = 0;
    r.get("Sonde", "FrameRate", so.frameRate, 1, 100);
    r.get("Sonde", "LightPower", so.lightPower, 0, 127);
    r.get("Sonde", "Shutter", so.shutter, 1, 20);
    r.get("Sonde", "CameraOffset", so.cameraOffsetCm, -1000, 1000);
    r.get("Sonde", "Inclination", so.inclination, 0, 180);
    r.get("Sonde", "Azimuth", so.azimuth, -Huge, Huge);
    r.get("Sonde", "BuildFrom", so.buildFrom, -1000, 20000);
    r.get("Sonde", "BuildTo", so.buildTo, -1000, 20000);
    r.get("Sonde", "BuildBy", so.buildBy, -180, 180);
    r.get("Sonde", "TurnFrom", so.turnFrom, -1000, 20000);
    r.get("Sonde", "TurnTo", so.turnTo, -1000, 20000);
    r.get("Sonde", "TurnBy", so.turnBy, -Huge, Huge);
    r.get("Sonde", "DeviationOffset", so.deviationOffsetCm, -1000, 1000);
    r.get("Sonde", "Roll", so.roll, -Huge, Huge);
    r.get("Sonde", "RotationSpeed", so.rotationSpeed, -360, 360);
    r.get("Sonde", "MagneticField", so.magneticField, 1000, 150000);
    r.get("Sonde", "MagneticDip", so.magneticDip, -90, 90);
    r.get("Sonde", "SensorNoise", so.sensorNoise, 0, 1000);
    r.get("Sonde", "SelfHeating", so.selfHeating, 0, 100);
    r.get("Sonde", "FlashTime", so.flashTimeMs, 0, 60000);
    r.get("Sonde", "ProductCode", so.productCode, 3);
    r.get("Sonde", "FirmwareYear", so.firmwareYear, 2000, 2255);
    r.get("Sonde", "FirmwareWeek", so.firmwareWeek, 1, 53);
    r.get("Sonde", "CalibrationYear", so.calibrationYear, 2000, 2255);
    r.get("Sonde", "CalibrationWeek", so.calibrationWeek, 1, 53);
    for (std::size_t i = 0; i < so.dspErrors.size(); ++i)
        r.get("Sonde", "DspError" + std::to_string(i), so.dspErrors[i], 0, 255);

    BoreholeSettings& b = s.borehole;
    r.get("Borehole", "Diameter", b.diameterMm, 20, 2000);
    r.get("Borehole", "TextureSeed", b.textureSeed, 0, 4294967295.0);
    r.get("Borehole", "BeddingDip", b.beddingDip, 0, 85);
    r.get("Borehole", "BeddingDipDirection", b.beddingDipDirection, -Huge, Huge);
    r.get("Borehole", "GammaBase", b.gammaBase, 0, 30000);
    r.get("Borehole", "GammaRange", b.gammaRange, 0, 30000);
    r.get("Borehole", "SurfaceTemperature", b.surfaceTemperature, -40, 100);
    r.get("Borehole", "TemperatureGradient", b.temperatureGradient, -20, 20);
    if (doc.hasSection("Fractures")) {
        b.fractures.clear();
        for (const std::string& key : doc.keyNames("Fractures")) {
            const auto text = doc.get("Fractures", key);
            const std::vector<double> v = text ? numbers(*text) : std::vector<double>{};
            if (v.size() < 3)
                continue;
            FracturePlane f;
            f.depth = std::clamp(v[0], -1000.0, 20000.0);
            f.dip = std::clamp(v[1], 0.0, 90.0);
            f.dipDirection = v[2];
            if (v.size() > 3)
                f.aperture = std::clamp(v[3], 0.1, 200.0);
            b.fractures.push_back(f);
        }
    }

    FaultSettings& f = s.faults;
    r.get("Faults", "LostBytes", f.lostBytes);
    r.get("Faults", "FlippedBits", f.flippedBits);
    r.get("Faults", "CutPackets", f.cutPackets);
    r.get("Faults", "WrongChecksum", f.wrongChecksums);
    r.get("Faults", "LostVideoPackets", f.lostVideoPackets);
    if (const auto text = doc.get("Faults", "UnplugAt")) {
        for (double v : numbers(*text))
            if (v >= 0 && v < 1e9)
                f.unplugAt.push_back(v);
        std::sort(f.unplugAt.begin(), f.unplugAt.end());
    }
    r.get("Faults", "UnplugFor", f.unplugFor, 0, 86400);
    r.get("Faults", "WrongWinchEcho", f.wrongWinchEcho);
    return s;
}

std::string SimulatorSettings::configurationText() {
    const char* name = std::getenv(EnvironmentVariable);
    if (!name || !*name)
        return {};
    return readWholeFile(name).value_or(std::string());
}

} // namespace zarn::sim
