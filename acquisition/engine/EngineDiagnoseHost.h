// The diagnostic panel's host in the program: the link's counters and the raw gamma of the
// record shown, the counter reset, and the diagnostic order (F13.6) through the link's ready
// protocol, the other working values of the F13 orders kept.
#pragma once

#include "acquisition/engine/AcquisitionEngine.h"
#include "acquisition/settings/DiagnoseLogic.h"

namespace zarn {

class EngineDiagnoseHost final : public DiagnosePanelHost {
public:
    explicit EngineDiagnoseHost(AcquisitionEngine& engine) : engine_(engine) {}

    std::array<std::uint8_t, 6> readBack() override { return engine_.shownRecord().ReadBack; }
    DiagnoseCounts counts() override;
    void resetCounters() override { engine_.link().statistics().resetDiagnoseCounters(); }
    [[nodiscard]] bool claimLink() override { return engine_.link().claimLinkForCommand(); }
    [[nodiscard]] bool sendOrder(std::uint8_t byteA, std::uint8_t byteB) override;

private:
    AcquisitionEngine& engine_;
};

} // namespace zarn
