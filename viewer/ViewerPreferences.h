// The viewer's preferences, kept in the per-user settings store under
// "Software\Lumivane\LVViewer\Preferences" as whole numbers: each is held to its range when
// read, and a missing one is written with its default the first time it is read.
#pragma once

#include "platform/SettingsStore.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lvviewer {

inline constexpr std::string_view PreferencesKey = "Software\\Lumivane\\LVViewer\\Preferences";

struct ViewerPreferences {
    int fontSize = 1;                        // FontSize, 1 to 3
    int depthScale = 10;                     // DepthScale, tick step in depth counts, 1 to 100
    std::uint32_t fillingColor = 0x004000FE; // FillingColor, 0x00BBGGRR
    int lineScrollInc = 4;                   // LineScrollInc, 1 to 100
    bool useBkgLoader = true;                // UseBkgLoader
    bool colorPreview = false;               // ColorPreview
    bool shrinkButArrow = false;             // ShrinkButArrow
    int setDepthUnit = 0;                    // SetDepthUnit: 1 or 2 imperial, else 0 metric
    int cacheMegabytes = 512; // CacheMegabytes, 64 to 65536: the decoded pieces' budget

    bool imperial() const { return setDepthUnit == 1 || setDepthUnit == 2; }
    std::size_t cacheBytes() const { return std::size_t(cacheMegabytes) << 20; }
};

// Our pixel of a 0x00BBGGRR colour, and back.
std::uint32_t pixelOfColorRef(std::uint32_t colorRef);
std::uint32_t colorRefOfPixel(std::uint32_t pixel);

// Reads every preference (writing the missing ones with their defaults).
ViewerPreferences readPreferences(zarn::SettingsStore& store);
// Writes them all. False when the store cannot be written.
[[nodiscard]] bool writePreferences(zarn::SettingsStore& store, const ViewerPreferences& p);

// The "Depth Scale" choices of the preferences dialog: their texts in the unit ("1 cm" or
// "0.01 ft" for a tick step of 1) and their steps.
inline constexpr int DepthScaleSteps[6] = {1, 2, 5, 10, 20, 50};
std::string depthScaleText(int step, bool imperial);
// The choice of a step; a step not among them is the first.
int depthScaleIndex(int step);

} // namespace lvviewer
