#include "acquisition/settings/ui/EngineSetupHost.h"

#include "acquisition/engine/AcquisitionEngine.h"
#include "acquisition/link/LinkState.h"
#include "acquisition/settings/LineSpeedTable.h"

#include <algorithm>

namespace zarn::ui {

Configuration EngineSetupHost::configuration() const {
    return engine_.configuration();
}

bool EngineSetupHost::editConfiguration(const std::function<void(Configuration&)>& edit) {
    return engine_.editConfiguration(edit);
}

bool EngineSetupHost::claimLinkForCommand() {
    return engine_.link().claimLinkForCommand();
}

bool EngineSetupHost::frameInProgress() const {
    return engine_.link().pendingLength() != 0;
}

bool EngineSetupHost::send(SetupOrder order) {
    switch (order) {
    case SetupOrder::WinchSettings:
        return engine_.link().sendF1();
    case SetupOrder::DownholeSettings:
        return engine_.link().sendF3();
    case SetupOrder::SurfaceVoltage:
        return engine_.link().sendF11();
    }
    return false;
}

std::optional<WinchFrameBytes> EngineSetupHost::sentWinchFrame() const {
    const std::optional<CommandFrame> f = engine_.link().lastWinchSettingsFrame();
    if (!f || f->length < WinchFrameBytes{}.size())
        return std::nullopt;
    WinchFrameBytes b{};
    std::copy_n(f->bytes.begin(), b.size(), b.begin());
    return b;
}

std::optional<DownholeFrameBytes> EngineSetupHost::sentDownholeFrame() const {
    const std::optional<CommandFrame> f = engine_.link().lastDownholeSettingsFrame();
    if (!f || f->length < DownholeFrameBytes{}.size())
        return std::nullopt;
    DownholeFrameBytes b{};
    std::copy_n(f->bytes.begin(), b.size(), b.begin());
    return b;
}

LoggerReadBack EngineSetupHost::readBack() const {
    const bool replay = engine_.recorderState().replayActive.load();
    const MeasurementRecord m = replay ? engine_.replayedRecord() : engine_.stream().snapshot();
    LoggerReadBack r;
    r.frames = engine_.link().frameCounter();
    r.statusFlags = m.LoggerStatus.Flags;
    r.echoWord2 = m.LoggerStatus.EchoWord2;
    r.echoWord4 = m.LoggerStatus.EchoWord4;
    r.upholeGain = m.LoggerStatus.Byte1;
    r.downholeEnergy = m.LoggerStatus.Byte2;
    r.commStatus = m.CommStatus;
    r.sondeDataFlag = m.SondeDataFlag;
    if (replay)
        r.baudText = m.BaudText.c_str();
    else if (m.SondeDataFlag >= 0)
        r.baudText = std::string(baudRateText(m.SondeStatus.BaudDivisor));
    r.upholeDriveText = m.UpholeDriveText.c_str();
    r.sondeVoltageText = m.CameraTemperatureText.c_str();
    return r;
}

SetupRunState EngineSetupHost::runState() const {
    const RecorderState& s = engine_.recorderState();
    SetupRunState r;
    r.sondePowered = s.sondeOn.load();
    r.recording = s.recording.load();
    r.replay = s.replayActive.load();
    r.liveRunning = r.sondePowered && !r.replay;
    r.loggerFrames = engine_.link().linkState() >= LinkState::LoggerOnly;
    return r;
}

} // namespace zarn::ui
