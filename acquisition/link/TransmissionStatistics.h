// The link's transmission counters, and the probe control panel's pair of re-request and
// recovery counts that rise with them. Each counter is updated on its own; readers take them
// one by one, or all at once as a plain copy.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace zarn {

// A plain copy of the counters.
struct TransmissionCounts {
    std::int32_t shortFrames = 0;
    std::int32_t statusFrames = 0;
    std::int32_t fullFrames = 0;
    std::int32_t invalidPackets = 0;
    std::int32_t frameLengthErrors = 0;
    std::int32_t videoDataErrors = 0;
    std::int32_t videoChecksumErrors = 0;
    std::int32_t videoRequests = 0;
    std::int32_t recoveries = 0;
    std::int32_t lostFrames = 0;
    std::int32_t receivedFrames = 0;
    std::int64_t trackingTimeMs = 0;
    bool operator==(const TransmissionCounts&) const = default;
};

struct TransmissionStatistics {
    std::atomic<std::int32_t> shortFrames{0};       // 16-byte frames
    std::atomic<std::int32_t> statusFrames{0};      // 20-byte frames
    std::atomic<std::int32_t> fullFrames{0};        // full data frames
    std::atomic<std::int32_t> invalidPackets{0};    // gaps in the packet counter
    std::atomic<std::int32_t> frameLengthErrors{0}; // packets cut short by the next sync
    std::atomic<std::int32_t> videoDataErrors{0};
    std::atomic<std::int32_t> videoChecksumErrors{0};
    std::atomic<std::int32_t> videoRequests{0}; // video packet re-requests
    std::atomic<std::int32_t> recoveries{0};    // successful recoveries
    std::atomic<std::int32_t> lostFrames{0};
    std::atomic<std::int32_t> receivedFrames{0};
    std::atomic<std::int64_t> trackingTimeMs{0};
    // The probe control panel's pair; reset with the panel's statistics.
    std::atomic<std::int32_t> panelRequests{0};
    std::atomic<std::int32_t> panelRecoveries{0};

    TransmissionCounts snapshot() const;
    // Restarts the loss and error counters (not the frame counts, not the panel's pair).
    void resetLossCounters();
    // The diagnostic panel's "Counter reset": the nine counters it shows, frame counts included.
    void resetDiagnoseCounters();
};

// The statistics as the trace log shows them ("Transmition stats ...").
std::string transmissionStatisticsText(const TransmissionCounts& counts);

} // namespace zarn
