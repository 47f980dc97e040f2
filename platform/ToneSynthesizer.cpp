#include "platform/ToneSynthesizer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zarn {

void ToneSynthesizer::synthesize(const Tone& tone, std::vector<std::int16_t>& samples) {
    samples.clear();
    if (tone.frequencyHz <= 0 || tone.durationMs <= 0)
        return;
    const double frequency = std::min(tone.frequencyHz, SampleRate / 2 - 1);
    const std::size_t count =
        static_cast<std::size_t>(static_cast<long long>(tone.durationMs) * SampleRate / 1000);
    const std::size_t fade = std::min<std::size_t>(count / 2, SampleRate * FadeMs / 1000);
    samples.resize(count);
    const double step = 2.0 * std::numbers::pi * frequency / SampleRate;
    for (std::size_t i = 0; i < count; ++i) {
        double gain = 1.0;
        if (i < fade)
            gain = static_cast<double>(i) / static_cast<double>(fade);
        else if (count - i <= fade)
            gain = static_cast<double>(count - i - 1) / static_cast<double>(fade);
        samples[i] = static_cast<std::int16_t>(std::lround(Peak * gain * std::sin(step * i)));
    }
}

} // namespace zarn
