// The logic of the technical tools dialog: four check boxes showing the technical switches;
// OK stores the boxes into the switches and the per-user settings store, Cancel changes
// nothing. The window (CTechnicalToolsDlg) shows the boxes and forwards here.
#pragma once

#include "acquisition/app/SettingsRecords.h"
#include "platform/SettingsStore.h"

#include <array>
#include <string_view>

namespace zarn {

class TechnicalToolsLogic {
public:
    static constexpr std::string_view Title = "Technical tools ";

    enum class Box { TechnicalTools, DebuggingTools, DebuggingTrace, FullTracing };
    static constexpr std::array<Box, 4> Boxes = {Box::TechnicalTools, Box::DebuggingTools,
                                                 Box::DebuggingTrace, Box::FullTracing};
    static std::string_view label(Box box);

    // The boxes start from the switches as they are.
    explicit TechnicalToolsLogic(const TechnicalSwitches& current);

    bool checked(Box box) const;
    void setChecked(Box box, bool on);

    // OK: the switches become the boxes (checked means on), the diagnostic logs follow them
    // at once, and all four values are written to the store, creating the key when missing.
    // False when the store cannot be written (the switches are set all the same).
    [[nodiscard]] bool accept(TechnicalSwitches& switches, SettingsStore& store) const;
    // Cancel changes nothing; there is nothing to do.

private:
    TechnicalSwitches boxes_;
};

} // namespace zarn
