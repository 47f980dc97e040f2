#include "platform/Beeper.h"

#include <atomic>

namespace zarn {
namespace {
class SilentBeeper : public Beeper {
public:
    void beep(int, int) override {}
};
std::atomic<Beeper*> installed{nullptr};
} // namespace

Beeper& Beeper::current() {
    static SilentBeeper silent;
    Beeper* b = installed.load(std::memory_order_acquire);
    return b ? *b : silent;
}

void Beeper::install(Beeper* beeper) { installed.store(beeper, std::memory_order_release); }

} // namespace zarn
