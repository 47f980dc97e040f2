// The process-wide link state value: what the link sees of the logger at the moment. Written by
// the link's threads, read by the main window and the close check.
#pragma once

namespace zarn::LinkState {

inline constexpr int LookingForLogger = 1;
inline constexpr int OpeningDevice = 2;
inline constexpr int LinkLost = 4;
inline constexpr int LoggerOnly = 16;       // logger answering, no sonde (20-byte frames)
inline constexpr int SondeWithoutData = 32; // sonde answering without data (16-byte frames)
inline constexpr int FullData = 64;         // full data frames arriving

} // namespace zarn::LinkState
