// The shape of the image rows a full data frame carries: the row width given by the resolution
// code of the image mode byte, and the rows per video payload of each compression mode. Shared by
// the video decoder and the simulated sonde's encoders.
#pragma once

namespace zarn {

// Rows of pixels in the video payload of one full data frame.
inline constexpr int Mode8Rows = 2;  // two-row DPCM
inline constexpr int Mode16Rows = 8; // eight-row transform
// The widest row a sonde sends.
inline constexpr int MaxPixelsPerRow = 1440;

// Pixels per image row of a resolution code (bits 7 to 5 of the image mode byte).
constexpr int pixelsPerRowOf(int resolutionCode) {
    switch (resolutionCode) {
    case 1:
        return 360;
    case 2:
        return 540;
    case 4:
        return 900;
    case 5:
        return 1080;
    case 6:
        return 1260;
    case 7:
        return 1440;
    default:
        return 720;
    }
}

} // namespace zarn
