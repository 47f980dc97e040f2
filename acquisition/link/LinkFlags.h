// The flags the link's threads share: each is written by one side and polled by the other.
#pragma once

#include <atomic>

namespace zarn {

struct LinkFlags {
    std::atomic<bool> linkAvailable{false}; // the bridge library is bound
    std::atomic<bool> closing{false};       // the program is shutting down
    std::atomic<bool> linkCheckRunning{false};
    std::atomic<bool> readerStarted{false};
    std::atomic<bool> readerRunning{false};
    std::atomic<bool> readerActive{false}; // guards a second reader
    std::atomic<bool> senderRunning{false};
    std::atomic<bool> frameSent{false};
    std::atomic<bool> loggerIdentified{false};
    std::atomic<bool> linkEverStarted{false}; // set when the reader first sends F1
    std::atomic<bool> sondePowered{false};
    std::atomic<bool> dataReceived{false};
    std::atomic<bool> newFrameArrived{false}; // set by the dispatcher for every frame
};

} // namespace zarn
