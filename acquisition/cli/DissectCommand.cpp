// dissect CAPTURE: the bytes of a raw capture run read by read through the reader's packet
// framing, as the reader ran them, and each frame through the stream decoder; one JSON object per
// frame handed on and per fault the framing found, then a summary.
//
// The frames are decoded one after the other as they arrive: the video packet recovery, which
// would hold back and reorder full data frames, is not run, so that every frame shows up where it
// is in the capture.
#include "acquisition/cli/Commands.h"
#include "acquisition/cli/RecordJson.h"
#include "acquisition/link/CommandFrames.h"
#include "acquisition/link/FrameHandler.h"
#include "acquisition/link/PacketFramer.h"
#include "acquisition/link/RawCapture.h"
#include "acquisition/link/ShortFrameRebuild.h"
#include "acquisition/stream/ToolsStream.h"
#include "acquisition/wire/FrameLayout.h"
#include "platform/FileIo.h"
#include "platform/Format.h"
#include "platform/MessageBus.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace zarn::cli {
namespace {

namespace fs = std::filesystem;

// The settings the frames are decoded with, and where their depth scale came from.
struct DecodingSettings {
    DecoderSettings decoder;
    const char* depthScaleFrom = "";
};

// The depth scale (encoder counts per centimetre, k / 256) is set when the winch settings frame
// is built for the logger. Offline no such frame has been built, so a configuration's depth scale
// is still 0: it is taken from building that frame from the settings' wheel value and pulse
// resolution, as the program does before it sends it. A depth scale the caller already has
// (above 0) is kept.
DecodingSettings decodingSettings(const std::optional<DecoderSettings>& given) {
    DecodingSettings s;
    if (!given) {
        Configuration configuration;
        s.decoder = DecoderSettings::from(configuration, SelectedSonde{}, false);
    } else {
        s.decoder = *given;
        if (s.decoder.depthScale > 0.0 && std::isfinite(s.decoder.depthScale)) {
            s.depthScaleFrom = "given";
            return s;
        }
    }
    Configuration winch;
    winch.logger.pulsesPerTurn = s.decoder.pulsResolution;
    winch.program.wheelCircumferenceMm = s.decoder.wheelValue;
    if (CommandFrames::F1(winch.logger, winch.program)) {
        s.decoder.depthScale = winch.logger.depthScale;
        s.depthScaleFrom = given ? "winch settings" : "default winch settings";
    } else {
        s.decoder.depthScale = 0.0;
        s.depthScaleFrom = "none: the winch settings give no depth scale";
    }
    return s;
}

// What the summary says about the decoding: the depth scale and the winch settings behind it.
Json decodingJson(const DecodingSettings& s) {
    Json j;
    j["DepthScale"] = s.decoder.depthScale;
    j["DepthScaleFrom"] = s.depthScaleFrom;
    j["PulsResolution"] = s.decoder.pulsResolution;
    j["WheelValue"] = s.decoder.wheelValue;
    j["CameraOffset"] = s.decoder.cameraOffset;
    return j;
}

Json counterJson(std::optional<std::uint8_t> counter) {
    return counter ? Json(*counter) : Json(nullptr);
}

// Prints what the framing hands on and decodes the frames.
class Dissector final : public FrameHandler {
public:
    Dissector(std::ostream& out, bool decode, const DecoderSettings& settings)
        : out_(out), decode_(decode) {
        stream_.setSettings(settings);
    }

    void setFramer(const PacketFramer& framer) { framer_ = &framer; }
    // The capture's read being processed (1 for the first).
    void setRead(std::size_t read) { read_ = read; }

    void frameReady(std::span<const std::uint8_t> f) override {
        const std::size_t n = f.size();
        const std::uint64_t salvaged = framer_->counts().salvagedFrames;
        const bool wasSalvaged = salvaged != salvagedSeen_;
        salvagedSeen_ = salvaged;
        const bool full = n >= frame::full::MinimumSize;

        Json j = event();
        if (wasSalvaged)
            j["Kind"] = "salvaged";
        else if (full)
            j["Kind"] = "full";
        else
            j["Kind"] = n;
        j["PacketCounter"] = counterJson(framer_->packetCounter());
        j["Length"] = n;
        j["FrameSum"] = n >= 2 && frame::sum16(f.first(n - 2)) ==
                                      frame::u16(f, n - frame::full::FrameSumFromEnd);
        if (full) {
            const std::size_t payload = n - frame::full::Overhead;
            j["PackChecksum"] = dataChecksumValid(f);
            j["VideoChecksum"] = frame::sum16(f.subspan(frame::full::Payload, payload)) ==
                                 frame::u16(f, n - frame::full::VideoChecksumFromEnd);
        }
        if (decode_)
            decodeInto(j, f, full);
        writeJsonLine(out_, j);
    }

    void packetsMissed(int count) override {
        // The framing has not taken the new counter yet.
        const std::optional<std::uint8_t> previous = framer_->packetCounter();
        Json j = event();
        j["Kind"] = "error";
        j["Error"] = "InvalidPackets";
        j["Count"] = count;
        j["PreviousCounter"] = counterJson(previous);
        if (previous) {
            const auto next = static_cast<std::uint8_t>(*previous + count + 1);
            j["PacketCounter"] = next;
            j["Found"] = format("packet counter jumped from %d to %d: %d packets missed",
                                int(*previous), int(next), count);
        }
        writeJsonLine(out_, j);
    }

    void frameLengthError() override {
        Json j = event();
        j["Kind"] = "error";
        j["Error"] = "FrameLengthError";
        j["PacketCounter"] = counterJson(framer_->packetCounter());
        j["Found"] = "packet given up because of its length (cut short by the next sync, a "
                     "length field that holds no frame, or the assembly bound)";
        writeJsonLine(out_, j);
    }

private:
    Json event() const {
        Json j;
        j["Read"] = read_;
        return j;
    }

    // Decodes the frame as the dispatcher hands it to the decoder: a full data frame whose sonde
    // block fails its checksum goes on as the 16-byte frame rebuilt from its logger header.
    void decodeInto(Json& j, std::span<const std::uint8_t> f, bool full) {
        const std::size_t n = f.size();
        bool decoded = false;
        if (full && dataChecksumValid(f)) {
            const int result = stream_.DecodeFullFrame(f, true);
            j["Result"] = result;
            decoded = result == FrameResult::Ok;
        } else if (full) {
            const ShortFrame rebuilt =
                rebuildAsShortFrame(f, f[n - frame::full::CommStatusFromEnd]);
            j["DispatchedAs"] = frame::shortframe::Size;
            decoded = stream_.DecodeShortFrame(rebuilt);
        } else if (n == frame::shortframe::Size) {
            decoded = stream_.DecodeShortFrame(f);
        } else if (n == frame::status::Size) {
            decoded = stream_.DecodeStatusFrame(f);
        }
        j["Decoded"] = decoded;
        if (decoded)
            appendFields(j, recordJson(stream_.snapshot()));
    }

    std::ostream& out_;
    bool decode_;
    MessageBus bus_; // the decoder's notifications of the windows: nobody listens
    CToolsStream stream_{nullptr, nullptr, bus_};
    const PacketFramer* framer_ = nullptr;
    std::uint64_t salvagedSeen_ = 0;
    std::size_t read_ = 0;
};

void fail(std::ostream& err, const fs::path& path, std::string_view what) {
    err << "zarn-cli: " << path.string() << ": " << what << '\n';
}

} // namespace

int runDissect(const DissectOptions& options, std::ostream& out, std::ostream& err) {
    const fs::path& path = options.capture;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) {
        fail(err, path, "no such file");
        return ExitCode::MissingFile;
    }
    if (!fs::is_regular_file(status)) {
        fail(err, path, "not a file");
        return ExitCode::MissingFile;
    }
    const std::optional<std::string> bytes = readWholeFile(path);
    if (!bytes) {
        fail(err, path, "cannot be read");
        return ExitCode::MissingFile;
    }

    const DecodingSettings settings = decodingSettings(options.decoderSettings);
    Dissector dissector(out, options.decode, settings.decoder);
    PacketFramer framer(dissector);
    dissector.setFramer(framer);
    std::size_t reads = 0;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
    // Each record of the capture is one read of the reader, no longer than the room the framing
    // had for it then, so feeding it processes it as that same read.
    const CaptureReplay replay =
        parseRawCapture(std::span(data, bytes->size()), [&](std::span<const std::uint8_t> read) {
            dissector.setRead(++reads);
            framer.feed(read);
        });

    const FramingCounts& counts = framer.counts();
    Json summary;
    summary["Kind"] = "summary";
    summary["Reads"] = replay.reads;
    summary["Bytes"] = replay.bytes;
    summary["Frames"] = counts.frames;
    summary["SalvagedFrames"] = counts.salvagedFrames;
    summary["InvalidPackets"] = counts.invalidPackets;
    summary["FrameLengthErrors"] = counts.frameLengthErrors;
    summary["LostFrames"] = counts.lostFrames;
    summary["Unfinished"] = framer.assembling(); // the capture ends inside a packet
    if (options.decode)
        summary["Decoding"] = decodingJson(settings);
    writeJsonLine(out, summary);

    if (!out.flush()) {
        err << "zarn-cli: the output cannot be written\n";
        return ExitCode::Failure;
    }
    if (!replay.complete) {
        fail(err, path, replay.error);
        return ExitCode::CorruptInput;
    }
    return ExitCode::Ok;
}

} // namespace zarn::cli
