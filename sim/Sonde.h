// The simulated sonde: a camera that films the borehole wall, unrolls it into rows of W pixels
// and compresses them in mode 16 or mode 8; an accelerometer and a magnetometer, filtered by the
// sonde itself; a natural-gamma counter and two temperatures. It obeys the camera settings
// order (light, shutter, frame rate, resolution, line settings, re-sending a video packet) and
// the F13 orders (view mode, flash store and read, colour gains, picture circle, orientation
// filter, diagnostics, calibration date), and keeps the last video packets so that a lost one
// can be sent again.
//
// Every picture becomes one video packet, numbered by a packet index that runs on modulo 256,
// carrying the rows of wall passed since the previous picture (spread evenly in depth, the way
// the program places them). In the calibration views the sonde sends whole camera pictures
// instead, a few rows per packet, marking the first packet of each picture.
#pragma once

#include "sim/Borehole.h"
#include "sim/CommandParser.h"
#include "sim/DctEncoder.h"
#include "sim/DpcmEncoder.h"
#include "sim/LoggerFrames.h"
#include "sim/OrientationSensors.h"
#include "sim/SimRandom.h"
#include "sim/SimulatorSettings.h"
#include "sim/Trajectory.h"

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

namespace zarn::sim {

// Where the sonde is when it takes a picture.
struct CaptureMoment {
    double time = 0;             // model seconds
    double cameraDepth = 0;      // m along the hole, where the camera looks at the wall
    double sensorDepth = 0;      // m along the hole, where the orientation sensors are
    std::int32_t depthCount = 0; // the logger's depth counter, stamped on the picture
};

// Bits of the signal processor's error bytes (read-back values 0 to 5) the simulator raises.
namespace DspError {
inline constexpr int CommandValue = 4;
inline constexpr std::uint8_t CommandChecksum = 0x02; // "F12F13_CHK"
inline constexpr std::uint8_t UnknownOrder = 0x20;    // "F13_UNKNOW"
inline constexpr std::uint8_t PacketNotFound = 0x40;  // "FR_NOT_FND"
} // namespace DspError

class Sonde {
public:
    static constexpr std::size_t KeptPackets = 128;
    static constexpr std::size_t FlashRecordSize = 128;
    // Gains at which the camera shows the wall's own colours (the program's defaults).
    static constexpr std::array<int, 3> NeutralGains{223, 186, 255};
    // The calibration views' camera picture: rows per picture.
    static constexpr int PictureRows = 544;

    Sonde(const SimulatorSettings& settings, const Borehole& borehole);

    void powerOn(double t);
    void powerOff();

    // The camera settings order. Returns the packet index asked for when the order is a
    // re-request of a video packet (which changes no setting).
    std::optional<std::uint8_t> applyCameraSettings(const Command& f12);
    // An F13 order. Returns true when it starts storing into flash (the sonde is busy).
    bool applyOrder(const Command& f13);
    void setLine(std::uint8_t baudDivisor, std::uint8_t pulseWidth);
    // An order for the sonde arrived damaged: the sonde data flag stays up until the next good
    // one, and the command checksum error bit until the diagnostics are reset.
    void commandDamaged();
    void commandReceived();

    // Takes the next picture. With `encode` false only the counters move on (nobody will
    // receive the packet).
    SondePart capture(const CaptureMoment& moment, bool encode = true);
    // The kept packet of this index, to be sent again; nothing (and the "frame not found" error
    // bit) when the sonde no longer has it.
    [[nodiscard]] std::optional<SondePart> resend(std::uint8_t index);

    // Milliseconds between pictures, as reported in sonde byte 6.
    int framePeriodMs() const;
    std::uint8_t baudDivisor() const { return baudDivisor_; }
    // The pixels of the rows of the last capture in circle mode, row r at [r * W].
    std::span<const std::uint32_t> lastRows() const { return rows_; }
    int lastWidth() const { return lastWidth_; }
    // The roll of the sonde at model time t, degrees.
    double rollAt(double t) const;

private:
    struct Kept {
        std::uint8_t index;
        SondePart part;
    };
    enum class Compression { None, Mode8, Mode16 };

    Compression compression() const;
    std::uint8_t appliedImageMode(Compression c) const;
    void fillBlock(SondePart& part, const CaptureMoment& moment, std::uint8_t imageMode,
                   std::uint8_t framePeriodByte);
    void readSensors(SondePart& part, double t, double depth);
    void filmCircleRows(const CaptureMoment& moment, int width, int rows);
    void filmCameraPicture(int width, int firstRow, int rows, double depth, double roll);
    void shadeAndGain(std::span<std::uint32_t> pixels) const;
    [[nodiscard]] bool encode(Compression c, int width, int rows,
                              std::vector<std::uint8_t>& payload);
    void appendTrailer(std::vector<std::uint8_t>& payload) const;
    void storeFlash(std::uint16_t word);
    void writeWorkingIntoFlash(bool configuration, bool whiteBalance);
    void keep(std::uint8_t index, const SondePart& part);

    const Borehole& borehole_;
    SondeSettings settings_;
    OrientationSensors sensors_;
    Trajectory trajectory_;
    SimRandom noise_;
    SimRandom gamma_;
    DctEncoder dct_;
    DpcmEncoder dpcm_;

    bool powered_ = false;
    double poweredAt_ = 0;
    double startTime_ = 0; // the roll turns from the simulator's start

    // Camera settings.
    std::uint8_t lightPower_;
    std::uint8_t shutter_;
    int frameRate_;
    std::uint8_t resolution_; // image mode byte as ordered; 0 = send the flash record
    std::uint8_t baudDivisor_;
    std::uint8_t pulseWidth_;
    std::uint8_t filterHighByte_ = 253;

    // F13 working values.
    std::uint8_t viewMode_ = 0;
    std::uint8_t holeDiameter_ = 15;
    std::uint16_t probeSpeed_ = 20;
    std::uint8_t recordByte36_ = 0;
    std::array<std::uint8_t, 3> gains_{223, 186, 255};
    std::uint8_t bayer_ = 9;
    std::uint16_t circleRadius_ = 318, circleX_ = 652, circleY_ = 600;
    std::uint16_t useGrey_ = 0;
    bool diagnostics_ = false;
    std::array<std::uint8_t, 6> dspErrors_{};
    bool dataFlag_ = false;
    std::array<std::uint8_t, FlashRecordSize> flash_{};

    // Picture state.
    std::uint8_t nextIndex_ = 0;
    std::uint32_t pictureNumber_ = 0;
    int pictureRow_ = 0; // calibration views: next row of the camera picture
    std::optional<double> lastDepth_;
    double lastRoll_ = 0;
    bool sensorsPrimed_ = false;
    double lastSensorTime_ = 0;
    std::array<double, 6> filtered_{};
    std::vector<std::uint32_t> rows_;
    int lastWidth_ = 0;
    std::deque<Kept> kept_;
};

} // namespace zarn::sim
