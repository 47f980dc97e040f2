#include "acquisition/stream/ToolsStream.h"

#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/stream/FrameFields.h"
#include "acquisition/stream/Orientation.h"
#include "acquisition/wire/FrameLayout.h"
#include "platform/Format.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <type_traits>

namespace zarn {

static_assert(std::is_trivially_copyable_v<MeasurementRecord>,
              "the record is copied on every frame and must never allocate");

namespace {

using namespace frame;

constexpr const char* TraceLocation = "CToolsStream";

constexpr std::uint8_t LoggerAccepted = 0x01;  // communication status bit 0
constexpr std::uint8_t LoggerErrorBits = 0xC6; // no response, internal, bad length, bad data
constexpr std::uint8_t NoSondeDataBit = 0x80;  // communication status bit 7
constexpr std::uint8_t ChecksumErrorStatus = 0x08;

// Without a depth scale (the winch settings not yet computed) or a pulse resolution no depth or
// speed can be derived: they read 0 rather than an infinite or undefined value.
double depthOf(std::int32_t count, double depthScale) {
    if (!(depthScale > 0.0) || !std::isfinite(depthScale))
        return 0.0;
    return count / (depthScale * 100.0);
}

double speedOf(std::int16_t count, double wheelValue, std::int32_t pulsResolution) {
    if (pulsResolution <= 0 || !std::isfinite(wheelValue))
        return 0.0;
    return wheelValue * 2.0 / pulsResolution * count / 100.0;
}

class NoSink : public StreamSink {};
class NoLink : public FrameSource {};

NoSink noSink;
NoLink noLink;

} // namespace

CToolsStream::CToolsStream(StreamSink* sink, FrameSource* link, MessageBus& bus)
    : sink_(sink ? *sink : noSink), link_(link ? *link : noLink), bus_(bus) {
    payload_.reserve(8192);
}

// ---------------------------------------------------------------------------------------------
// Publication and the requests of other threads

void CToolsStream::applyRequests(unsigned requests, MeasurementRecord& record) {
    if (requests & ResetGood)
        record.Counters.GoodFrames = 0;
    if (requests & ResetRecent)
        record.Counters.RecentGoodFrames = 0;
    if (requests & ClearStatusReceived)
        record.LoggerStatus.StatusReceived = 0;
    if (requests & ClearOrientation) {
        // The ten values the orientation gives: raw sensors, the two rolls, inclination and
        // azimuth.
        OrientationValues& o = record.Orientation;
        for (double* v : {&o.GX, &o.GY, &o.GZ, &o.HX, &o.HY, &o.HZ, &o.Roll, &o.MagneticRoll,
                          &o.Inclination, &o.Azimuth})
            *v = NoOrientationData;
    }
}

void CToolsStream::request(unsigned requests) {
    // Under the publication lock: the published copy shows the change at once, and the next
    // publication cannot overwrite it before the decoder has taken the request over.
    published_.modify([&](MeasurementRecord& shown) {
        applyRequests(requests, shown);
        requests_.fetch_or(requests);
    });
}

void CToolsStream::publish() {
    published_.modify([&](MeasurementRecord& shown) {
        applyRequests(requests_.exchange(0), record_);
        shown = record_;
    });
}

MeasurementRecord CToolsStream::snapshot() const {
    return published_.snapshot();
}

void CToolsStream::setSettings(const DecoderSettings& settings) {
    settings_.publish(settings);
}
DecoderSettings CToolsStream::settings() const {
    return settings_.snapshot();
}

void CToolsStream::resetGoodFrameCount() {
    request(ResetGood);
}
void CToolsStream::resetRecentGoodFrames() {
    request(ResetRecent);
}
void CToolsStream::clearStatusReceived() {
    request(ClearStatusReceived);
}
void CToolsStream::clearOrientationResults() {
    request(ClearOrientation);
}
void CToolsStream::requestFlashRecord() {
    flashRequested_ = true;
}
bool CToolsStream::flashRecordRequested() const {
    return flashRequested_;
}
SondeFlashRecord CToolsStream::flashRecord() const {
    return flashRecord_.snapshot();
}

// ---------------------------------------------------------------------------------------------
// Pieces shared by the decoders

void CToolsStream::trace(const std::string& text) const {
    DiagnosticLogs::instance().traceLog(TraceLocation, text);
}

std::string CToolsStream::communicationStatusLine(std::string head, std::uint8_t status) {
    head += communicationStatusTexts(status);
    head += '\n';
    return head;
}

void CToolsStream::setDepthAndSpeed(std::int32_t depthCount, std::int16_t speedCount,
                                    const DecoderSettings& s) {
    record_.LoggerDepth = depthOf(depthCount, s.depthScale);
    record_.Speed = speedOf(speedCount, s.wheelValue, s.pulsResolution);
    record_.Direction = speedCount >= 0 ? 1 : 0;
}

void CToolsStream::setValues(int a, int b) {
    record_.ValueA = a;
    record_.ValueAText = format("%d", a);
    record_.ValueB = b;
    record_.ValueBText = format("%d", b);
}

void CToolsStream::clearTemperatures() {
    record_.CameraTemperature = 0;
    record_.CameraTemperatureText = "-";
    record_.SecondTemperature = 0;
    record_.SecondTemperatureText = "-";
}

void CToolsStream::takeLoggerHeader(std::span<const std::uint8_t> f, const DecoderSettings& s) {
    LoggerStatusBytes& status = record_.LoggerStatus;
    status.Byte0 = f[StatusFlags];
    status.Byte1 = f[StatusByte1];
    status.Byte2 = f[StatusByte2];
    status.Flags = f[StatusFlags];
    setDepthAndSpeed(s32(f, DepthCount), s16(f, SpeedCount), s);
    setValues(f[ValueA], f[ValueB]);
}

void CToolsStream::raiseAlarms(std::uint8_t statusFlags) {
    // With both bits set the battery alarm comes last and stays on screen.
    if (statusFlags & EncoderErrorBit)
        sink_.showAlarm(0, "Invalid Depth !!!", "Encoder Error");
    if (statusFlags & LowBatteryBit)
        sink_.showAlarm(1, "Low Battery.", "Low battery / Power Failure !!!");
}

void CToolsStream::countBadFrame() {
    if (record_.Counters.GoodFrames > 0)
        ++record_.Counters.BadFrames;
}

// ---------------------------------------------------------------------------------------------
// 16-byte logger frame

bool CToolsStream::DecodeShortFrame(std::span<const std::uint8_t> f) {
    applyRequests(requests_.exchange(0), record_);
    if (f.size() != shortframe::Size) {
        trace(format("ToolStream::16 bytes receiving USBFrame:%2X Bad length %zu !!!\n",
                     link_.frameCounter(), f.size()));
        return false;
    }
    if (sum16(f.first(shortframe::Checksum)) != u16(f, shortframe::Checksum)) {
        trace(format("ToolStream::16 bytes receiving USBFrame:%2X Checksum error !!!\n",
                     link_.frameCounter()));
        return false;
    }
    const DecoderSettings s = settings_.snapshot();
    const std::uint8_t comm = f[shortframe::CommStatus];
    record_.CommStatus = comm;
    record_.LoggerStatus.CommStatus = comm;
    takeLoggerHeader(f, s);
    record_.LoggerStatus.Word3 = u16(f, StatusWord3);
    record_.SondeDataFlag = -1;
    clearTemperatures();
    record_.UpholeDriveText = "-";
    record_.BaudText = "-";
    publish();
    bus_.post(Role::CommunicationPage, command(Cmd::CommunicationRefresh));
    if (!(comm & LoggerAccepted)) {
        trace(communicationStatusLine(
            format("ToolStream::16 bytes receiving USBFrame:%2X Comm status %2X ->",
                   link_.frameCounter(), comm),
            comm));
    }
    sink_.refreshMainWindow();

    if (!(comm & NoSondeDataBit)) {
        record_.Orientation.InclinationText.clear();
        record_.Orientation.AzimuthText.clear();
        OrientedFormula(NoOrientationData, NoOrientationData, NoOrientationData, NoOrientationData,
                        NoOrientationData, NoOrientationData, record_.Orientation,
                        s.orientationMode, s.magneticOffset, s.imageOffset);
    }
    publish();
    raiseAlarms(f[StatusFlags]);
    return true;
}

// ---------------------------------------------------------------------------------------------
// 20-byte logger status frame

bool CToolsStream::DecodeStatusFrame(std::span<const std::uint8_t> f) {
    applyRequests(requests_.exchange(0), record_);
    if (f.size() != status::Size) {
        trace(format("ToolStream::20 bytes receiving USBFrame:%2X Bad length %zu !!!\n",
                     link_.frameCounter(), f.size()));
        return false;
    }
    const DecoderSettings s = settings_.snapshot();
    record_.SondeDataFlag = -1;
    if (sum16(f.first(status::Checksum)) != u16(f, status::Checksum)) {
        record_.CommStatus = ChecksumErrorStatus;
        record_.LoggerStatus.CommStatus = ChecksumErrorStatus;
        publish();
        sink_.refreshMainWindow();
        return false;
    }
    LoggerStatusBytes& st = record_.LoggerStatus;
    st.Byte0 = f[status::StatusFlags];
    st.Byte1 = f[status::StatusByte1];
    st.Byte2 = f[status::StatusByte2];
    st.Word3 = u16(f, status::StatusWord);
    st.Flags = f[status::StatusFlags];
    st.EchoWord2 = u16(f, status::EchoWord2);
    st.EchoWord4 = u16(f, status::EchoWord4);
    st.EchoByte6 = f[status::EchoByte6];
    st.StatusReceived = 1;
    setDepthAndSpeed(s32(f, status::DepthCount), s16(f, status::SpeedCount), s);
    record_.ElapsedTimeText.clear();
    setValues(f[status::ValueA], f[status::ValueB]);
    clearTemperatures();
    record_.CommStatus = 0;
    st.CommStatus = 0;
    publish();
    sink_.refreshMainWindow();

    if (!s.replayRunning) {
        record_.UpholeDriveText = "-";
        record_.BaudText = "-";
        record_.GammaCount = 0;
        record_.Gamma = 0;
    }
    publish();

    const std::optional<WinchSettingsEcho> sent = link_.lastWinchSettings();
    if (sent && *sent != WinchSettingsEcho{st.EchoWord2, st.EchoWord4, st.EchoByte6})
        link_.resendWinchSettings();
    raiseAlarms(f[status::StatusFlags]);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Held video packet: its logger header only

bool CToolsStream::DecodePacketHeader(std::span<const std::uint8_t> f) {
    applyRequests(requests_.exchange(0), record_);
    if (f.size() < full::MinimumSize) {
        trace(format("ToolStream::Full data receiving USBFrame:%2X Bad length %zu !!!\n",
                     link_.frameCounter(), f.size()));
        return false;
    }
    const DecoderSettings s = settings_.snapshot();
    takeLoggerHeader(f, s);
    const std::uint8_t comm = f[f.size() - full::CommStatusFromEnd];
    record_.CommStatus = comm;
    record_.LoggerStatus.CommStatus = comm;
    record_.LoggerStatus.StatusReceived = 1;
    publish();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Full data frame

void CToolsStream::takeSondeBlock(std::span<const std::uint8_t> f, const DecoderSettings& s) {
    const std::span<const std::uint8_t> block = f.subspan(full::SondeBlock, full::SondeBlockSize);
    record_.SondeDataFlag = (block[sonde::LightPower] & 0x80) ? 1 : 0;

    SondeStatusBytes& st = record_.SondeStatus;
    const ShutterSetting shutter = shutterSetting(s.shutter, block[sonde::Shutter]);
    st.LightPower = block[sonde::LightPower] & 0x7F;
    st.Shutter = shutter.shutter;
    st.FramePeriod = block[sonde::FramePeriod];
    st.BaudDivisor = block[sonde::BaudDivisor] & 0x7F;
    st.Byte19 = block[sonde::Byte19];
    st.BufferFill = block[sonde::BufferFill];
    st.Byte21 = block[sonde::Byte21];
    record_.ShutterFactor = shutter.factor;

    const std::uint8_t camera = block[sonde::CameraTemperature];
    record_.CameraTemperature = camera * 0.5;
    record_.CameraTemperatureText = format("%d", camera >> 1);
    record_.SecondTemperature = secondTemperatureOf(block[sonde::SecondTemperature]);
    record_.SecondTemperatureText = format("%4.1f", record_.SecondTemperature);
    record_.UpholeDriveText = format("%d", block[sonde::UpholeDrive]);
    record_.GammaCount = u16(block, sonde::GammaCount);
    record_.Gamma = record_.GammaCount * s.gammaCoefficient;

    const std::uint8_t mode = block[sonde::ImageMode];
    record_.ResolutionCode = mode >> 5;
    record_.PixelsPerRow = pixelsPerRowOf(record_.ResolutionCode);
    record_.CompressionMode = mode & 0x18;
    record_.CompressionParameter = mode & 0x07;

    // The orientation group keeps its values from frame to frame: what a computation that stops
    // early does not reach stays as the frames before left it. OrientedFormula stores the raw
    // values and the validity itself.
    OrientedFormula(s16(f, full::GX), s16(f, full::GY), s16(f, full::GZ), s16(f, full::HX),
                    s16(f, full::HY), s16(f, full::HZ), record_.Orientation, s.orientationMode,
                    s.magneticOffset, s.imageOffset);

    record_.ImageDepth =
        depthOf(s32(block, sonde::CameraDepthCount), s.depthScale) - s.cameraOffset / 100.0;
    record_.ViewMode = s.viewMode;
}

void CToolsStream::handOnImage(std::span<const std::uint8_t> f, int payloadLength) {
    const RecordingDecision decision = sink_.recordingRule(record_);
    int direction = rememberedDirection_;
    if (std::abs(record_.Speed) > 0.1) {
        direction = record_.Direction;
        rememberedDirection_ = direction;
    }
    if (decision.draw) {
        const int pixels = record_.PixelsPerRow;
        const int parameter = record_.CompressionParameter;
        switch (record_.CompressionMode) {
        case 8:
            sink_.decodeMode8(payload_, pixels, direction, parameter, record_);
            lastDirectionUsed_ = direction;
            break;
        case 16:
            sink_.decodeMode16(payload_, pixels, direction, parameter, record_);
            lastDirectionUsed_ = direction;
            break;
        case 0:
            sink_.decodeUncompressed(payload_, pixels, lastDirectionUsed_, record_);
            break;
        default: // bits 4 and 3 both set: no known compression, nothing to draw
            break;
        }
    }
    if (decision.write)
        sink_.writeLogFile(f, payloadLength, record_);
}

void CToolsStream::storeFlashRecord(std::span<const std::uint8_t> f) {
    // The record takes the place of the video payload; a short frame gives a short record,
    // zero-filled.
    const std::size_t available = f.size() - full::Overhead + 2; // N - 54
    record_.PayloadLength = static_cast<int>(available);
    SondeFlashRecord flash{};
    const std::size_t n = std::min(available, flash.size());
    std::copy_n(f.begin() + full::Payload, n, flash.begin());
    flashRecord_.publish(flash);
    publish();
    bus_.send(Role::ProductTools, command(Cmd::FlashRecord));
}

int CToolsStream::DecodeFullFrame(std::span<const std::uint8_t> f, bool current) {
    applyRequests(requests_.exchange(0), record_);
    const std::size_t n = f.size();
    if (n < full::MinimumSize) {
        trace(format("ToolStream::Full data receiving USBFrame:%2X Bad length %zu !!!\n",
                     link_.frameCounter(), n));
        countBadFrame();
        publish();
        return FrameResult::Dropped;
    }
    const DecoderSettings s = settings_.snapshot();

    const std::uint8_t comm = f[n - full::CommStatusFromEnd];
    if (current) {
        record_.CommStatus = comm;
        record_.LoggerStatus.CommStatus = comm;
    }
    const bool accepted = comm & LoggerAccepted;
    if (!accepted) {
        trace(communicationStatusLine(
            format("ToolStream::Full data  receiving USBFrame:%2X Comm status %2X ->",
                   link_.frameCounter(), comm),
            comm));
    }

    const std::size_t packLength = full::PackChecksum - full::SondeBlock;
    if (sum16(f.subspan(full::SondeBlock, packLength)) != u16(f, full::PackChecksum)) {
        // A corrupt sonde block is never decoded, whatever the logger reported.
        trace(format("ToolStream::Full data receiving USBFrame:%2X Pack Checksum error !!!\n",
                     link_.frameCounter()));
        countBadFrame();
        publish();
        return FrameResult::Dropped;
    }
    if (!accepted && (comm & LoggerErrorBits)) {
        countBadFrame();
        publish();
        return FrameResult::LoggerError + comm;
    }

    FrameCounters& counters = record_.Counters;
    ++counters.GoodFrames;
    if (counters.RecentGoodFrames < FrameCounters::RecentGoodFramesLimit)
        ++counters.RecentGoodFrames;

    if (current) {
        takeLoggerHeader(f, s);
        record_.LoggerStatus.StatusReceived = 1;
    }
    publish();
    sink_.refreshMainWindow();
    takeSondeBlock(f, s);

    const std::size_t payloadLength = n - full::Overhead;
    record_.PayloadLength = static_cast<int>(payloadLength);
    const std::span<const std::uint8_t> payload = f.subspan(full::Payload, payloadLength);
    payload_.assign(payload.begin(), payload.end());
    const std::uint16_t videoSum = sum16(payload_);

    publish();
    bus_.post(Role::CommunicationPage, command(Cmd::CommunicationRefresh));
    for (const Role role :
         {Role::CommunicationPage, Role::CameraPanel, Role::ProbePage, Role::DeviationWindow})
        bus_.post(role, command(Cmd::ReadBackRefresh));

    if (videoSum != u16(f, n - full::VideoChecksumFromEnd)) {
        trace(format("ToolStream::Full data receiving USBFrame:%2X Video Checksum error !!!\n",
                     link_.frameCounter()));
        return FrameResult::Dropped;
    }

    if (readDspTrailer(payload_, record_.ReadBack)) {
        publish();
        bus_.send(Role::DiagnosticPanel, command(Cmd::CommunicationRefresh));
    }

    const std::span<const std::uint8_t> block = f.subspan(full::SondeBlock, full::SondeBlockSize);
    record_.PacketIndex = block[sonde::PacketIndex];
    record_.PictureNumber = u32(block, sonde::PictureNumber);

    if (block[sonde::ImageMode] != 0)
        handOnImage(f, record_.PayloadLength);
    else if (flashRequested_.exchange(false))
        storeFlashRecord(f);
    publish();
    return FrameResult::Ok;
}

} // namespace zarn
