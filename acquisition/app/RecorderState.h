// The recorder state record: the flags of recording and replay that the main window, the probe
// control panel, the stream decoder, the data log writer and the replay player share. Each flag
// is written by one side and polled by the others, so each is an atomic of its own; none of them
// is ever read together with another as one consistent state.
//
// Owned by the application object for the whole run.
#pragma once

#include <atomic>

namespace zarn {

struct RecorderState {
    std::atomic<bool> logLoaded{false};       // [0] a log is loaded for replay or live view
    std::atomic<bool> playing{false};         // [1] the playback thread runs while set
    std::atomic<bool> sondeOn{false};         // [2] the panel shows the sonde switched on
    std::atomic<bool> paused{false};          // [3] replay or recording paused
    std::atomic<bool> recording{false};       // [4] a recording runs
    std::atomic<bool> suspended{false};       // [5] the recording is suspended (Pause)
    std::atomic<bool> loggerSetupOpen{false}; // [6] the logger setup sheet is open
    // Next to the record: replayed rather than live data is being shown.
    std::atomic<bool> replayActive{false};
};

} // namespace zarn
