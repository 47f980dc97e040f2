#include "acquisition/engine/EngineDiagnoseHost.h"

namespace zarn {

DiagnoseCounts EngineDiagnoseHost::counts() {
    const TransmissionCounts c = engine_.link().statistics().snapshot();
    DiagnoseCounts counts;
    counts.packets16 = c.shortFrames;
    counts.packets20 = c.statusFrames;
    counts.packetsFull = c.fullFrames;
    counts.usbErrors = c.invalidPackets;
    counts.videoPacketErrors = c.videoDataErrors;
    counts.videoChecksumErrors = c.videoChecksumErrors;
    counts.frameLengthErrors = c.frameLengthErrors;
    counts.videoRequests = c.videoRequests;
    counts.recoveries = c.recoveries;
    counts.rawGamma = engine_.shownRecord().GammaCount;
    return counts;
}

bool EngineDiagnoseHost::sendOrder(std::uint8_t byteA, std::uint8_t byteB) {
    CUSB& link = engine_.link();
    CommandWorkingValues values = link.workingValues();
    values.diagnosticByteA = byteA;
    values.diagnosticByteB = byteB;
    link.setWorkingValues(values);
    return link.sendF13Diagnostic();
}

} // namespace zarn
