// Helpers of the data log and replay tests: frames of a test log, a clock the test moves, a
// recording rig (decoder, recording rule and writer wired as the owner wires them), a replay
// sink and a status display that record what reaches them.
#pragma once

#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/app/RecorderState.h"
#include "acquisition/logfiles/DataLogWriter.h"
#include "acquisition/logfiles/Header.h"
#include "acquisition/logfiles/LogRecord.h"
#include "acquisition/logfiles/RecordingRule.h"
#include "acquisition/logfiles/ReplaySink.h"
#include "acquisition/stream/ToolsStream.h"
#include "platform/FileIo.h"
#include "platform/ProfileDocument.h"
#include "tests/acquisition/stream/FrameBuilder.h"
#include "tests/support/TestSupport.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zarn::test {

// Decoder settings of the test logs: 1000 depth counts per metre, speed count 100 = 1 m/min,
// no camera offset (so image depths in whole millimetres stay whole after the conversion).
inline DecoderSettings logDecoderSettings() {
    DecoderSettings s;
    s.shutter = 10;
    s.orientationMode = 0;
    s.wheelValue = 500.0;
    s.pulsResolution = 1000;
    s.depthScale = 10.0;
    s.cameraOffset = 0.0;
    s.gammaCoefficient = 1.0;
    return s;
}

// One sample of a test log: depths in whole millimetres, speed in 0.01 m/min.
struct Sample {
    int loggerMm = 0;
    int imageMm = 0;
    int speed = 100; // negative: going up
};

// A deterministic payload of record number n: its length varies, its bytes name it.
inline std::vector<std::uint8_t> payloadOf(int n, int length) {
    std::vector<std::uint8_t> p(static_cast<std::size_t>(length));
    for (std::size_t i = 0; i < p.size(); ++i)
        p[i] = static_cast<std::uint8_t>((n * 31 + static_cast<int>(i) * 7) & 0xFF);
    return p;
}

inline int payloadLengthOf(int n) {
    return 40 + (n * 37) % 300;
}

// The full data frame of sample n (mode 16, 720 pixels, parameter 4).
inline FullFrameFields frameFieldsOf(int n, const Sample& s) {
    FullFrameFields f;
    f.header.depthCount = s.loggerMm;
    f.header.speedCount = static_cast<std::int16_t>(s.speed);
    f.header.valueA = static_cast<std::uint8_t>(n);
    f.header.valueB = 200;
    f.gammaCount = static_cast<std::uint16_t>(n * 3);
    f.cameraTemperature = 61;
    f.secondTemperature = 35;
    f.imageMode = 0x74;
    f.cameraDepthCount = s.imageMm;
    f.pictureNumber = static_cast<std::uint32_t>(n);
    f.gx = 100;
    f.gy = -2000;
    f.gz = 300;
    f.hx = 50;
    f.hy = 60;
    f.hz = 70;
    f.payload = payloadOf(n, payloadLengthOf(n));
    return f;
}

// A clock the test moves by hand.
class FakeClock {
public:
    CDataLogWriter::Clock function() {
        return [this] { return std::chrono::steady_clock::time_point(now_.load()); };
    }
    void advance(std::chrono::nanoseconds step) { now_ = now_.load() + step; }

private:
    std::atomic<std::chrono::nanoseconds> now_{std::chrono::hours(1)};
};

class RecordingDisplay : public LogFilesDisplay {
public:
    void showStatusText(std::string_view text) override {
        std::lock_guard lock(mutex_);
        texts_.emplace_back(text);
    }
    void setWaitCursor(bool on) override {
        std::lock_guard lock(mutex_);
        cursor_.push_back(on);
    }
    std::vector<std::string> texts() const {
        std::lock_guard lock(mutex_);
        return texts_;
    }
    std::vector<bool> cursor() const {
        std::lock_guard lock(mutex_);
        return cursor_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
    std::vector<bool> cursor_;
};

// The decoder's hooks of the recording, forwarded as the owner forwards them.
class RecorderSink : public StreamSink {
public:
    RecorderSink(CRecordingRule& rule, CDataLogWriter& writer) : rule_(rule), writer_(writer) {}
    RecordingDecision recordingRule(MeasurementRecord& record) override {
        return rule_.Apply(record);
    }
    void writeLogFile(std::span<const std::uint8_t> frame, int payloadLength,
                      MeasurementRecord& record) override {
        writer_.WriteLogFile(frame, payloadLength, record);
    }

private:
    CRecordingRule& rule_;
    CDataLogWriter& writer_;
};

inline Configuration logConfiguration(int depthUnit = 0) {
    Configuration c;
    c.paths.fileName = "run.lox";
    c.program.depthUnit = depthUnit;
    return c;
}

// A folder for one test's logs, with the diagnostic logs in it and the trace switched on.
class LogFolder {
public:
    LogFolder() {
        DiagnosticLogs& logs = DiagnosticLogs::instance();
        logs.setFolder(home.path());
        TechnicalSwitches on;
        on.debuggingTrace = true;
        logs.setSwitches(on);
        logs.deleteTraceLog();
    }
    ~LogFolder() { DiagnosticLogs::instance().setSwitches(TechnicalSwitches{}); }
    std::filesystem::path file(const std::string& name) const { return home.file(name); }
    std::string trace() const { return home.read("Trace_ZARN.log"); }

    TempHome home;
};

// Frames go through the decoder, the recording rule and the writer, as on the decoding thread.
class RecordingRig {
public:
    explicit RecordingRig(const LogFolder& folder) : folder_(folder) {
        stream.setSettings(logDecoderSettings());
    }

    std::filesystem::path headerPath() const { return folder_.file("run.hed"); }
    std::filesystem::path dataPath() const { return folder_.file("run.lox"); }

    // Starts a recording at the given image depth (also the rule's last depth).
    bool start(bool down, int split, double startImageDepth, int depthUnit = 0) {
        RecordingSetup setup;
        setup.headerPath = headerPath();
        setup.dataFile = dataPath();
        setup.loggingDown = down;
        setup.loggerDepth = startImageDepth;
        rule.SetLoggingDirection(down);
        rule.SetLastDepth(startImageDepth);
        Configuration configuration = logConfiguration(depthUnit);
        configuration.program.recordSplit = split;
        return writer.StartRecording(setup, configuration, SondeTable{});
    }

    int feed(int n, const Sample& s) {
        return stream.DecodeFullFrame(frameFieldsOf(n, s).build(), true);
    }

    // The header as a profile document.
    std::optional<std::string> key(const std::string& section, const std::string& key) const {
        const auto text = readWholeFile(headerPath());
        if (!text)
            return std::nullopt;
        return ProfileDocument::parse(*text).get(section, key);
    }

    FakeClock clock;
    CHeader header;
    RecorderState state;
    RecordingDisplay display;
    CDataLogWriter writer{header, state, &display, clock.function()};
    CRecordingRule rule{state, &writer};
    RecorderSink sink{rule, writer};
    MessageBus bus;
    CToolsStream stream{&sink, nullptr, bus};

private:
    const LogFolder& folder_;
};

// What the replay handed to the decoding path.
struct Replayed {
    MeasurementRecord record;
    int recordLength = 0;
    int fileIndex = 0; // filled by the player tests
};

class RecordingReplaySink : public ReplaySink {
public:
    bool liveFramesArriving() const override { return live; }
    void publishRecord(const MeasurementRecord& record, int recordLength) override {
        std::lock_guard lock(mutex_);
        published_.push_back(Replayed{record, recordLength, fileIndex ? fileIndex() : 0});
    }
    void decodeMode8(std::span<const std::uint8_t> payload, int pixels, int direction,
                     int parameter, const MeasurementRecord& record) override {
        add("mode8", payload, pixels, direction, parameter, record);
    }
    void decodeMode16(std::span<const std::uint8_t> payload, int pixels, int direction,
                      int parameter, const MeasurementRecord& record) override {
        add("mode16", payload, pixels, direction, parameter, record);
    }
    void refreshMainWindow() override { ++refreshes; }
    void enterReplayState() override { ++replayStates; }
    void playbackEnded() override { ++ends; }

    struct Decode {
        std::string entry;
        std::vector<std::uint8_t> payload;
        int pixels, direction, parameter;
        double imageDepth; // of the record handed with the payload
    };
    std::vector<Replayed> published() const {
        std::lock_guard lock(mutex_);
        return published_;
    }
    std::vector<Decode> decodes() const {
        std::lock_guard lock(mutex_);
        return decodes_;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        published_.clear();
        decodes_.clear();
    }

    std::atomic<bool> live{false};
    std::atomic<int> refreshes{0}, replayStates{0}, ends{0};
    std::function<int()> fileIndex;

private:
    void add(const char* entry, std::span<const std::uint8_t> payload, int pixels, int direction,
             int parameter, const MeasurementRecord& record) {
        std::lock_guard lock(mutex_);
        decodes_.push_back(Decode{entry,
                                  {payload.begin(), payload.end()},
                                  pixels,
                                  direction,
                                  parameter,
                                  record.ImageDepth});
    }
    mutable std::mutex mutex_;
    std::vector<Replayed> published_;
    std::vector<Decode> decodes_;
};

// The record the writer makes of sample n (with an elapsed time of n seconds), for writing
// data files straight.
inline std::string recordBytes(int n, const Sample& s) {
    const FullFrameFields fields = frameFieldsOf(n, s);
    const Frame frame = fields.build();
    MeasurementRecord r;
    r.LoggerDepth = s.loggerMm / 1000.0;
    r.ImageDepth = s.imageMm / 1000.0;
    r.Speed = s.speed / 100.0;
    r.ValueA = fields.header.valueA;
    r.ValueB = fields.header.valueB;
    r.SondeStatus.Shutter = fields.shutter;
    const std::size_t payload = frame.size() - frame::full::Overhead;
    const logrecord::Head head =
        logrecord::buildHead(frame, payload, r, 1000u * static_cast<unsigned>(n));
    std::string bytes(head.begin(), head.end());
    bytes.append(frame.begin() + frame::full::Payload,
                 frame.begin() + frame::full::Payload + static_cast<std::ptrdiff_t>(payload));
    return bytes;
}

} // namespace zarn::test
