#include "acquisition/app/MainWindowLogic.h"

#include <algorithm>

namespace zarn {

CompassLabels compassLabelsOf(int orientationMode) {
    switch (orientationMode) {
    case 1:
        return {"N", "|45", "|E", "|135", "|S ", "|225", "|W", "|315"};
    case 2:
        return {"U", "| ", "|R", "| ", "|D", "| ", "|L", "| "};
    default:
        return {"", "| ", "| ", "| ", "| ", "| ", "| ", "| "};
    }
}

MainMenuState mainMenuStateOf(bool sondeShownOn, bool recording) {
    if (!sondeShownOn)
        return {};
    return {false, false, false, false, !recording};
}

std::array<int, StatusPaneCount> statusPaneEdges(int clientWidth) {
    constexpr std::array<int, StatusPaneCount - 1> FromRight = {490, 330, 170, 75, 55, 35, 15};
    std::array<int, StatusPaneCount> edges{};
    int left = 0;
    for (std::size_t i = 0; i < FromRight.size(); ++i) {
        left = std::max(left, clientWidth - FromRight[i]);
        edges[i] = left;
    }
    edges.back() = 0;
    return edges;
}

} // namespace zarn
