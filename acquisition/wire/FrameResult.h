// Results of the stream decoder's full data frame entry, which the link's video packet recovery
// reads to decide whether a frame counts as received.
#pragma once

namespace zarn::FrameResult {

inline constexpr int Ok = 1;
// A checksum failed or the frame is too short for its layout: the frame is dropped.
inline constexpr int Dropped = 256;
// The logger reported an error: LoggerError + the communication status.
inline constexpr int LoggerError = 1000;

} // namespace zarn::FrameResult
