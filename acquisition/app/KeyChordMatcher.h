// The hidden key chord that opens the technical tools: Ctrl, Shift, Alt pressed one after
// another, then T. The main window's keyboard hook feeds every key-down here (mapped from the
// toolkit's key codes) and passes the key on.
#pragma once

#include <array>
#include <cstddef>

namespace zarn {

class KeyChordMatcher {
public:
    // The keys the matcher tells apart; the window maps every other key to Other.
    enum class Key { Other, Control, Shift, Alt, T, Enter };
    enum class Event {
        None,
        Completed, // the chord is complete: open the technical tools (1034 with 500)
        Enter,     // the Enter key (1034 with 501)
    };

    static constexpr std::array<Key, 4> Chord = {Key::Control, Key::Shift, Key::Alt, Key::T};

    // One key-down. The first key of the chord starts a match; each later key must be the
    // next one of the chord, otherwise the match starts over (from this key when it is the
    // chord's first). A completion is reported once; pressing the last key again reports
    // nothing until some other key has been seen.
    Event keyDown(Key key);

private:
    std::size_t matched_ = 0;
    bool completed_ = false;
};

} // namespace zarn
