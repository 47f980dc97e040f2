#include "acquisition/logfiles/DataLogReader.h"

#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/logfiles/LogRecord.h"
#include "acquisition/settings/LineSpeedTable.h"
#include "acquisition/stream/FrameFields.h"
#include "acquisition/stream/Orientation.h"
#include "platform/Format.h"
#include "platform/UserMessages.h"

#include <algorithm>
#include <cmath>

namespace zarn {
namespace {

using namespace logrecord;
using frame::s16;
using frame::s32;
using frame::u16;
using frame::u32;

constexpr int SearchProgressEvery = 100;

void troubleOpening() {
    UserMessages::current().notify(
        UserMessage{"Trouble opening file.", "ZARN", MessageIcon::Error, MessageButtons::Ok});
}

} // namespace

ReplayHeaderValues ReplayHeaderValues::from(const HeaderInfo& info) {
    ReplayHeaderValues values;
    values.gammaCoef = info.GammaCoef;
    values.orientationMode = info.OrientationMode;
    values.magneticDeclination = info.MagneticDeclination;
    values.imageOffset = info.ImageOffset;
    return values;
}

CDataLogReader::CDataLogReader(ReplaySink* sink, LogFilesDisplay* display, MessageBus& bus)
    : sink_(sink), display_(display), bus_(bus) {}

void CDataLogReader::SetDataFile(const std::filesystem::path& dataFile) {
    if (dataFile != path_)
        file_.close();
    path_ = dataFile;
}

void CDataLogReader::Close() {
    file_.close();
}

bool CDataLogReader::openFile() {
    return file_.open(path_);
}

void CDataLogReader::trace(const char* text) const {
    DiagnosticLogs::instance().traceLog("CDataLogReader", text);
}

void CDataLogReader::fillRecord(std::span<const std::uint8_t> r) {
    MeasurementRecord& m = record_;
    const std::int16_t speed = s16(r, Speed);
    direction_ = speed >= 0 ? 1 : 0;
    m.Direction = direction_;
    lastLoggerDepth_ = loggerDepthOf(r);
    if (!sink_ || !sink_->liveFramesArriving()) {
        m.LoggerDepth = lastLoggerDepth_;
        m.Speed = speed / SpeedUnitsPerMetrePerMinute;
    }

    m.CameraTemperature = r[CameraTemperature] * 0.5;
    m.CameraTemperatureText = format("%5.1f", m.CameraTemperature);
    m.SecondTemperature = secondTemperatureOf(r[SecondTemperature]);
    m.SecondTemperatureText = format("%4.1f", m.SecondTemperature);

    const std::uint32_t elapsedMs = u32(r, ElapsedMs);
    m.ElapsedTime = elapsedMs / 1000.0;
    m.ElapsedTimeText = elapsedTimeText(elapsedMs);

    m.BaudText = baudRateText(r[BaudDivisor]);
    m.UpholeDriveText = format("%d", r[UpholeDrive]);

    m.GammaCount = u16(r, GammaCount);
    m.Gamma = m.GammaCount * header_.gammaCoef;

    m.Orientation.Validity = OrientedFormula(
        s16(r, GX), s16(r, GY), s16(r, GZ), s16(r, HX), s16(r, HY), s16(r, HZ), m.Orientation,
        header_.orientationMode, header_.magneticDeclination, header_.imageOffset);

    SondeStatusBytes& st = m.SondeStatus;
    st.Shutter = r[Shutter];
    m.ShutterFactor = shutterFactorOf(r[Shutter]);
    st.LightPower = r[LightPower] & 0x7F;
    m.SondeDataFlag = (r[LightPower] & 0x80) ? 1 : 0;
    st.FramePeriod = r[FramePeriod];
    st.BaudDivisor = r[BaudDivisor] & 0x7F;
    st.Byte19 = r[Byte19];
    st.BufferFill = r[BufferFill];
    st.Byte21 = r[Byte21];

    m.ImageDepth = imageDepthOf(r);
    const std::uint8_t mode = r[ImageMode];
    m.ResolutionCode = mode >> 5;
    m.PixelsPerRow = pixelsPerRowOf(m.ResolutionCode);
    m.CompressionMode = mode & 0x18;
    m.CompressionParameter = mode & 0x07;
    m.PacketIndex = r[PacketIndex];
    m.PictureNumber = u32(r, PictureNumber);
    m.PayloadLength = static_cast<int>(r.size() - HeadSize);
    m.ViewMode = r[ViewMode];
}

void CDataLogReader::handOn(std::span<const std::uint8_t> payload) {
    if (sink_)
        sink_->publishRecord(record_, lastLength_);
    bus_.post(Role::CameraPanel, command(Cmd::FrameShown));
    bus_.post(Role::CommunicationPage, command(Cmd::CommunicationRefresh));
    for (const Role role :
         {Role::CommunicationPage, Role::CameraPanel, Role::ProbePage, Role::DeviationWindow})
        bus_.post(role, command(Cmd::ReadBackRefresh));
    if (!sink_)
        return;
    switch (record_.CompressionMode) {
    case 8:
        sink_->decodeMode8(payload, record_.PixelsPerRow, direction_, record_.CompressionParameter,
                           record_);
        break;
    case 16:
        sink_->decodeMode16(payload, record_.PixelsPerRow, direction_, record_.CompressionParameter,
                            record_);
        break;
    default: // mode 0 and unknown modes are not drawn in replay
        break;
    }
}

bool CDataLogReader::ReadDataLineInFile(std::int64_t& position) {
    // A read from the start of a file (a new file, a rewind) opens it again, so a file that was
    // replaced in the meantime is read as it is now.
    if ((!file_.isOpen() || position == 0) && !openFile()) {
        troubleOpening();
        return false;
    }
    if (position < 0) {
        trace("file set pos error ... EOF?");
        return false;
    }
    const auto head = file_.bytesAt(position, HeadSize);
    if (head.empty()) {
        if (file_.failed())
            trace("file get pos error ... EOF?");
        return false;
    }
    const std::uint16_t length = lengthOf(head);
    if (!soundLength(length))
        return false;
    const auto whole = file_.bytesAt(position, length);
    if (whole.empty()) {
        if (file_.failed())
            trace("file get pos error ... EOF?");
        return false;
    }
    position += length;
    lastLength_ = length;
    fillRecord(whole);
    handOn(whole.subspan(HeadSize));
    return true;
}

bool CDataLogReader::SearchDepth(std::int64_t& position, double targetMetres, Progress& progress) {
    if (!ReadDataLineInFile(position))
        return false;
    position = 0;
    if (std::ceil(lastLoggerDepth_ * DepthUnitsPerMetre) / DepthUnitsPerMetre == targetMetres)
        return true;

    if (!file_.isOpen() && !openFile()) {
        troubleOpening();
        return false;
    }
    if (display_)
        display_->setWaitCursor(true);
    bool found = false;
    std::int64_t at = 0;
    const double size = static_cast<double>(std::max<std::size_t>(file_.size(), 1));
    for (int count = 1;; ++count) {
        if (progress.cancelled())
            break;
        progress.fraction(static_cast<double>(at) / size);
        const auto head = file_.bytesAt(at, HeadSize);
        if (head.empty())
            break;
        const std::uint16_t length = lengthOf(head);
        const double depth = loggerDepthOf(head);
        const bool down = speedOf(head) >= 0;
        if (!soundLength(length) || file_.bytesAt(at, length).empty())
            break;
        if (down ? depth >= targetMetres : depth <= targetMetres) {
            found = true;
            break;
        }
        at += length;
        if (count % SearchProgressEvery == 0 && display_)
            display_->showStatusText(
                format("Search Depht Position %.2f .wait... File at :%.2f", targetMetres, depth));
    }
    if (display_) {
        display_->setWaitCursor(false);
        display_->showStatusText("File Position Find ...");
    }
    if (!found)
        return false;
    position = at;
    return ReadDataLineInFile(position);
}

void CDataLogReader::ClearOrientation() {
    // The displayed results only, as the orientation computation marks missing data: the row
    // shift keeps a finite value for the image row builder.
    OrientationValues& o = record_.Orientation;
    for (double* value :
         {&o.Roll, &o.MagneticRoll, &o.Inclination, &o.Azimuth, &o.TotalGravity, &o.TotalMagnetic})
        *value = NoOrientationData;
    if (sink_)
        sink_->publishRecord(record_, lastLength_);
}

void CDataLogReader::ClearSpeed() {
    if (!sink_ || sink_->liveFramesArriving())
        return;
    record_.Speed = 0.0;
    sink_->publishRecord(record_, lastLength_);
}

} // namespace zarn
