#include "platform/SoundOutput.h"

#include "platform/ToneSynthesizer.h"

#include <dlfcn.h>

namespace zarn {
namespace {

// The few calls of the sound library the tones need, with its own constants.
using PcmOpen = int (*)(void**, const char*, int, int);
using PcmSetParams = int (*)(void*, int, int, unsigned, unsigned, int, unsigned);
using PcmWrite = long (*)(void*, const void*, unsigned long);
using PcmRecover = int (*)(void*, int, int);
using PcmDrain = int (*)(void*);
using PcmPrepare = int (*)(void*);
using PcmClose = int (*)(void*);
using ErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using SetErrorHandler = int (*)(ErrorHandler);
constexpr int StreamPlayback = 0;
constexpr int FormatS16Le = 2;
constexpr int AccessReadWriteInterleaved = 3;
constexpr unsigned LatencyMicroseconds = 100000;

// The library's own complaints (no card, no configuration) would go to stderr at every start
// of a machine without sound; its answers say the same to us.
void quiet(const char*, int, const char*, int, const char*, ...) {}

} // namespace

struct SoundOutput::Calls {
    PcmOpen open = nullptr;
    PcmSetParams setParams = nullptr;
    PcmWrite write = nullptr;
    PcmRecover recover = nullptr;
    PcmDrain drain = nullptr;
    PcmPrepare prepare = nullptr;
    PcmClose close = nullptr;
};

SoundOutput::SoundOutput() {
    library_ = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr)
        return;
    if (auto setHandler =
            reinterpret_cast<SetErrorHandler>(dlsym(library_, "snd_lib_error_set_handler")))
        setHandler(&quiet);
    auto calls = std::make_unique<Calls>();
    calls->open = reinterpret_cast<PcmOpen>(dlsym(library_, "snd_pcm_open"));
    calls->setParams = reinterpret_cast<PcmSetParams>(dlsym(library_, "snd_pcm_set_params"));
    calls->write = reinterpret_cast<PcmWrite>(dlsym(library_, "snd_pcm_writei"));
    calls->recover = reinterpret_cast<PcmRecover>(dlsym(library_, "snd_pcm_recover"));
    calls->drain = reinterpret_cast<PcmDrain>(dlsym(library_, "snd_pcm_drain"));
    calls->prepare = reinterpret_cast<PcmPrepare>(dlsym(library_, "snd_pcm_prepare"));
    calls->close = reinterpret_cast<PcmClose>(dlsym(library_, "snd_pcm_close"));
    if (!calls->open || !calls->setParams || !calls->write || !calls->recover || !calls->drain ||
        !calls->prepare || !calls->close)
        return;
    calls_ = std::move(calls);
    void* pcm = nullptr;
    if (calls_->open(&pcm, "default", StreamPlayback, 0) < 0 || pcm == nullptr)
        return;
    if (calls_->setParams(pcm, FormatS16Le, AccessReadWriteInterleaved, 1,
                          ToneSynthesizer::SampleRate, 1, LatencyMicroseconds) < 0) {
        calls_->close(pcm);
        return;
    }
    pcm_ = pcm;
}

SoundOutput::~SoundOutput() {
    // calls_ is set whenever pcm_ is.
    if (pcm_ != nullptr)
        calls_->close(pcm_);
    if (library_ != nullptr)
        dlclose(library_);
}

bool SoundOutput::play(std::span<const std::int16_t> samples) {
    if (pcm_ == nullptr || calls_->prepare(pcm_) < 0) // after the last tone's drain
        return false;
    std::size_t done = 0;
    while (done < samples.size()) {
        long written = calls_->write(pcm_, samples.data() + done, samples.size() - done);
        if (written < 0)
            written = calls_->recover(pcm_, static_cast<int>(written), 1);
        if (written < 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return calls_->drain(pcm_) >= 0;
}

} // namespace zarn
