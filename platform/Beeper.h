// Sounds: a tone of a frequency for a duration. The windows play it, the command line rings the
// terminal bell, tests record the calls. Never blocks the caller.
#pragma once

namespace zarn {

class Beeper {
public:
    virtual ~Beeper() = default;
    virtual void beep(int frequencyHz, int durationMs) = 0;

    // The program's beeper; silent until one is installed.
    static Beeper& current();
    static void install(Beeper* beeper);  // not owned; nullptr restores the silent one
};

} // namespace zarn
