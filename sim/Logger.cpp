#include "sim/Logger.h"

#include "acquisition/wire/FrameLayout.h"

#include <algorithm>
#include <cmath>

namespace zarn::sim {
namespace {

constexpr std::size_t MostPendingResends = 16;
// Pictures the sonde holds while its packets wait for the line; beyond that it films when the
// line is free again.
constexpr double MostBufferedPictures = 4;
// The wheel bits of the flags byte: cable type and pulley direction.
constexpr std::uint8_t WheelBits = 0x30;
constexpr std::uint8_t NormalPulley = 0x20;
// Speed counts per m/min at an encoder scale of 80 counts per cm (20480 / 256).
constexpr double SpeedScaleReference = 20480.0;

double seconds(int milliseconds) {
    return milliseconds / 1000.0;
}

} // namespace

Logger::Logger(const SimulatorSettings& settings)
    : settings_(settings),
      borehole_(settings.borehole, settings.sonde.inclination, settings.sonde.azimuth),
      winch_(settings.winch.startDepth, settings.winch.endDepth, settings.winch.speed),
      sonde_(settings, borehole_), faults_(settings.faults, settings.device.seed),
      current_(settings.device.seed, 31), wheel_(settings.logger.wheelByte),
      encoderFrequency_(settings.logger.encoderFrequency),
      encoderScale_(settings.logger.encoderScale), f1Voltage_(settings.logger.supplyVoltage),
      supplyVoltage_(settings.logger.supplyVoltage), upholeGain_(settings.logger.upholeGain),
      downholeEnergy_(settings.logger.downholeEnergy) {
    if (settings.sonde.powered) {
        // As if switched on long enough ago to be sending data now.
        supplied_ = true;
        suppliedAt_ = -seconds(settings.logger.bootTimeMs + settings.logger.sondeStartMs);
        sonde_.powerOn(0);
    }
}

double Logger::lineBytesPerSecond(std::uint8_t divisor) {
    return 500000.0 / std::max<std::uint8_t>(divisor, 1);
}

LoggerPhase Logger::phase(double t) const {
    if (!supplied_)
        return t < shutdownAt_ + seconds(settings_.logger.shutdownTimeMs)
                   ? LoggerPhase::ShuttingDown
                   : LoggerPhase::Off;
    const double since = t - suppliedAt_;
    if (since < seconds(settings_.logger.bootTimeMs))
        return LoggerPhase::Booting;
    if (since < seconds(settings_.logger.bootTimeMs + settings_.logger.sondeStartMs))
        return LoggerPhase::SondeStarting;
    if (t < flashingUntil_)
        return LoggerPhase::Flashing;
    return LoggerPhase::On;
}

double Logger::encoderScale() const {
    return encoderScale_ / 256.0;
}

int Logger::encoderSign() const {
    return (wheel_ & NormalPulley) ? 1 : -1;
}

double Logger::counterDepth(double t) const {
    return winch_.depthAt(t) + offsetMetres_;
}

std::int32_t Logger::depthCount(double t) const {
    const double c = encoderSign() * counterDepth(t) * 100.0 * encoderScale();
    return static_cast<std::int32_t>(std::clamp(std::llround(c), -2147483647LL, 2147483647LL));
}

std::int16_t Logger::speedCount(double t) const {
    const double c =
        encoderSign() * winch_.speedAt(t) * 100.0 * encoderScale_ / SpeedScaleReference;
    return static_cast<std::int16_t>(std::clamp(std::llround(c), -32767LL, 32767LL));
}

void Logger::switchOn(double t) {
    supplied_ = true;
    suppliedAt_ = t;
    flashingUntil_ = -1e300;
    resends_.clear();
    resendLag_ = 0;
    sonde_.powerOn(t);
}

void Logger::switchOff(double t) {
    supplied_ = false;
    shutdownAt_ = t;
    flashingUntil_ = -1e300;
    resends_.clear();
    resendLag_ = 0;
    sonde_.powerOff();
}

void Logger::receive(std::span<const std::uint8_t> bytes, double t) {
    std::vector<Command> commands;
    if (!parser_.feed(bytes, commands)) {
        pendingStatus_ |= StatusChecksumError;
        // The sonde learns of it only when the order was meant for it.
        if (!bytes.empty() && (bytes[0] == CommandId::Camera || bytes[0] == CommandId::Order))
            sonde_.commandDamaged();
    }
    for (const Command& c : commands)
        apply(c, t);
}

void Logger::apply(const Command& c, double t) {
    switch (c.id()) {
    case CommandId::PowerOff:
        wheel_ = c[1];
        if (supplied_)
            switchOff(t);
        break;
    case CommandId::Winch:
        wheel_ = c[1];
        encoderFrequency_ = c.word(2);
        encoderScale_ = c.word(4);
        f1Voltage_ = c[6];
        break;
    case CommandId::DepthSet:
        if (encoderScale_ != 0) {
            const auto preset = static_cast<std::int32_t>(
                c.word(1) | (static_cast<std::uint32_t>(c.word(3)) << 16));
            offsetMetres_ = encoderSign() * preset / (100.0 * encoderScale()) - winch_.depthAt(t);
        }
        break;
    case CommandId::Downhole:
        upholeGain_ = c[1];
        downholeEnergy_ = c[2];
        break;
    case CommandId::Line:
        supplyVoltage_ = c[2];
        sonde_.setLine(c[3], c[4]);
        sonde_.commandReceived();
        if (!supplied_)
            switchOn(t);
        break;
    case CommandId::Camera:
        sonde_.commandReceived();
        if (const auto index = sonde_.applyCameraSettings(c)) {
            if (phase(t) == LoggerPhase::On && resends_.size() < MostPendingResends)
                resends_.push_back(*index);
        }
        break;
    case CommandId::Order:
        sonde_.commandReceived();
        if (sonde_.applyOrder(c) && supplied_)
            flashingUntil_ = t + seconds(settings_.sonde.flashTimeMs);
        break;
    default:
        break;
    }
}

std::uint8_t Logger::busyBits(LoggerPhase p) const {
    switch (p) {
    case LoggerPhase::Off:
        return 0;
    case LoggerPhase::Booting:
    case LoggerPhase::ShuttingDown:
        return BusySupply;
    default:
        return BusySupply | BusySonde;
    }
}

std::uint8_t Logger::flags(LoggerPhase p) const {
    return static_cast<std::uint8_t>((wheel_ & WheelBits) | busyBits(p));
}

LoggerHeader Logger::header(double t, LoggerPhase p) {
    LoggerHeader h;
    h.flags = flags(p);
    h.status1 = upholeGain_;
    h.status2 = downholeEnergy_;
    h.depthCount = depthCount(t);
    h.speedCount = speedCount(t);
    if (p != LoggerPhase::Off) {
        h.valueA = p == LoggerPhase::ShuttingDown ? 0 : supplyVoltage_;
        const double base = p == LoggerPhase::Booting        ? settings_.logger.sondeCurrentMa + 40
                            : p == LoggerPhase::ShuttingDown ? 0
                                                             : settings_.logger.sondeCurrentMa;
        const double ma = base > 0 ? base + 2.0 * current_.normal() : 0;
        h.valueB = static_cast<std::uint8_t>(std::clamp(std::lround(ma), 0L, 255L));
    }
    return h;
}

std::uint8_t Logger::takeCommStatus(std::uint8_t base) {
    const std::uint8_t s = pendingStatus_ ? pendingStatus_ : base;
    pendingStatus_ = 0;
    return s;
}

ProducedFrame Logger::wrap(FrameKind kind, std::vector<std::uint8_t> frame, bool full, double line,
                           double period) {
    ++packetNumber_;
    faults_.spoilChecksum(frame, full, packetNumber_);
    ProducedFrame out;
    out.kind = kind;
    out.packet = LoggerFrames::usbPacket(counter_++, frame);
    faults_.damagePacket(out.packet, packetNumber_);
    out.lineSeconds = line;
    out.periodSeconds = std::max(line, period);
    return out;
}

LoggerCounts Logger::counts() const {
    LoggerCounts c = counts_;
    c.videoPackets = videoNumber_;
    return c;
}

ProducedFrame Logger::produce(double t, bool deliverable) {
    ProducedFrame f = produceFrame(t, deliverable);
    switch (f.kind) {
    case FrameKind::Status:
        ++counts_.statusFrames;
        break;
    case FrameKind::Short:
        ++counts_.shortFrames;
        break;
    case FrameKind::Resent:
        ++counts_.resentVideoPackets;
        ++counts_.fullFrames;
        break;
    case FrameKind::Full:
        ++counts_.fullFrames;
        break;
    case FrameKind::LostOnLine:
        break; // never reached the logger: no USB packet
    }
    return f;
}

ProducedFrame Logger::produceFrame(double t, bool deliverable) {
    const LoggerPhase p = phase(t);
    const double statusPeriod = seconds(settings_.logger.statusPeriodMs);
    const double rate = lineBytesPerSecond(sonde_.baudDivisor());

    if (p != LoggerPhase::On)
        resendLag_ = 0; // the camera's pace starts again with the data frames
    if (p == LoggerPhase::Off || p == LoggerPhase::Booting || p == LoggerPhase::ShuttingDown) {
        if (!deliverable) {
            ++packetNumber_;
            ++counter_;
            return {FrameKind::Status, {}, 0, statusPeriod};
        }
        const LoggerHeader h = header(t, p);
        StatusFields s;
        s.flags = h.flags;
        s.echoWord2 = encoderFrequency_;
        s.echoWord4 = settings_.faults.wrongWinchEcho
                          ? static_cast<std::uint16_t>(encoderScale_ + 1)
                          : encoderScale_;
        s.echoByte6 = f1Voltage_;
        s.status1 = upholeGain_;
        s.status2 = downholeEnergy_;
        s.depthCount = h.depthCount;
        s.speedCount = h.speedCount;
        s.valueA = h.valueA;
        s.valueB = h.valueB;
        takeCommStatus(0);
        return wrap(FrameKind::Status, LoggerFrames::statusFrame(s), false, 0, statusPeriod);
    }

    if (p == LoggerPhase::SondeStarting || p == LoggerPhase::Flashing) {
        const std::uint8_t base =
            p == LoggerPhase::Flashing ? StatusUpdating : StatusParameterUpdate;
        std::vector<std::uint8_t> f = LoggerFrames::shortFrame(header(t, p), takeCommStatus(base));
        const double line = f.size() / rate;
        if (!deliverable) {
            ++packetNumber_;
            ++counter_;
            return {FrameKind::Short, {}, line, statusPeriod};
        }
        return wrap(FrameKind::Short, std::move(f), false, line, statusPeriod);
    }

    // Sonde on: full data frames, a packet asked for again first.
    winch_.start(t + settings_.winch.startDelay);
    const double period = sonde_.framePeriodMs() / 1000.0;
    SondePart part;
    FrameKind kind = FrameKind::Full;
    bool fresh = true;
    while (!resends_.empty()) {
        const std::uint8_t index = resends_.front();
        resends_.pop_front();
        if (auto kept = sonde_.resend(index)) {
            part = std::move(*kept);
            kind = FrameKind::Resent;
            fresh = false;
            break;
        }
    }
    bool lost = false;
    if (fresh) {
        ++videoNumber_;
        lost = faults_.loseVideoPacket(videoNumber_);
        const double taken = t - resendLag_;
        const double reference = winch_.depthAt(taken);
        const CaptureMoment moment{taken, reference - settings_.sonde.cameraOffsetCm / 100.0,
                                   reference - settings_.sonde.deviationOffsetCm / 100.0,
                                   depthCount(taken)};
        // A packet lost on the wireline was still taken, and kept for a re-request.
        part = sonde_.capture(moment, deliverable || lost);
    }
    const double line = (frame::full::Overhead + part.payload.size()) / rate;
    part.block[frame::sonde::BufferFill] =
        static_cast<std::uint8_t>(std::clamp(std::lround(8.0 * line / period), 0L, 16L));
    double slot = 0;
    if (kind == FrameKind::Resent) {
        // Out as soon as the line is free; the next picture waits for it.
        slot = line;
        resendLag_ = std::min(resendLag_ + line, MostBufferedPictures * period);
    } else {
        // The next picture is due one frame period after this one was taken.
        slot = std::max(line, period - resendLag_);
        resendLag_ = std::max(0.0, resendLag_ - std::max(0.0, period - slot));
    }
    if (lost)
        return {FrameKind::LostOnLine, {}, line, std::max(line, slot)};
    if (!deliverable) {
        ++packetNumber_;
        ++counter_;
        return {kind, {}, line, std::max(line, slot)};
    }
    std::vector<std::uint8_t> f =
        LoggerFrames::fullFrame(header(t, p), part, takeCommStatus(StatusAccepted));
    return wrap(kind, std::move(f), true, line, slot);
}

} // namespace zarn::sim
