// The logic of the recording mode dialog (CPRecordingMode), shown before a recording starts: the
// logging direction recorded in the data files and the depth interval after which the recording
// goes on in a new data file. The window shows the texts and forwards OK here; on OK the caller
// also sets the furthest depth reached to the current image depth, so that the recording starts
// from where the sonde is.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace zarn {

struct SplitChoice {
    std::string_view text; // as the drop list shows it
    int length;            // the split length, in the unit of the text
};

inline constexpr std::array<SplitChoice, 2> MetricSplitChoices = {{{"50 m", 50}, {"100 m", 100}}};
inline constexpr std::array<SplitChoice, 2> ImperialSplitChoices = {
    {{"200 feet", 200}, {"500 feet", 500}}};

namespace logdirection {
inline constexpr int Uphole = 0;
inline constexpr int Downhole = 1;
} // namespace logdirection

class RecordingModeLogic {
public:
    // cableSpeed: the current speed of the measurement record (negative: moving up). feet: the
    // depth unit is feet. orientationMode: 0 none, 1 vertical, 2 horizontal.
    RecordingModeLogic(double cableSpeed, bool feet, int orientationMode);

    // The drop list's entries for the depth unit; the first is selected when the dialog opens.
    const std::array<SplitChoice, 2>& SplitChoices() const;
    // "Downhole" is checked at first when the cable stands still or goes down.
    bool DownholePreselected() const { return cableSpeed_ >= 0.0; }
    // "Orientation : None" / "Orientation : Vertical" / "Orientation : Horizontal"; empty for a
    // mode that is none of them.
    std::string OrientationLine() const;

    struct Result {
        int logDirection = logdirection::Downhole; // 1 downhole, 0 uphole
        int splitLength = 0;                       // in the unit of the drop list
    };
    // OK: the direction of the checked button (previousDirection when neither is checked) and
    // the length of the selected drop list entry (the first when the index is outside the list).
    [[nodiscard]] Result Accept(bool downholeChecked, bool upholeChecked, int splitIndex,
                                int previousDirection) const;

private:
    double cableSpeed_;
    bool feet_;
    int orientationMode_;
};

} // namespace zarn
