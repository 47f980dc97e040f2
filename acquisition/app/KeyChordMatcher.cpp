#include "acquisition/app/KeyChordMatcher.h"

namespace zarn {

KeyChordMatcher::Event KeyChordMatcher::keyDown(Key key) {
    const Event other = key == Key::Enter ? Event::Enter : Event::None;
    if (completed_) {
        if (key == Chord.back())
            return other; // the chord's last key again, held or repeated
        completed_ = false;
    }
    if (key == Chord[matched_]) {
        if (++matched_ < Chord.size())
            return other;
        matched_ = 0;
        completed_ = true;
        return Event::Completed;
    }
    matched_ = key == Chord.front() ? 1 : 0;
    return other;
}

} // namespace zarn
