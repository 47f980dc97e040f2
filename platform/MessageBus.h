// Numbered commands between the parts of the acquisition program. Any thread may post (the
// message waits in a queue until the owning thread delivers it) or send (the receiver runs at
// once on the sender's thread). Receivers register by role; a message for a role nobody has
// registered is dropped, as a message to a window that is not open.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

namespace zarn {

// Who receives a message.
enum class Role {
    MainWindow,
    ProbePanel,
    CommunicationPage,
    WinchPage,
    CameraPanel,
    ProbePage,
    SondeFilePage,
    DeviationWindow,
    DiagnosticPanel,
    ProductTools,
    ColourCalibrationPage,
    DepthDisplay,
    PictureExport,
};

enum class MessageKind {
    Command,  // a numbered command with a parameter
    Private,  // a private message with a parameter
};

struct Message {
    MessageKind kind = MessageKind::Command;
    int id = 0;
    std::intptr_t param = 0;
    bool operator==(const Message&) const = default;
};

// Command and message numbers, with the values the program has always used.
namespace Cmd {
inline constexpr int CommunicationRefresh = 1741;  // after frames; to the diagnostic panel: DSP errors
inline constexpr int ReadBackRefresh = 1743;
inline constexpr int ClearReadBack = 1744;
inline constexpr int FrameShown = 1745;    // a frame was not dropped: redraw the image strip
inline constexpr int SondeChanged = 1745;  // the sonde table changed
inline constexpr int FlashRecord = 1592;   // a sonde flash record has arrived
inline constexpr int DepthUnitChanged = 502;
inline constexpr int PowerButton = 1041;
inline constexpr int StopButton = 1042;
// Private messages
inline constexpr int ImageRowDrawn = 1749;
inline constexpr int ImageOffsetAdjust = 1750;
inline constexpr int MainWindowPrivate = 1034;  // parameters below
inline constexpr int OpenTechnicalTools = 500;
inline constexpr int EnterKey = 501;
inline constexpr int UnitChange = 502;
} // namespace Cmd

inline Message command(int id, std::intptr_t param = 0) {
    return Message{MessageKind::Command, id, param};
}
inline Message privateMessage(int id, std::intptr_t param = 0) {
    return Message{MessageKind::Private, id, param};
}

class MessageBus {
public:
    using Handler = std::function<void(const Message&)>;

    // Replaces any receiver of the role.
    void attach(Role role, Handler handler);
    void detach(Role role);
    bool attached(Role role) const;

    // Queued: the receiver runs later, when the owning thread calls deliverPosted.
    void post(Role role, const Message& message);
    // Synchronous: the receiver runs now on the calling thread.
    void send(Role role, const Message& message);

    // Delivers every message posted so far, in order, on the calling thread; returns how many.
    size_t deliverPosted();
    // Called (on the posting thread) after every post, so an event loop can schedule delivery.
    void setWakeUp(std::function<void()> wakeUp);

    // The program's bus.
    static MessageBus& instance();

private:
    Handler handlerOf(Role role) const;

    mutable std::mutex mutex_;
    std::map<Role, Handler> handlers_;
    std::deque<std::pair<Role, Message>> queue_;
    std::function<void()> wakeUp_;
};

} // namespace zarn
