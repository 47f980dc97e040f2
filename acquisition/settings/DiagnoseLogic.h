// The logic of the diagnostic panel (CDiagnose): the 38 indicators of the sonde's DSP error bits
// grouped by read-back value, the two bytes of the diagnostic order (F13.6) with its sending
// schedule, and the twelve fields of the transmission statistics.
//
// The indicators follow the six read-back values the stream decoder keeps from the video
// payload's trailers; a value not carried by a trailer keeps its content there, so a trailer
// changes only its own groups. "&DSP Error reset" puts every indicator back to normal until the
// next trailer.
//
// The order goes out when the link is free; until then it is tried again every 64 ms, and after
// GiveUpMs without a free link it is given up (and the panel says so). The reset order goes out
// twice, the second time 500 ms after the first.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace zarn {

struct DspErrorGroup {
    int readBackIndex; // which of the six read-back values drives the group
    const char* title;
    std::array<const char*, 8> labels; // from bit 0 up; nullptr: the bit is not shown
};

// The groups in the order the panel shows them.
extern const std::array<DspErrorGroup, 6> DspErrorGroups;
inline constexpr int DspIndicatorCount = 38;

// The statistics as the panel shows them; the engine fills them from the link's counters and
// the last record.
struct DiagnoseCounts {
    std::int32_t packets16 = 0;
    std::int32_t packets20 = 0;
    std::int32_t packetsFull = 0;
    std::int32_t usbErrors = 0;
    std::int32_t videoPacketErrors = 0;
    std::int32_t videoChecksumErrors = 0;
    std::int32_t frameLengthErrors = 0;
    std::int32_t videoRequests = 0;
    std::int32_t recoveries = 0;
    std::int32_t reserved1 = 0;
    std::int32_t reserved2 = 0;
    std::int32_t rawGamma = 0;
};

struct StatisticsField {
    const char* label;
    std::string text;
};
std::array<StatisticsField, 12> statisticsFieldsOf(const DiagnoseCounts& counts);

// What the panel reads and sends, given by its owner (the engine's side in the program, a
// recorder in the tests). Called on the windows' thread only.
class DiagnosePanelHost {
public:
    virtual ~DiagnosePanelHost() = default;
    // The six read-back values of the record the read-outs show.
    virtual std::array<std::uint8_t, 6> readBack() = 0;
    virtual DiagnoseCounts counts() = 0;
    // "Counter reset": the counters the panel shows, the raw gamma excepted.
    virtual void resetCounters() = 0;
    // The link takes an order now (at most one per frame received).
    [[nodiscard]] virtual bool claimLink() = 0;
    // F13.6 with the two bytes; true when handed to the link.
    [[nodiscard]] virtual bool sendOrder(std::uint8_t byteA, std::uint8_t byteB) = 0;
};

class DiagnoseLogic {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int RetryMs = 64;
    static constexpr int SecondResetMs = 500;
    static constexpr int GiveUpMs = 3000;
    static constexpr const char* NotSentText =
        "The diagnostic order was not sent: the link stayed busy.";
    static constexpr const char* SendFailedText =
        "The diagnostic order was not sent: the link refused it.";

    // What the order carries now.
    std::uint8_t byteA() const { return byteA_; }
    std::uint8_t byteB() const { return byteB_; }
    bool activeDiagnostic() const { return active_; }
    // "&DSP Error reset" is enabled only while the diagnostic is active.
    bool resetEnabled() const { return active_; }

    // 1741: the indicators from the six current read-back values.
    void showReadBack(const std::array<std::uint8_t, 6>& values) { shown_ = values; }
    // The indicator of bit `bit` of group `group` (index in DspErrorGroups): true in error.
    bool inError(std::size_t group, int bit) const;
    int errorsShown() const;

    // "Active diagnostic" checked or unchecked: byte A, byte B = 255, the order scheduled.
    void setActiveDiagnostic(bool active, Clock::time_point now);
    // "&DSP Error reset": byte B = 255, the indicators back to normal, the order scheduled, and
    // once more 500 ms later.
    void dspErrorReset(Clock::time_point now);

    // The panel's 64 ms timer while something is to be sent (sending() is true). claimLink is
    // asked only when an order is due, and says the link takes it now (the link's ready
    // protocol). Returns Send when the order is to go out now (the caller sends it with byteA()
    // and byteB()), GivenUp once when it waited too long, else Wait.
    enum class Step { Wait, Send, GivenUp };
    Step tick(Clock::time_point now, const std::function<bool()>& claimLink);
    bool sending() const { return pending_ || secondResetAt_.has_value(); }

private:
    void schedule(Clock::time_point now);

    std::array<std::uint8_t, 6> shown_{};
    bool active_ = false;
    std::uint8_t byteA_ = 0;
    std::uint8_t byteB_ = 0;
    bool pending_ = false;
    Clock::time_point pendingSince_{};
    std::optional<Clock::time_point> secondResetAt_;
};

} // namespace zarn
