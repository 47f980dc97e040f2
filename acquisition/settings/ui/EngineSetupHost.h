// The logger setup sheet's host over the acquisition engine: the engine's configuration, its
// link's orders and the measurement record (live, or the replayed one in replay).
#pragma once

#include "acquisition/settings/LoggerSetupHost.h"

namespace zarn {
class AcquisitionEngine;
}

namespace zarn::ui {

class EngineSetupHost final : public LoggerSetupHost {
public:
    explicit EngineSetupHost(AcquisitionEngine& engine) : engine_(engine) {}

    Configuration configuration() const override;
    [[nodiscard]] bool editConfiguration(const std::function<void(Configuration&)>& edit) override;
    [[nodiscard]] bool claimLinkForCommand() override;
    bool frameInProgress() const override;
    [[nodiscard]] bool send(SetupOrder order) override;
    std::optional<WinchFrameBytes> sentWinchFrame() const override;
    std::optional<DownholeFrameBytes> sentDownholeFrame() const override;
    LoggerReadBack readBack() const override;
    SetupRunState runState() const override;

private:
    AcquisitionEngine& engine_;
};

} // namespace zarn::ui
