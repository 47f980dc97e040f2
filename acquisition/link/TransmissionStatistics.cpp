#include "acquisition/link/TransmissionStatistics.h"

#include "platform/Format.h"

namespace zarn {

TransmissionCounts TransmissionStatistics::snapshot() const {
    TransmissionCounts c;
    c.shortFrames = shortFrames.load();
    c.statusFrames = statusFrames.load();
    c.fullFrames = fullFrames.load();
    c.invalidPackets = invalidPackets.load();
    c.frameLengthErrors = frameLengthErrors.load();
    c.videoDataErrors = videoDataErrors.load();
    c.videoChecksumErrors = videoChecksumErrors.load();
    c.videoRequests = videoRequests.load();
    c.recoveries = recoveries.load();
    c.lostFrames = lostFrames.load();
    c.receivedFrames = receivedFrames.load();
    c.trackingTimeMs = trackingTimeMs.load();
    return c;
}

void TransmissionStatistics::resetLossCounters() {
    invalidPackets = 0;
    frameLengthErrors = 0;
    videoDataErrors = 0;
    videoChecksumErrors = 0;
    videoRequests = 0;
    recoveries = 0;
    lostFrames = 0;
}

void TransmissionStatistics::resetDiagnoseCounters() {
    shortFrames = 0;
    statusFrames = 0;
    fullFrames = 0;
    invalidPackets = 0;
    videoDataErrors = 0;
    videoChecksumErrors = 0;
    frameLengthErrors = 0;
    videoRequests = 0;
    recoveries = 0;
}

std::string transmissionStatisticsText(const TransmissionCounts& c) {
    // Whole hours, minutes and seconds of the tracking time.
    const std::int64_t seconds = c.trackingTimeMs < 0 ? 0 : c.trackingTimeMs / 1000;
    const double h = static_cast<double>(seconds / 3600);
    const double m = static_cast<double>((seconds % 3600) / 60);
    const double s = static_cast<double>(seconds % 60);
    std::string text = "Transmition stats\n\nTracking time : ";
    text += format("%02.0f:%02.0f:%02.0f\n", h, m, s);
    text += format("Counter 16B frame : %d\nCounter 20B frame : %d\nCounter full data frame :%d\n",
                   c.shortFrames, c.statusFrames, c.fullFrames);
    text += format("Counter Invalid trame USB : %d (trame lost or not valided)\nCounter lenght "
                   "frame error: %d\nCounter video data error :%d\n",
                   c.invalidPackets, c.frameLengthErrors, c.videoDataErrors);
    text += format("Counter video checksum error :%d\n", c.videoChecksumErrors);
    text += format("Resquest of video packet counter :%d\n", c.videoRequests);
    text += format("Success recovery video packet counter :%d\n\n", c.recoveries);
    return text;
}

} // namespace zarn
