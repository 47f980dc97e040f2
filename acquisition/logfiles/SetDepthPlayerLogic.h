// The logic of the "Set depth start" dialog (CPSetDepthPlayer) of a single-file log: the depth
// range offered, the start depth proposed and the check of the depth the operator enters. The
// window shows the texts and forwards OK here; "All" needs no logic (replay from the first
// record).
//
// The range runs from the first record's image depth to the header's end depth, each moved
// 1 cm inwards; all bounds are kept in whole millimetres (centimetres x 10).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

class SetDepthPlayerLogic {
public:
    // firstImageDepthUnits: the first record's image depth in 0.1 mm when the data file could be
    // read; otherwise the header's "Startdepth" (mm) is used. headerEndDepthMm: the header's
    // "EndDepth". feet: depths are shown and entered in feet.
    SetDepthPlayerLogic(std::optional<std::int32_t> firstImageDepthUnits, int headerStartDepthMm,
                        int headerEndDepthMm, bool feet);

    // "Depth : %.2f m to %.2f m" (feet: "... ft to ... ft").
    std::string RangeText() const;
    // The start depth with two decimals, as the edit field shows it at first.
    std::string InitialEntry() const;
    std::int64_t StartMm() const { return start_; }
    std::int64_t EndMm() const { return end_; }

    struct Outcome {
        bool accepted = false;
        double startDepthMetres = 0.0; // when accepted
        std::string message;           // when refused: shown, the dialog stays open
    };
    // OK with the text of the edit field.
    [[nodiscard]] Outcome Accept(std::string_view entry) const;

private:
    std::string depthText(std::int64_t mm) const;
    std::string boundMessage(const char* which, std::int64_t mm) const;

    std::int64_t start_ = 0; // mm
    std::int64_t end_ = 0;   // mm
    bool feet_ = false;
};

} // namespace zarn
