// The decoder under test with recorders on every side: the sink's calls, the link's inputs, the
// bus messages and the trace log.
#pragma once

#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/stream/ToolsStream.h"
#include "tests/acquisition/stream/FrameBuilder.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

namespace zarn::test {

// One call the decoder made to its sink.
struct SinkCall {
    SinkCall(std::string n, std::vector<double> a = {}, std::vector<std::uint8_t> b = {},
             std::string t = {})
        : name(std::move(n)), args(std::move(a)), bytes(std::move(b)), texts(std::move(t)) {}
    std::string name;
    std::vector<double> args;
    std::vector<std::uint8_t> bytes; // payload or frame handed over
    std::string texts;               // alarm title and message
    bool operator==(const SinkCall&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const SinkCall& c) {
    os << c.name << "(";
    for (double a : c.args)
        os << a << " ";
    return os << "bytes " << c.bytes.size() << " " << c.texts << ")";
}

class RecordingSink : public StreamSink {
public:
    void refreshMainWindow() override { add({"refreshMainWindow", {}}); }
    RecordingDecision recordingRule(MeasurementRecord& record) override {
        add({"recordingRule", {record.ImageDepth}});
        return decision;
    }
    void writeLogFile(std::span<const std::uint8_t> frame, int payloadLength,
                      MeasurementRecord&) override {
        add({"writeLogFile", {double(payloadLength)}, {frame.begin(), frame.end()}});
    }
    void decodeMode8(std::span<const std::uint8_t> payload, int pixelsPerRow, int direction,
                     int parameter, const MeasurementRecord& record) override {
        keep(record);
        add({"decodeMode8",
             {double(pixelsPerRow), double(direction), double(parameter)},
             {payload.begin(), payload.end()}});
    }
    void decodeMode16(std::span<const std::uint8_t> payload, int pixelsPerRow, int direction,
                      int parameter, const MeasurementRecord& record) override {
        keep(record);
        add({"decodeMode16",
             {double(pixelsPerRow), double(direction), double(parameter)},
             {payload.begin(), payload.end()}});
    }
    void decodeUncompressed(std::span<const std::uint8_t> payload, int pixelsPerRow, int direction,
                            const MeasurementRecord& record) override {
        keep(record);
        add({"decodeUncompressed",
             {double(pixelsPerRow), double(direction)},
             {payload.begin(), payload.end()}});
    }
    void showAlarm(int code, std::string_view title, std::string_view message) override {
        add({"showAlarm", {double(code)}, {}, std::string(title) + "|" + std::string(message)});
    }

    std::vector<SinkCall> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& c : calls())
            out.push_back(c.name);
        return out;
    }
    std::vector<SinkCall> callsOf(const std::string& name) const {
        std::vector<SinkCall> out;
        for (const auto& c : calls())
            if (c.name == name)
                out.push_back(c);
        return out;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        calls_.clear();
    }
    // The record handed to the last decoder entry.
    MeasurementRecord decodedRecord() const {
        std::lock_guard lock(mutex_);
        return decodedRecord_;
    }

    RecordingDecision decision{true, false};

private:
    void keep(const MeasurementRecord& record) {
        std::lock_guard lock(mutex_);
        decodedRecord_ = record;
    }
    void add(SinkCall call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
    }
    mutable std::mutex mutex_;
    std::vector<SinkCall> calls_;
    MeasurementRecord decodedRecord_;
};

class FakeLink : public FrameSource {
public:
    std::uint32_t frameCounter() const override { return counter; }
    std::optional<WinchSettingsEcho> lastWinchSettings() const override { return lastSent; }
    void resendWinchSettings() override { ++resends; }

    std::uint32_t counter = 0x3C;
    std::optional<WinchSettingsEcho> lastSent;
    int resends = 0;
};

inline const std::vector<Role> allRoles = {
    Role::CommunicationPage, Role::CameraPanel,     Role::ProbePage,
    Role::DeviationWindow,   Role::DiagnosticPanel, Role::ProductTools,
    Role::MainWindow,        Role::ProbePanel,      Role::ColourCalibrationPage,
};

// Settings with a depth scale of 10 counts per centimetre (1000 counts per metre) and a wheel
// of 500 mm on 1000 pulses per turn (speed count 100 = 1 m/min).
inline DecoderSettings testSettings() {
    DecoderSettings s;
    s.shutter = 10;
    s.orientationMode = 1;
    s.magneticOffset = 2.5;
    s.wheelValue = 500.0;
    s.pulsResolution = 1000;
    s.depthScale = 10.0;
    s.viewMode = 0;
    s.cameraOffset = 8.0;
    s.gammaCoefficient = 1.5;
    s.imageOffset = 30.0;
    return s;
}

class StreamTest : public ::testing::Test {
protected:
    StreamTest() { stream.setSettings(testSettings()); }

    void SetUp() override {
        DiagnosticLogs& logs = DiagnosticLogs::instance();
        logs.setFolder(home.path());
        TechnicalSwitches on;
        on.debuggingTrace = true;
        logs.setSwitches(on);
        logs.deleteTraceLog();
    }
    void TearDown() override { DiagnosticLogs::instance().setSwitches(TechnicalSwitches{}); }

    // The texts of the trace lines written so far (after the location), in order.
    std::vector<std::string> traceTexts() const {
        std::vector<std::string> out;
        const std::string log = home.read("Trace_ZARN.log");
        const std::string marker = "CToolsStream - ";
        std::size_t at = 0;
        while ((at = log.find(marker, at)) != std::string::npos) {
            at += marker.size();
            const std::size_t end = log.find('\n', at);
            out.push_back(log.substr(at, end == std::string::npos ? end : end - at + 1));
        }
        return out;
    }

    std::vector<MessageRecorder::Received> messages() { return recorder.received(); }

    TempHome home;
    MessageBus bus;
    MessageRecorder recorder{bus, allRoles};
    RecordingSink sink;
    FakeLink link;
    CToolsStream stream{&sink, &link, bus};
};

} // namespace zarn::test
