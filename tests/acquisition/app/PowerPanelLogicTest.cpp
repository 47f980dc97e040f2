#include "acquisition/app/PowerPanelLogic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {
namespace {

using Panel = PowerPanelLogic;
using Press = Panel::PressResult;
using State = Panel::PowerState;
using Image = Panel::ButtonImage;

// A logger on the other side of the link. It answers with a status every 10 ms (at 5, 15, 25 ...
// so that no status lands on the same millisecond as one of the panel's deadlines), echoes the
// settings it was sent, reports busy after F11 and stops being busy after some F0 frames.
class FakeHost : public PowerPanelHost {
public:
    struct Window {
        int from = -1;
        int to = -1;
        bool contains(int ms) const { return ms >= from && ms <= to; }
    };

    // Scenario.
    bool selected = true;
    bool stopButton = false;
    int link = 64;
    Window pending; // the send buffer holds a frame
    Window silent;  // the logger sends no status
    bool badWinchEcho = false;
    bool badDownholeEcho = false;
    bool busyOnF11 = true;
    bool busyOnF1 = false; // a logger that powers the sonde by itself
    int f0sToClear = 1;    // 0: the busy bits never clear
    bool busy = false;

    // What the panel did: one entry per call, with the millisecond it came at.
    struct Event {
        int ms;
        std::string what;
    };
    std::vector<Event> events;
    int now = 0;
    PowerLoggerStatus status;

    // The logger's side, every millisecond before the panel's tick.
    void logger(int ms) {
        if (ms % 10 != 5 || silent.contains(ms))
            return;
        status.statusReceived = true;
        // The high bits are not busy bits: only the low four count.
        status.flags = busy ? 0x05 : 0xF0;
        if (f1_) {
            const WinchSettingsBytes& b = *f1_;
            status.echoWord2 = static_cast<std::uint16_t>(b[0] | (b[1] << 8));
            status.echoWord4 = static_cast<std::uint16_t>(b[2] | (b[3] << 8));
            status.echoByte6 = static_cast<std::uint8_t>(b[4] ^ (badWinchEcho ? 1 : 0));
        }
        if (f3_) {
            status.upholeGainEcho = (*f3_)[0];
            status.downholeEnergyEcho = static_cast<std::uint8_t>((*f3_)[1] + badDownholeEcho);
        }
    }

    bool sendBufferEmpty() const override { return !pending.contains(now); }
    PowerLoggerStatus loggerStatus() const override { return status; }
    void clearStatusReceived() override {
        status.statusReceived = false;
        note("clear");
    }
    std::optional<WinchSettingsBytes> sentWinchSettings() const override { return f1_; }
    std::optional<DownholeSettingsBytes> sentDownholeSettings() const override { return f3_; }
    int linkState() const override { return link; }
    bool sendF0() override {
        note("F0");
        if (f0sToClear > 0 && ++f0s_ >= f0sToClear)
            busy = false;
        return true;
    }
    bool sendF1() override {
        note("F1");
        f1_ = WinchSettingsBytes{0x34, 0x12, 0xDC, 0x05, 0x7D};
        busy = busy || busyOnF1;
        return true;
    }
    bool sendF3() override {
        note("F3");
        f3_ = DownholeSettingsBytes{9, 4};
        return true;
    }
    bool sendF11() override {
        note("F11");
        busy = busy || busyOnF11;
        return true;
    }
    bool sendF12() override { return note("F12"), true; }
    void resetStatistics() override { note("reset"); }
    void clearOrientationResults() override { note("orient"); }
    void stop() override { note("stop"); }
    bool stopEnabled() const override { return stopButton; }
    void stopRecording() override { note("stopRecording"); }
    void restartDisplay() override { note("restart"); }
    bool sondeSelected() const override { return selected; }
    void showMessage(std::string_view text) override { note("msg:" + std::string(text)); }

private:
    void note(std::string what) { events.push_back({now, std::move(what)}); }
    std::optional<WinchSettingsBytes> f1_;
    std::optional<DownholeSettingsBytes> f3_;
    int f0s_ = 0;
};

// The panel with its fake logger and a clock in whole milliseconds. The panel refresh runs
// every 300 ms unless switched off.
struct Bench {
    FakeHost host;
    RecorderState recorder;
    std::atomic<bool> powered{false};
    std::atomic<bool> operatorOff{false};
    Panel panel{host, recorder, powered, operatorOff};
    int now = 0;
    bool refreshing = true;

    static Panel::TimePoint at(int ms) {
        return Panel::TimePoint{} + std::chrono::milliseconds(ms);
    }

    void runTo(int ms) {
        while (now < ms) {
            host.now = ++now;
            host.logger(now);
            panel.tick(at(now));
            if (refreshing && now % 300 == 0)
                panel.refreshButton();
        }
    }
    Press pressAt(int ms) {
        runTo(ms);
        return panel.pressPower(at(now));
    }
    bool switchOffAt(int ms) {
        runTo(ms);
        return panel.switchOff(at(now));
    }
    // The milliseconds of the calls named `what` from `from` on.
    std::vector<int> times(std::string_view what, int from = 0) const {
        std::vector<int> out;
        for (const FakeHost::Event& e : host.events)
            if (e.what == what && e.ms >= from)
                out.push_back(e.ms);
        return out;
    }
    std::vector<FakeHost::Event> eventsExcept(std::string_view skipped) const {
        std::vector<FakeHost::Event> out;
        for (const FakeHost::Event& e : host.events)
            if (e.what != skipped)
                out.push_back(e);
        return out;
    }
};

std::vector<int> series(int first, int step, int count) {
    std::vector<int> out;
    for (int k = 0; k < count; ++k)
        out.push_back(first + step * k);
    return out;
}

std::vector<int> concat(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

bool operator==(const FakeHost::Event& a, const FakeHost::Event& b) {
    return a.ms == b.ms && a.what == b.what;
}

std::ostream& operator<<(std::ostream& os, const FakeHost::Event& e) {
    return os << e.ms << ":" << e.what;
}

// Power-on with a logger that answers everything: press at 0, the sequence ends at 2300.
constexpr int PowerOnDone = 2300;

TEST(PowerPanelLogic, PowerOnSendsTheOrdersInTurnWithTheirWaits) {
    Bench b;
    EXPECT_EQ(b.pressAt(0), Press::SwitchingOn);
    EXPECT_TRUE(b.powered);
    b.runTo(1000);
    EXPECT_EQ(b.panel.powerState(), State::PoweringOn);
    EXPECT_EQ(b.panel.orderStep(), 5);
    b.runTo(3000);

    const std::vector<FakeHost::Event> expected = {
        {0, "stop"},     {0, "reset"},     {100, "F1"},      {100, "orient"},
        {350, "F3"},     {350, "restart"}, {600, "F12"},     {800, "F11"},
        {1300, "reset"}, {2300, "F12"},    {2650, "restart"}};
    EXPECT_EQ(b.eventsExcept("clear"), expected);
    EXPECT_EQ(b.panel.powerState(), State::On);
    EXPECT_EQ(b.panel.orderStep(), Panel::IdleStep);
    EXPECT_TRUE(b.recorder.sondeOn);
    EXPECT_TRUE(b.powered);
    EXPECT_FALSE(b.operatorOff);
    EXPECT_EQ(b.panel.refreshButton(), (Panel::ButtonView{true, Image::On}));
}

// A step that finds a frame still waiting in the send buffer tries again after its own wait, and
// every re-arm forgets the status that had arrived: only a status that comes after the re-arm
// lets the step act.
TEST(PowerPanelLogic, StepsWaitForAnEmptyBufferAndANewStatus) {
    struct Case {
        const char* name;
        int pressOffAt; // 0: none
        int due;        // when the step comes up
        int wait;       // its re-arm when not ready; 0: acts anyway
        const char* action;
    };
    const Case cases[] = {
        {"step 0", 0, 100, 0, "F1"},         {"step 1", 0, 350, 32, "F3"},
        {"step 2", 0, 600, 32, "F12"},       {"step 4", 0, 800, 100, "F11"},
        {"step 5", 0, 1300, 200, "reset"},   {"step 6", 0, 2300, 200, "F12"},
        {"power-off", 3000, 3100, 32, "F0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b;
        b.host.pending = {c.due - 5, c.due + 5};
        b.host.silent = {c.due - 5, c.due + 3 * c.wait + 5};
        b.pressAt(0);
        if (c.pressOffAt) {
            EXPECT_EQ(b.pressAt(c.pressOffAt), Press::SwitchingOff);
        }
        b.runTo(c.due + 4 * c.wait + 100);

        const std::vector<int> acted = b.times(c.action, c.due - 5);
        ASSERT_FALSE(acted.empty());
        EXPECT_EQ(acted.front(), c.due + 4 * c.wait);
        const std::vector<int> clears = b.times("clear", c.due);
        for (int k = 0; k < 4 && c.wait > 0; ++k) {
            EXPECT_NE(std::find(clears.begin(), clears.end(), c.due + k * c.wait), clears.end())
                << "re-arm " << k;
        }
    }
}

TEST(PowerPanelLogic, EchoMismatchResendsTwentySixTimesThenSwitchesOff) {
    struct Case {
        const char* name;
        bool badWinch;
        bool badDownhole;
        bool busyLogger;
        const char* frame;
        int firstSent;
        int firstCheck;
    };
    const Case cases[] = {
        {"winch settings echo", true, false, true, "F1", 100, 350},
        {"downhole settings echo", false, true, false, "F3", 350, 600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b;
        b.host.badWinchEcho = c.badWinch;
        b.host.badDownholeEcho = c.badDownhole;
        b.host.busyOnF1 = c.busyLogger;
        b.pressAt(0);
        const int offAt = c.firstCheck + 200 * 26; // the 27th mismatch
        b.runTo(offAt + 1);
        EXPECT_EQ(b.panel.powerState(), State::PoweringOff);
        b.runTo(offAt + 3000);

        EXPECT_EQ(b.times(c.frame), concat({c.firstSent}, series(c.firstCheck, 200, 26)));
        EXPECT_EQ(b.times("stopRecording"), std::vector<int>{offAt});
        EXPECT_TRUE(b.times("F11").empty());
        // The logger still busy after F1 is told to switch off.
        EXPECT_EQ(b.times("F0"), c.busyLogger ? std::vector<int>{offAt + 100} : std::vector<int>{});
        EXPECT_EQ(b.panel.powerState(), State::Off);
        EXPECT_FALSE(b.powered);
        EXPECT_EQ(b.panel.orderStep(), Panel::IdleStep);
    }
}

TEST(PowerPanelLogic, LoggerNeverBusyRefusesTheOrderAtTheThirtySecondCheck) {
    Bench b;
    b.host.busyOnF11 = false;
    b.pressAt(0);
    const int refusedAt = 1300 + 500 * 31;
    b.runTo(refusedAt + 3000);

    EXPECT_EQ(b.times("F11"), concat({800}, series(1300, 500, 31)));
    EXPECT_EQ(b.times("msg:Order refused !!!"), std::vector<int>{refusedAt});
    EXPECT_EQ(b.times("stopRecording"), std::vector<int>{refusedAt});
    EXPECT_TRUE(b.times("F0").empty()); // never busy: two checks confirm it is off
    EXPECT_EQ(b.times("restart", refusedAt), (std::vector<int>{refusedAt + 350, refusedAt + 950}));
    EXPECT_EQ(b.panel.powerState(), State::Off);
    EXPECT_EQ(b.times("F12").size(), 1u) << "only the one of step 2";
}

TEST(PowerPanelLogic, PowerOffRepeatsF0AtMostTwentyOneTimesAndConfirmsTwice) {
    struct Case {
        int f0sToClear; // 0: busy for ever
        int f0s;
        bool ends;
    };
    const Case cases[] = {{1, 1, true}, {3, 3, true}, {0, 21, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.f0sToClear);
        Bench b;
        b.host.f0sToClear = c.f0sToClear;
        b.host.stopButton = true;
        b.pressAt(0);
        b.runTo(PowerOnDone + 500);
        ASSERT_EQ(b.panel.powerState(), State::On);
        const int offAt = 3000;
        EXPECT_EQ(b.pressAt(offAt), Press::SwitchingOff);
        EXPECT_TRUE(b.operatorOff);
        EXPECT_FALSE(b.powered);
        b.runTo(offAt + 40000);

        const int firstF0 = offAt + 100;
        EXPECT_EQ(b.times("F0"), series(firstF0, 500, c.f0s));
        EXPECT_EQ(b.times("stopRecording"), std::vector<int>{offAt});
        EXPECT_EQ(b.times("stop", offAt), std::vector<int>{offAt});
        const int lastF0 = firstF0 + 500 * (c.f0s - 1);
        std::vector<int> restarts = {offAt + 350};
        if (c.ends)
            restarts.push_back(lastF0 + 500 + 500 + 350); // after the second confirmation
        EXPECT_EQ(b.times("restart", offAt), restarts);
        // A logger still busy after the last F0 is shown on; one that stopped is shown off.
        EXPECT_EQ(b.panel.powerState(), c.ends ? State::Off : State::On);
        EXPECT_EQ(b.recorder.sondeOn, !c.ends);
    }
}

TEST(PowerPanelLogic, PowerButtonHoldAndBranches) {
    struct Step {
        int ms;
        bool selected;
        Press result;
        bool powered;
        bool operatorOff;
    };
    // On at 350 (F1 at 450), off at 700 (not busy: checks at 800 and 1300), on again at 2500.
    const Step steps[] = {
        {0, false, Press::NoSonde, false, false},
        {349, true, Press::Held, false, false},
        {350, true, Press::SwitchingOn, true, false},
        {699, true, Press::Held, true, false},
        {700, true, Press::SwitchingOff, false, true},
        {1049, true, Press::Held, false, true},
        {1050, true, Press::Refused, false, true},
        {2500, true, Press::SwitchingOn, true, false},
    };
    Bench b;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.ms);
        b.host.selected = s.selected;
        EXPECT_EQ(b.pressAt(s.ms), s.result);
        EXPECT_EQ(b.powered, s.powered);
        EXPECT_EQ(b.operatorOff, s.operatorOff);
    }
    b.runTo(2900);
    EXPECT_EQ(b.times("msg:No sondes selected ..."), std::vector<int>{0});
    EXPECT_EQ(b.times("F1"), (std::vector<int>{450, 2600}));
    EXPECT_EQ(b.times("stop"), (std::vector<int>{350, 2500})) << "stop button disabled at 700";
    EXPECT_EQ(b.times("stopRecording"), std::vector<int>{700});
    // 350 ms after each switching and after the second confirmation of the power-off.
    EXPECT_EQ(b.times("restart"), (std::vector<int>{700, 1050, 1650, 2850}));
}

// switchOff is for the program (link loss, failed orders): it only ever switches off, and a
// second call while the power-off runs does not start another.
TEST(PowerPanelLogic, SwitchOffOnlySwitchesOffAndOnlyOnce) {
    struct Case {
        const char* name;
        int pressAt;      // -1: no press
        bool linkPowered; // the link marked the sonde powered
        int at;           // switchOff
        bool busyForEver; // the logger ignores F0
        bool startsOff;
    };
    const Case cases[] = {
        {"panel off", -1, false, 100, false, false},
        {"marked powered by the link", -1, true, 100, true, true},
        {"powering on", 0, false, 500, false, true},
        {"on", 0, false, 3000, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b;
        b.refreshing = false; // the mark stays as the case sets it
        b.host.f0sToClear = c.busyForEver ? 0 : 1;
        b.host.busy = c.linkPowered;
        b.powered = c.linkPowered;
        if (c.pressAt >= 0) {
            b.pressAt(c.pressAt);
        }
        EXPECT_EQ(b.switchOffAt(c.at), c.startsOff);
        EXPECT_FALSE(b.switchOffAt(c.at + 10));
        EXPECT_FALSE(b.switchOffAt(c.at + 600)) << "while its power-off sequence runs";
        b.runTo(c.at + 20000);

        EXPECT_FALSE(b.powered);
        EXPECT_NE(b.panel.powerState(), State::PoweringOn);
        for (const char* frame : {"F1", "F3", "F11", "F12"}) {
            EXPECT_TRUE(b.times(frame, c.at).empty()) << frame;
        }
        if (!c.startsOff) {
            EXPECT_TRUE(b.host.events.empty());
            continue;
        }
        EXPECT_EQ(b.times("stopRecording"), std::vector<int>{c.at});
        EXPECT_EQ(b.times("F0"), series(c.at + 100, 500, c.busyForEver ? 21 : 0));
        EXPECT_TRUE(b.operatorOff);
    }
}

TEST(PowerPanelLogic, RefreshFollowsTheBusyBitsOnlyWhenNoSequenceRuns) {
    Bench b;
    b.refreshing = false;
    auto refresh = [&](int ms) {
        b.runTo(ms);
        return b.panel.refreshButton();
    };
    using View = Panel::ButtonView;

    EXPECT_EQ(refresh(10), (View{true, Image::Off}));
    b.host.busy = true; // the logger reports busy by itself
    EXPECT_EQ(refresh(20), (View{true, Image::On}));
    EXPECT_EQ(b.panel.powerState(), State::On);
    EXPECT_TRUE(b.recorder.sondeOn);
    b.host.busy = false; // and stops by itself
    EXPECT_EQ(refresh(30), (View{true, Image::Off}));
    EXPECT_EQ(b.panel.powerState(), State::Off);
    EXPECT_FALSE(b.recorder.sondeOn);

    // Switching on: the busy bits (still clear) do not turn the panel off; the image blinks.
    b.pressAt(40);
    EXPECT_EQ(refresh(50), (View{true, Image::SwitchingOn}));
    EXPECT_EQ(refresh(60), (View{true, Image::On}));
    EXPECT_EQ(refresh(70), (View{true, Image::SwitchingOn}));
    EXPECT_EQ(b.panel.powerState(), State::PoweringOn);
    b.host.link = 2; // opening the device: no button, no switched-on mark
    EXPECT_EQ(refresh(80), (View{false, Image::SwitchingOn}));
    EXPECT_FALSE(b.panel.switchedOn());
    b.host.link = 64;

    b.runTo(40 + PowerOnDone + 100);
    EXPECT_EQ(refresh(PowerOnDone + 200), (View{true, Image::On}));
    EXPECT_TRUE(b.recorder.sondeOn);

    // Switching off: blinking between switching-off and off until the two confirmations.
    b.pressAt(PowerOnDone + 500);
    EXPECT_EQ(refresh(PowerOnDone + 510), (View{true, Image::SwitchingOff}));
    EXPECT_EQ(refresh(PowerOnDone + 520), (View{true, Image::Off}));
    EXPECT_EQ(refresh(PowerOnDone + 530), (View{true, Image::SwitchingOff}));
    EXPECT_TRUE(b.recorder.sondeOn) << "the refresh leaves [2] alone while a sequence runs";
    EXPECT_EQ(refresh(PowerOnDone + 3000), (View{true, Image::Off}));
    EXPECT_FALSE(b.recorder.sondeOn);
    EXPECT_EQ(b.panel.powerState(), State::Off);
}

} // namespace
} // namespace zarn
