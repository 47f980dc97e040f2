#include "acquisition/settings/RecordingModeLogic.h"

namespace zarn {

RecordingModeLogic::RecordingModeLogic(double cableSpeed, bool feet, int orientationMode)
    : cableSpeed_(cableSpeed), feet_(feet), orientationMode_(orientationMode) {}

const std::array<SplitChoice, 2>& RecordingModeLogic::SplitChoices() const {
    return feet_ ? ImperialSplitChoices : MetricSplitChoices;
}

std::string RecordingModeLogic::OrientationLine() const {
    switch (orientationMode_) {
    case 0:
        return "Orientation : None";
    case 1:
        return "Orientation : Vertical";
    case 2:
        return "Orientation : Horizontal";
    default:
        return {};
    }
}

RecordingModeLogic::Result RecordingModeLogic::Accept(bool downholeChecked, bool upholeChecked,
                                                      int splitIndex, int previousDirection) const {
    Result result;
    if (downholeChecked)
        result.logDirection = logdirection::Downhole;
    else if (upholeChecked)
        result.logDirection = logdirection::Uphole;
    else
        result.logDirection = previousDirection;
    const auto& choices = SplitChoices();
    const bool inList = splitIndex >= 0 && static_cast<size_t>(splitIndex) < choices.size();
    result.splitLength = choices[inList ? static_cast<size_t>(splitIndex) : 0].length;
    return result;
}

} // namespace zarn
