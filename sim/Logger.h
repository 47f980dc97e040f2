// The simulated surface logger with its winch, the sonde on the line and the borehole. It reads
// the program's command frames and answers with frames wrapped in USB packets:
//   - supply off: the 20-byte status frame, echoing the last winch settings (F1) and downhole
//     settings (F3) it applied;
//   - after the line order (F11) switches the supply on: status frames with the busy bits set
//     while the sonde boots, 16-byte frames while it answers without data, then full data
//     frames, one per picture; 16-byte frames again while the sonde stores its flash;
//   - after the power-off order (F0): status frames, busy for a short while, then not.
// Frames follow each other at the pace of their source: the status period for the logger's own
// frames, and for the sonde's the slower of its frame period and the time the frame takes on
// the wireline at the line speed (a divisor D carries 500 / D bytes per millisecond, the load the
// program's data-flow gauge counts as full). A video packet asked for again goes out as soon as
// the line is free; the camera keeps its own pace meanwhile, and the pictures it took while the
// line was busy follow as fast as the line allows, so a run with re-sent packets films the wall
// at the same moments and depths as the same run without.
//
// Model time is in seconds; the caller (the device) says what time it is. Not thread-safe.
#pragma once

#include "sim/Borehole.h"
#include "sim/CommandParser.h"
#include "sim/FaultInjector.h"
#include "sim/LoggerFrames.h"
#include "sim/SimRandom.h"
#include "sim/SimulatorSettings.h"
#include "sim/Sonde.h"
#include "sim/Winch.h"

#include <cstdint>
#include <deque>
#include <span>
#include <vector>

namespace zarn::sim {

enum class LoggerPhase {
    Off,           // no supply: status frames
    Booting,       // supply on, sonde not answering: status frames, busy
    SondeStarting, // sonde answering without data: 16-byte frames
    Flashing,      // sonde storing its flash: 16-byte frames
    On,            // full data frames
    ShuttingDown,  // after a power-off order: status frames, still busy
};

enum class FrameKind { Status, Short, Full, Resent, LostOnLine };

struct ProducedFrame {
    FrameKind kind = FrameKind::Status;
    std::vector<std::uint8_t> packet; // the USB packet as the chip receives it (empty: lost)
    double lineSeconds = 0;           // until the packet has arrived whole
    double periodSeconds = 0;         // from its start to the start of the next frame
};

// What the logger sent since it was made: USB packets by the frame they carry (packets the chip
// had no room for included), and the pictures the sonde took.
struct LoggerCounts {
    std::uint64_t statusFrames = 0;       // 20-byte status frames
    std::uint64_t shortFrames = 0;        // 16-byte frames
    std::uint64_t fullFrames = 0;         // full data frames, packets sent again included
    std::uint64_t resentVideoPackets = 0; // video packets sent again on request
    std::uint64_t videoPackets = 0;       // pictures taken, those lost on the wireline included
};

class Logger {
public:
    // Frame communication status bits the logger sets.
    static constexpr std::uint8_t StatusAccepted = 0x01;
    static constexpr std::uint8_t StatusChecksumError = 0x08;
    static constexpr std::uint8_t StatusParameterUpdate = 0x10;
    static constexpr std::uint8_t StatusUpdating = 0x20;
    // Busy bits of the logger status flags.
    static constexpr std::uint8_t BusySupply = 0x01;
    static constexpr std::uint8_t BusySonde = 0x02;

    explicit Logger(const SimulatorSettings& settings);
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    // One write of the program at model time t.
    void receive(std::span<const std::uint8_t> bytes, double t);
    // The frame that starts at model time t. With `deliverable` false nobody will read it: the
    // state moves on as usual but nothing is encoded.
    ProducedFrame produce(double t, bool deliverable = true);

    LoggerPhase phase(double t) const;
    // The logger's depth (m) at model time t, as its counter shows it.
    double counterDepth(double t) const;
    std::int32_t depthCount(double t) const;
    std::int16_t speedCount(double t) const;

    static double lineBytesPerSecond(std::uint8_t divisor);

    const Sonde& sonde() const { return sonde_; }
    const Winch& winch() const { return winch_; }
    const Borehole& borehole() const { return borehole_; }
    const FaultInjector& faults() const { return faults_; }
    std::uint64_t packetsSent() const { return packetNumber_; }
    // Whether a video packet asked for again waits to be sent.
    bool resendWaiting() const { return !resends_.empty(); }
    LoggerCounts counts() const;

private:
    void apply(const Command& c, double t);
    void switchOn(double t);
    void switchOff(double t);
    double encoderScale() const; // counts per cm
    int encoderSign() const;
    std::uint8_t busyBits(LoggerPhase p) const;
    std::uint8_t flags(LoggerPhase p) const;
    LoggerHeader header(double t, LoggerPhase p);
    std::uint8_t takeCommStatus(std::uint8_t base);
    ProducedFrame produceFrame(double t, bool deliverable);
    ProducedFrame wrap(FrameKind kind, std::vector<std::uint8_t> frame, bool full, double line,
                       double period);

    SimulatorSettings settings_;
    Borehole borehole_;
    Winch winch_;
    Sonde sonde_;
    FaultInjector faults_;
    CommandParser parser_;
    SimRandom current_;

    // Applied settings.
    std::uint8_t wheel_;
    std::uint16_t encoderFrequency_;
    std::uint16_t encoderScale_;
    std::uint8_t f1Voltage_;
    std::uint8_t supplyVoltage_;
    std::uint8_t upholeGain_;
    std::uint8_t downholeEnergy_;
    double offsetMetres_ = 0; // counter depth minus winch depth, set by the depth-set order

    // Supply.
    bool supplied_ = false;
    double suppliedAt_ = 0;
    double shutdownAt_ = -1e300;
    double flashingUntil_ = -1e300;

    std::uint8_t pendingStatus_ = 0;
    std::deque<std::uint8_t> resends_;
    // Wireline time taken by packets sent again that the pictures have not yet made up: the sonde
    // keeps filming at its frame rate while a packet goes out again, so the picture that follows
    // was taken this long before it is sent.
    double resendLag_ = 0;
    std::uint64_t packetNumber_ = 0;
    std::uint64_t videoNumber_ = 0;
    LoggerCounts counts_;
    std::uint8_t counter_ = 0;
};

} // namespace zarn::sim
