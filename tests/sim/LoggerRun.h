// Drives a simulated logger frame by frame in model time, as the device does, and decodes what
// it sends with the program's own frame decoder.
#pragma once

#include "acquisition/stream/ToolsStream.h"
#include "platform/MessageBus.h"
#include "sim/Logger.h"
#include "tests/sim/SimTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace zarn::sim::test {

struct Received {
    FrameKind kind = FrameKind::Status;
    std::vector<std::uint8_t> frame; // empty when the packet did not split cleanly or was lost
    std::vector<std::uint8_t> packet;
    double time = 0;   // model time the frame started
    double period = 0; // until the next one
};

class LoggerRun {
public:
    explicit LoggerRun(const std::string& iniText)
        : settings(SimulatorSettings::parse(iniText)), logger(settings) {
        stream.setSettings(program.decoderSettings());
    }

    Received next() {
        ProducedFrame f = logger.produce(time);
        Received r{f.kind, {}, f.packet, time, f.periodSeconds};
        if (!f.packet.empty()) {
            PacketSplitter splitter;
            splitter.feed(f.packet);
            if (auto p = splitter.next())
                r.frame = std::move(p->frame);
        }
        time += f.periodSeconds;
        return r;
    }
    // Frames until one satisfies the test; fails the test after `limit` model seconds.
    Received until(const std::function<bool(const Received&)>& wanted, double limit = 30) {
        const double end = time + limit;
        while (time < end) {
            Received r = next();
            if (wanted(r))
                return r;
        }
        ADD_FAILURE() << "no such frame within " << limit << " s";
        return {};
    }
    static bool full(const Received& r) { return r.frame.size() > frame::status::Size; }
    void write(const std::vector<std::uint8_t>& bytes) { logger.receive(bytes, time); }
    int decode(const Received& r) {
        if (r.frame.size() == frame::status::Size)
            return stream.DecodeStatusFrame(r.frame) ? FrameResult::Ok : 0;
        if (r.frame.size() == frame::shortframe::Size)
            return stream.DecodeShortFrame(r.frame) ? FrameResult::Ok : 0;
        return stream.DecodeFullFrame(r.frame, true);
    }

    SimulatorSettings settings;
    Logger logger;
    ProgramSide program;
    MessageBus bus;
    CToolsStream stream{nullptr, nullptr, bus};
    double time = 0;
};

} // namespace zarn::sim::test
