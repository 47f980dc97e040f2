// The samples of a tone: a sine of the tone's frequency for its duration, 16-bit mono, with a
// few milliseconds of fade at each end so that it starts and stops without a click. Into a
// buffer the caller keeps, so playing a burst of tones allocates nothing after the first.
#pragma once

#include "platform/ToneQueue.h"

#include <cstdint>
#include <vector>

namespace zarn {

class ToneSynthesizer {
public:
    static constexpr int SampleRate = 44100;
    static constexpr int FadeMs = 5;
    static constexpr std::int16_t Peak = 12000; // well below full scale

    // The samples of the tone (none for a frequency or duration of 0 or less; frequencies are
    // held below half the sample rate).
    static void synthesize(const Tone& tone, std::vector<std::int16_t>& samples);
};

} // namespace zarn
