// The reader's packet framing and the dispatcher with arbitrary bytes: bytes in, frames out. The
// first input byte chooses how the rest is cut into reads, and whether the rest is the stream as
// it is or a recipe of packets (mostly well formed, with chosen faults) that reaches the deep
// paths: assembly, cut packets, salvage, full data frames. Every frame that reaches a decoder
// must have a length the logger sends and a trailing sum that checks out, a full data frame must
// have a good sonde block, and the framing must keep its read area and counts sound. The same
// bytes are also read as a raw capture and replayed.
#include "acquisition/link/FrameDispatcher.h"
#include "acquisition/link/PacketFramer.h"
#include "acquisition/link/RawCapture.h"
#include "acquisition/link/ShortFrameRebuild.h"
#include "acquisition/wire/FrameLayout.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

namespace {

using Bytes = std::span<const std::uint8_t>;

void require(bool condition) {
    if (!condition)
        std::abort();
}

// The last two bytes are the sum of the bytes before them.
bool trailingSumValid(Bytes f) {
    return f.size() >= 2 &&
           zarn::frame::sum16(f.first(f.size() - 2)) == zarn::frame::u16(f, f.size() - 2);
}

unsigned touched = 0;

void touch(Bytes f) {
    for (const std::uint8_t b : f)
        touched += b;
}

class CheckingDecoder final : public zarn::FrameDecoder {
public:
    bool DecodeShortFrame(Bytes f) override {
        require(f.size() == 16 && zarn::shortFrameChecksumValid(f));
        touch(f);
        return true;
    }
    bool DecodeStatusFrame(Bytes f) override {
        require(f.size() == 20 && trailingSumValid(f));
        touch(f);
        return true;
    }
    int DecodeFullFrame(Bytes f, bool) override {
        require(f.size() >= 56 && f.size() < 8192 && trailingSumValid(f) &&
                zarn::dataChecksumValid(f));
        touch(f);
        return 1;
    }
    bool DecodePacketHeader(Bytes f) override {
        touch(f);
        return true;
    }
    std::uint8_t sondeAlarmByte() const override { return 0; }
    double lastDepth() const override { return 0.0; }
};

// Checks what the framing hands on before the dispatcher sees it.
class CheckingHandler final : public zarn::FrameHandler {
public:
    explicit CheckingHandler(zarn::FrameDispatcher& dispatcher) : dispatcher_(dispatcher) {}
    void frameReady(Bytes f) override {
        require(zarn::PacketFramer::validFrameLength(f.size()) && trailingSumValid(f));
        dispatcher_.frameReady(f);
    }
    void cutFrameSalvaged(std::uint8_t index) override { dispatcher_.cutFrameSalvaged(index); }
    void packetsMissed(int count) override {
        require(count > 0 && count < 256);
        dispatcher_.packetsMissed(count);
    }
    void frameLengthError() override { dispatcher_.frameLengthError(); }

private:
    zarn::FrameDispatcher& dispatcher_;
};

class Counting final : public zarn::FrameHandler {
public:
    void frameReady(Bytes f) override { touch(f); }
};

void put16(std::vector<std::uint8_t>& f, std::size_t at, unsigned v) {
    f[at] = static_cast<std::uint8_t>(v);
    f[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// Each packet: a control byte, then the frame's bytes taken from the input. Control bits 0-1:
// frame length 16, 20, 56 + 4 x the next byte, or the next byte; 2: fix the sonde block
// checksum; 3: keep the trailing sum wrong; 4: drop the end marker; 5: skip the counter by the
// next byte; 6: replace the length field with the next two bytes; 7: cut the packet to half.
std::vector<std::uint8_t> recipe(Bytes in) {
    std::vector<std::uint8_t> out;
    std::size_t at = 0;
    auto next = [&]() -> std::uint8_t { return at < in.size() ? in[at++] : 0; };
    std::uint8_t counter = 0;
    while (at < in.size() && out.size() < 64 * 1024) {
        const std::uint8_t c = next();
        std::size_t n = 16;
        switch (c & 3) {
        case 1:
            n = 20;
            break;
        case 2:
            n = 56 + 4 * std::size_t{next()};
            break;
        case 3:
            n = next();
            break;
        default:
            break;
        }
        std::vector<std::uint8_t> f(n);
        for (std::uint8_t& b : f)
            b = next();
        if ((c & 4) && n >= 49)
            put16(f, 47, zarn::frame::sum16(Bytes(f).subspan(13, 34)));
        if (n >= 2 && !(c & 8))
            put16(f, n - 2, zarn::frame::sum16(Bytes(f).first(n - 2)));
        if (!(c & 16))
            f.push_back(0x99);
        if (c & 32)
            counter = static_cast<std::uint8_t>(counter + next());
        unsigned length = static_cast<unsigned>(n + 8);
        if (c & 64)
            length = next() | (next() << 8);
        const std::uint8_t header[7] = {0x55,
                                        0xAA,
                                        0x5A,
                                        0xA5,
                                        counter++,
                                        static_cast<std::uint8_t>(length),
                                        static_cast<std::uint8_t>(length >> 8)};
        out.insert(out.end(), header, header + 7);
        out.insert(out.end(), f.begin(),
                   (c & 128) ? f.begin() + static_cast<std::ptrdiff_t>(f.size() / 2) : f.end());
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    static zarn::DiagnosticLogs logs("/nonexistent-zarn-fuzz");
    zarn::Configuration configuration;
    zarn::ConfigurationAccess access = [&](const std::function<void(zarn::Configuration&)>& edit) {
        edit(configuration);
    };
    zarn::LinkFlags flags;
    zarn::TransmissionStatistics statistics;
    std::atomic<int> linkState{0};
    zarn::MessageBus bus;
    CheckingDecoder decoder;
    zarn::FrameDispatcher dispatcher(flags, statistics, linkState, access, logs, bus);
    dispatcher.setDecoder(&decoder);
    CheckingHandler handler(dispatcher);
    auto framer = std::make_unique<zarn::PacketFramer>(handler);

    // Read sizes from a small generator seeded by the first byte.
    unsigned state = data[0] | 1u;
    std::vector<std::uint8_t> made;
    Bytes stream(data + 1, size - 1);
    if (data[0] & 0x80) {
        made = recipe(stream);
        stream = Bytes(made);
    }
    for (std::size_t at = 0; at < stream.size();) {
        state = state * 1103515245u + 12345u;
        require(framer->room() >= 17 && framer->room() <= 24 && framer->carry() <= 7);
        const std::size_t want = 1 + (state >> 16) % framer->room();
        const std::size_t n = std::min(want, stream.size() - at);
        std::memcpy(framer->readArea().data(), stream.data() + at, n);
        framer->processRead(n);
        at += n;
    }
    const zarn::FramingCounts& c = framer->counts();
    require(c.lostFrames == c.invalidPackets + c.frameLengthErrors);
    require(c.salvagedFrames <= c.frames);

    // The same bytes as a capture file.
    Counting counting;
    zarn::PacketFramer replay(counting);
    const zarn::CaptureReplay result =
        zarn::parseRawCapture(Bytes(data, size), [&](Bytes read) { replay.feed(read); });
    require(result.complete == result.error.empty());
    return 0;
}
