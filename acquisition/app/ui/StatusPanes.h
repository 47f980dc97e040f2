// The main window's status bar: eight panes whose right edges follow the window's width. Pane 0
// shows the current data file, 1 the link text, 2 the sonde's answer or the packet size, 3 the
// frame counter; 4, 5 and 6 hold the frame-sent, frame-received and sonde state icons.
//
// It is the program's StatusBar: any thread may set a pane's text. The text is kept and the
// window thread shows the newest text of each pane at its next turn, so a burst of texts from
// the link costs one update of the labels.
#pragma once

#include "platform/StatusBar.h"

#include <QObject>

#include <array>
#include <mutex>
#include <string>

class QLabel;
class QStatusBar;

namespace zarn::ui {

class GuiInbox;

class StatusPanes final : public QObject, public StatusBar {
    Q_OBJECT
public:
    static constexpr int Count = 8;
    enum class Icon {
        FrameSent,
        NoFrameSent,
        FrameReceived,
        NoFrameReceived,
        SondeIdle,
        SondeAcquiring,
        SondeAcquiringWithoutRecovery
    };

    // Adds the panes to the bar; the bar owns them.
    explicit StatusPanes(QStatusBar* bar);
    ~StatusPanes() override;

    void setPaneText(int pane, std::string_view text) override;
    // Window thread only.
    void setPaneIcon(int pane, Icon icon);
    // The edges of the panes for the window's client width.
    void layoutFor(int clientWidth);
    // What a pane shows now (window thread).
    QString paneText(int pane) const;

private:
    void showPending();

    GuiInbox* inbox_;
    std::array<QLabel*, Count> panes_{};
    std::mutex mutex_;
    std::array<std::string, Count> pending_;
    std::array<bool, Count> changed_{};
    bool posted_ = false;
};

} // namespace zarn::ui
