// The sound device, for the program's tones: the system's sound library is bound by name at
// run time (so the program needs no sound package to build or to run), and the tone's samples
// are written to its default output, waiting until they have been played. Without the library
// or a device, play answers false and the caller rings the bell instead.
//
// One thread at a time: the tone player's.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace zarn {

class SoundOutput {
public:
    SoundOutput();
    ~SoundOutput();
    SoundOutput(const SoundOutput&) = delete;
    SoundOutput& operator=(const SoundOutput&) = delete;

    // Whether a device is open to play on.
    bool available() const { return pcm_ != nullptr; }
    // Plays 16-bit mono samples at the synthesizer's rate; false when there is no device or the
    // device refused them.
    [[nodiscard]] bool play(std::span<const std::int16_t> samples);

private:
    struct Calls;
    void* library_ = nullptr;
    void* pcm_ = nullptr;
    std::unique_ptr<Calls> calls_;
};

} // namespace zarn
