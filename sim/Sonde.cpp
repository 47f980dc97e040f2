#include "sim/Sonde.h"

#include "acquisition/wire/FrameLayout.h"
#include "acquisition/wire/ImageRows.h"
#include "sim/ColourSpace.h"
#include "sim/HoleFrame.h"

#include <algorithm>
#include <cmath>

namespace zarn::sim {
namespace {

namespace sb = frame::sonde;

// Frame rate (Hz) to the frame period (ms) the camera reports, as the camera panel lists them.
constexpr std::array<std::array<int, 2>, 20> RateTable{
    {{10, 100}, {11, 91}, {12, 84}, {13, 77}, {14, 71}, {15, 67}, {16, 62},
     {17, 59},  {18, 56}, {19, 53}, {20, 50}, {22, 46}, {25, 40}, {30, 33},
     {35, 29},  {40, 25}, {45, 23}, {50, 20}, {55, 18}, {60, 16}}};

// Flash record layout.
namespace flash {
constexpr std::size_t ViewMode = 26;
constexpr std::size_t RecordByte36 = 36;
constexpr std::size_t RedGain = 38;
constexpr std::size_t GreenGain = 40;
constexpr std::size_t BlueGain = 42;
constexpr std::size_t Bayer = 44;
constexpr std::size_t Radius = 46;
constexpr std::size_t CentreX = 48;
constexpr std::size_t CentreY = 50;
constexpr std::size_t WhiteRadius = 56;
constexpr std::size_t ResolutionIndex = 58;
constexpr std::size_t UseGrey = 60;
constexpr std::size_t Filter = 62;
constexpr std::size_t ProductId = 80;
constexpr std::size_t FirmwareDate = 82;
constexpr std::size_t CalibrationDate = 84;
} // namespace flash

// Flash order: the key that must precede the flash word, and the words.
constexpr std::uint8_t FlashKey1 = 0x55, FlashKey2 = 0xAA;
constexpr std::uint16_t StoreConfiguration = 1, StoreWhiteBalance = 2;
constexpr std::uint8_t DiagnosticOn = 255, DiagnosticReset = 255;
constexpr std::uint8_t TrailerFlags = 0x7E; // all six error bytes follow
constexpr std::uint8_t TrailerMark = 0x81;

// The calibration views' camera: a sensor 1304 pixels wide, shown 720 wide, with the mirror's
// image centred here.
constexpr double SensorWidth = 1304.0;
constexpr double MirrorCentreX = 652.0, MirrorCentreY = 600.0;
constexpr double MirrorRadius = 318.0, MirrorTip = 100.0;
constexpr double MirrorDepthSpan = 0.04; // m of wall from the inner to the outer edge
constexpr std::uint32_t Housing = 0x181818;

constexpr double WarmUpSeconds = 600.0;

void put16(std::array<std::uint8_t, Sonde::FlashRecordSize>& r, std::size_t at, std::uint16_t v) {
    r[at] = static_cast<std::uint8_t>(v & 0xFF);
    r[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

std::uint16_t dateWord(int year, int week) {
    return static_cast<std::uint16_t>(((year - 2000) & 0xFF) << 8 | (week & 0xFF));
}

std::uint16_t productWord(const std::string& code) {
    auto letter = [&](std::size_t i) {
        return i < code.size() ? std::clamp(code[i] - 'A', 0, 31) : 0;
    };
    const int digit = code.size() > 2 ? std::clamp(code[2] - '0', 0, 31) : 0;
    return static_cast<std::uint16_t>(letter(0) << 10 | letter(1) << 5 | digit);
}

int rowsPerPacket(bool mode8) {
    return mode8 ? Mode8Rows : Mode16Rows;
}

std::int16_t counts(double v) {
    return static_cast<std::int16_t>(std::clamp(std::lround(v), -32767L, 32767L));
}

} // namespace

Sonde::Sonde(const SimulatorSettings& settings, const Borehole& borehole)
    : borehole_(borehole), settings_(settings.sonde),
      sensors_(settings.sonde.magneticField, settings.sonde.magneticDip),
      trajectory_(settings.sonde), noise_(settings.device.seed, 11),
      gamma_(settings.device.seed, 12), lightPower_(settings.sonde.lightPower),
      shutter_(settings.sonde.shutter), frameRate_(settings.sonde.frameRate),
      resolution_(settings.sonde.resolution), baudDivisor_(settings.logger.baudDivisor),
      pulseWidth_(settings.logger.upholePulseWidth) {
    writeWorkingIntoFlash(true, true);
    put16(flash_, flash::ResolutionIndex, 3);
    put16(flash_, flash::ProductId, productWord(settings_.productCode));
    put16(flash_, flash::FirmwareDate, dateWord(settings_.firmwareYear, settings_.firmwareWeek));
    put16(flash_, flash::CalibrationDate,
          dateWord(settings_.calibrationYear, settings_.calibrationWeek));
}

void Sonde::powerOn(double t) {
    powered_ = true;
    poweredAt_ = t;
    nextIndex_ = 0;
    pictureNumber_ = 0;
    pictureRow_ = 0;
    lastDepth_.reset();
    sensorsPrimed_ = false;
    kept_.clear();
    dspErrors_ = {};
    dataFlag_ = false;
}

void Sonde::powerOff() {
    powered_ = false;
}

double Sonde::rollAt(double t) const {
    return settings_.roll + settings_.rotationSpeed * (t - startTime_);
}

int Sonde::framePeriodMs() const {
    for (const auto& [rate, period] : RateTable)
        if (rate == frameRate_)
            return period;
    return std::max(1, static_cast<int>(std::lround(1000.0 / frameRate_)));
}

void Sonde::setLine(std::uint8_t baudDivisor, std::uint8_t pulseWidth) {
    // Only divisors the line can run at are taken; the sonde keeps its speed otherwise.
    if (baudDivisor >= 2 && baudDivisor <= 127)
        baudDivisor_ = baudDivisor;
    pulseWidth_ = pulseWidth;
}

std::optional<std::uint8_t> Sonde::applyCameraSettings(const Command& f12) {
    if (f12[1] & 0x80)
        return f12[8];
    lightPower_ = f12[1] & 0x7F;
    if (f12[2] != 0)
        shutter_ = std::min<std::uint8_t>(f12[2], 20);
    if (f12[3] >= 1 && f12[3] <= 100)
        frameRate_ = f12[3];
    if (f12[4] != resolution_)
        pictureRow_ = 0;
    resolution_ = f12[4];
    setLine(f12[6], f12[7]);
    filterHighByte_ = f12[8];
    return std::nullopt;
}

bool Sonde::applyOrder(const Command& f13) {
    switch (f13[1]) {
    case 0:
        if (f13[2] <= 3) {
            if (f13[2] != viewMode_)
                pictureRow_ = 0;
            viewMode_ = f13[2];
        }
        holeDiameter_ = f13[4];
        probeSpeed_ = f13.word(5);
        recordByte36_ = f13[7];
        return false;
    case 1:
        if (f13[2] != FlashKey1 || f13[3] != FlashKey2)
            return false;
        storeFlash(f13.word(4));
        return f13.word(4) == StoreConfiguration || f13.word(4) == StoreWhiteBalance;
    case 2:
        gains_ = {f13[2], f13[3], f13[4]};
        bayer_ = f13[7];
        return false;
    case 3:
        circleRadius_ = f13.word(2);
        circleX_ = f13.word(4);
        circleY_ = f13.word(6);
        return false;
    case 4:
        useGrey_ = f13[4];
        return false;
    case 5:
        filterHighByte_ = static_cast<std::uint8_t>(f13.word(2) >> 8);
        return false;
    case 6:
        diagnostics_ = f13[2] == DiagnosticOn;
        if (f13[3] == DiagnosticReset)
            dspErrors_ = {};
        return false;
    case 7:
        // The dates travel high byte first.
        put16(flash_, flash::CalibrationDate, static_cast<std::uint16_t>(f13[6] << 8 | f13[7]));
        return false;
    default:
        dspErrors_[DspError::CommandValue] |= DspError::UnknownOrder;
        return false;
    }
}

void Sonde::commandDamaged() {
    dataFlag_ = true;
    dspErrors_[DspError::CommandValue] |= DspError::CommandChecksum;
}

void Sonde::commandReceived() {
    dataFlag_ = false;
}

void Sonde::storeFlash(std::uint16_t word) {
    if (word == StoreConfiguration)
        writeWorkingIntoFlash(true, false);
    else if (word == StoreWhiteBalance)
        writeWorkingIntoFlash(false, true);
}

void Sonde::writeWorkingIntoFlash(bool configuration, bool whiteBalance) {
    if (configuration) {
        flash_[flash::ViewMode] = viewMode_;
        put16(flash_, flash::RecordByte36, recordByte36_);
        put16(flash_, flash::Radius, circleRadius_);
        put16(flash_, flash::CentreX, circleX_);
        put16(flash_, flash::CentreY, circleY_);
        put16(flash_, flash::UseGrey, useGrey_);
        put16(flash_, flash::Filter, static_cast<std::uint16_t>(filterHighByte_ << 8));
        flash_[flash::WhiteRadius] = 0;
    }
    if (whiteBalance) {
        flash_[flash::RedGain] = gains_[0];
        flash_[flash::GreenGain] = gains_[1];
        flash_[flash::BlueGain] = gains_[2];
        flash_[flash::Bayer] = bayer_;
    }
}

Sonde::Compression Sonde::compression() const {
    if (settings_.compressionMode == 16)
        return Compression::Mode16;
    if (settings_.compressionMode == 8)
        return Compression::Mode8;
    if (resolution_ & 0x10)
        return Compression::Mode16;
    if (resolution_ & 0x08)
        return Compression::Mode8;
    return Compression::None;
}

std::uint8_t Sonde::appliedImageMode(Compression c) const {
    const int quality = std::clamp(resolution_ & 0x07, 1, 5);
    const int mode = c == Compression::Mode16 ? 0x10 : c == Compression::Mode8 ? 0x08 : 0;
    return static_cast<std::uint8_t>((resolution_ & 0xE0) | mode | quality);
}

void Sonde::shadeAndGain(std::span<std::uint32_t> pixels) const {
    const double exposure = std::sqrt(static_cast<double>(lightPower_) * shutter_) / 10.0;
    std::array<double, 3> k{};
    for (int c = 0; c < 3; ++c)
        k[c] = exposure * gains_[c] / NeutralGains[c];
    auto channel = [](double v) { return static_cast<int>(std::clamp(std::lround(v), 0L, 255L)); };
    for (std::uint32_t& p : pixels)
        p = makePixel(channel(redOf(p) * k[0]), channel(greenOf(p) * k[1]),
                      channel(blueOf(p) * k[2]));
}

void Sonde::filmCircleRows(const CaptureMoment& moment, int width, int rows) {
    const double roll = rollAt(moment.time);
    const double fromDepth = lastDepth_.value_or(moment.cameraDepth);
    const double fromRoll = lastDepth_ ? lastRoll_ : roll;
    rows_.assign(static_cast<std::size_t>(width) * rows, 0);
    for (int i = 0; i < rows; ++i) {
        const double f = static_cast<double>(i) / rows;
        borehole_.filmRow(fromDepth + f * (moment.cameraDepth - fromDepth),
                          fromRoll + f * (roll - fromRoll),
                          std::span(rows_).subspan(static_cast<std::size_t>(i) * width, width));
    }
    shadeAndGain(rows_);
    lastDepth_ = moment.cameraDepth;
    lastRoll_ = roll;
}

// A picture of the camera itself, as the calibration views show it: the ring of wall that the
// conical mirror reflects, the mirror's tip in the middle and the dark housing around it.
void Sonde::filmCameraPicture(int width, int firstRow, int rows, double depth, double roll) {
    rows_.assign(static_cast<std::size_t>(width) * rows, 0);
    const double scale = SensorWidth / width;
    for (int i = 0; i < rows; ++i) {
        const double sy = (firstRow + i) * scale - MirrorCentreY;
        for (int x = 0; x < width; ++x) {
            const double sx = x * scale - MirrorCentreX;
            const double r = std::hypot(sx, sy);
            std::uint32_t& p = rows_[static_cast<std::size_t>(i) * width + x];
            if (r > MirrorRadius)
                p = Housing;
            else if (r < MirrorTip)
                p = 0;
            else
                p = borehole_.wallPixel(depth + (r - MirrorTip) / (MirrorRadius - MirrorTip) *
                                                    MirrorDepthSpan,
                                        degrees(std::atan2(sx, -sy)) - roll);
        }
    }
    shadeAndGain(rows_);
}

bool Sonde::encode(Compression c, int width, int rows, std::vector<std::uint8_t>& payload) {
    const int quality = std::clamp(resolution_ & 0x07, 1, 5);
    const std::span<const std::uint32_t> pixels(rows_.data(),
                                                static_cast<std::size_t>(width) * rows);
    if (c == Compression::Mode16)
        return dct_.encode(pixels, width, quality, payload);
    if (c == Compression::Mode8)
        return dpcm_.encode(pixels, width, quality, payload);
    payload.clear();
    return true;
}

void Sonde::appendTrailer(std::vector<std::uint8_t>& payload) const {
    if (diagnostics_) {
        // The faults the sonde keeps reporting come back after every reset.
        for (std::size_t i = 0; i < dspErrors_.size(); ++i)
            payload.push_back(static_cast<std::uint8_t>(dspErrors_[i] | settings_.dspErrors[i]));
        payload.push_back(TrailerFlags);
        payload.push_back(TrailerMark);
    } else if (!payload.empty() && payload.back() == TrailerMark) {
        payload.push_back(0); // so that the picture's last byte is not read as a trailer
    }
}

void Sonde::readSensors(SondePart& part, double t, double depth) {
    const SensorReadings s =
        sensors_.read(trajectory_.inclinationAt(depth), trajectory_.azimuthAt(depth), rollAt(t));
    std::array<double, 6> raw{s.gx, s.gy, s.gz, s.hx, s.hy, s.hz};
    for (double& v : raw)
        v += settings_.sensorNoise * noise_.normal();
    const double tau = (255 - filterHighByte_) / 20.0;
    const double dt = t - lastSensorTime_;
    const double alpha = !sensorsPrimed_ || tau <= 0 || dt < 0 ? 1.0 : 1.0 - std::exp(-dt / tau);
    for (std::size_t i = 0; i < raw.size(); ++i)
        filtered_[i] += alpha * (raw[i] - filtered_[i]);
    sensorsPrimed_ = true;
    lastSensorTime_ = t;
    part.gx = counts(filtered_[0]);
    part.gy = counts(filtered_[1]);
    part.gz = counts(filtered_[2]);
    part.hx = counts(filtered_[3]);
    part.hy = counts(filtered_[4]);
    part.hz = counts(filtered_[5]);
}

void Sonde::fillBlock(SondePart& part, const CaptureMoment& moment, std::uint8_t imageMode,
                      std::uint8_t framePeriodByte) {
    auto& b = part.block;
    const double depth = moment.cameraDepth;
    const int gamma = gamma_.poisson(borehole_.gammaRate(depth));
    b[sb::GammaCount] = static_cast<std::uint8_t>(std::min(gamma, 0xFFFF) & 0xFF);
    b[sb::GammaCount + 1] = static_cast<std::uint8_t>(std::min(gamma, 0xFFFF) >> 8);
    const double warm = 1.0 - std::exp(-std::max(0.0, moment.time - poweredAt_) / WarmUpSeconds);
    const double camera = borehole_.temperature(depth) + settings_.selfHeating * warm;
    const double electronics = camera + 3.0 + 0.5 * settings_.selfHeating * warm;
    auto byteOf = [](double v) {
        return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
    };
    b[sb::CameraTemperature] = byteOf(camera * 2.0);
    b[sb::SecondTemperature] = byteOf(electronics * 1.75);
    b[sb::LightPower] = static_cast<std::uint8_t>((dataFlag_ ? 0x80 : 0) | (lightPower_ & 0x7F));
    b[sb::Shutter] = std::clamp<std::uint8_t>(shutter_, 1, 20);
    b[sb::FramePeriod] = framePeriodByte;
    b[sb::BaudDivisor] = baudDivisor_ & 0x7F;
    b[sb::UpholeDrive] = pulseWidth_;
    b[sb::ImageMode] = imageMode;
    b[sb::PacketIndex] = nextIndex_;
    const auto count = static_cast<std::uint32_t>(moment.depthCount);
    for (int i = 0; i < 4; ++i) {
        b[sb::CameraDepthCount + i] = static_cast<std::uint8_t>((count >> (8 * i)) & 0xFF);
        b[sb::PictureNumber + i] = static_cast<std::uint8_t>((pictureNumber_ >> (8 * i)) & 0xFF);
    }
    b[sb::Byte19] = 0;
    b[sb::BufferFill] = 0;
    b[sb::Byte21] = 0;
}

SondePart Sonde::capture(const CaptureMoment& moment, bool encodePayload) {
    SondePart part;
    const Compression c = compression();
    const auto period = static_cast<std::uint8_t>(std::min(framePeriodMs(), 254));
    if (resolution_ == 0) {
        // Asked for its flash record: sent in place of the picture.
        ++pictureNumber_;
        fillBlock(part, moment, 0, period);
        part.payload.assign(flash_.begin(), flash_.end());
    } else if (viewMode_ != 0) {
        const int width = 720;
        const int rows = rowsPerPacket(c == Compression::Mode8);
        const bool first = pictureRow_ == 0;
        if (first)
            ++pictureNumber_;
        fillBlock(part, moment, appliedImageMode(c), first ? 1 : period);
        if (encodePayload && c != Compression::None) {
            filmCameraPicture(width, pictureRow_, rows, moment.cameraDepth, rollAt(moment.time));
            // The rows were just filmed at this width and the quality is held at 1 to 5: the
            // encoder has nothing to refuse.
            static_cast<void>(encode(c, width, rows, part.payload));
            appendTrailer(part.payload);
        }
        lastWidth_ = width;
        pictureRow_ = (pictureRow_ + rows) % PictureRows;
    } else {
        const int width = pixelsPerRowOf(resolution_ >> 5);
        const int rows = rowsPerPacket(c == Compression::Mode8);
        ++pictureNumber_;
        fillBlock(part, moment, appliedImageMode(c), period);
        if (encodePayload && c != Compression::None) {
            filmCircleRows(moment, width, rows);
            // The rows were just filmed at this width and the quality is held at 1 to 5: the
            // encoder has nothing to refuse.
            static_cast<void>(encode(c, width, rows, part.payload));
            appendTrailer(part.payload);
        } else {
            lastDepth_ = moment.cameraDepth;
            lastRoll_ = rollAt(moment.time);
        }
        lastWidth_ = width;
    }
    readSensors(part, moment.time, moment.sensorDepth);
    if (encodePayload)
        keep(nextIndex_, part);
    ++nextIndex_;
    return part;
}

void Sonde::keep(std::uint8_t index, const SondePart& part) {
    kept_.push_back({index, part});
    while (kept_.size() > KeptPackets)
        kept_.pop_front();
}

std::optional<SondePart> Sonde::resend(std::uint8_t index) {
    for (auto it = kept_.rbegin(); it != kept_.rend(); ++it)
        if (it->index == index)
            return it->part;
    dspErrors_[DspError::CommandValue] |= DspError::PacketNotFound;
    return std::nullopt;
}

} // namespace zarn::sim
