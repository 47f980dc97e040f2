#include "acquisition/link/VideoPacketSequencer.h"

#include "acquisition/wire/FrameLayout.h"
#include "acquisition/wire/FrameResult.h"

namespace zarn {

void PassThroughSequencer::fullFrame(std::span<const std::uint8_t> frame, FrameDecoder& decoder) {
    const int result = decoder.DecodeFullFrame(frame, true);
    if (result < FrameResult::Dropped && frame.size() >= frame::full::MinimumSize)
        lastPictureSequence_ =
            frame::u32(frame, frame::full::SondeBlock + frame::sonde::PictureNumber);
}

} // namespace zarn
