// Progress and Cancel of long work (replay, depth search, repair, exports, the viewer's loading).
//
// Long work takes a Progress and reports through it: the stage it is in, the fraction of the
// whole that is done, and it asks at least once per record (or per output line) whether the user
// wants it to stop. The command line shows it as a progress bar on stderr and stops on Ctrl-C;
// the windows show a progress dialog with Cancel; tests record it and cancel at a chosen point.
// A job that sees the cancel stops, removes what it had half written and says it was cancelled.
#pragma once

#include <atomic>
#include <string_view>

namespace zarn {

class Progress {
public:
    virtual ~Progress() = default;

    // The stage the work is in, in the words shown to the user ("Load loging file, wait ..").
    virtual void stage(std::string_view text) = 0;
    // How much of the whole work is done, from 0 to 1. Called often; cheap to call.
    virtual void fraction(double done) = 0;
    // True once the user asked the work to stop. Any thread may ask.
    [[nodiscard]] virtual bool cancelled() const = 0;
};

// Progress that shows nothing and can be cancelled from any thread.
class CancelFlagProgress : public Progress {
public:
    void stage(std::string_view) override {}
    void fraction(double) override {}
    [[nodiscard]] bool cancelled() const override {
        return cancel_.load(std::memory_order_relaxed);
    }
    void cancel() { cancel_.store(true, std::memory_order_relaxed); }

private:
    std::atomic<bool> cancel_{false};
};

// The progress of work nobody watches and nobody stops: shows nothing, never cancelled.
inline Progress& noProgress() {
    static CancelFlagProgress none;
    return none;
}

} // namespace zarn
