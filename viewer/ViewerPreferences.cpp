#include "viewer/ViewerPreferences.h"

#include "platform/Format.h"
#include "platform/PixelImage.h"

#include <algorithm>
#include <optional>
#include <string>

namespace lvviewer {
namespace {

long long readValue(zarn::SettingsStore& store, std::string_view name, long long fallback) {
    const std::optional<std::string> text = store.readString(PreferencesKey, name);
    if (!text) {
        (void)store.writeString(PreferencesKey, name, std::to_string(fallback));
        return fallback;
    }
    const std::string_view value = zarn::trim(*text);
    // Colours are written as decimal numbers; a hexadecimal one is read too.
    if (value.starts_with("0x") || value.starts_with("0X"))
        return static_cast<long long>(
            std::strtoull(std::string(value.substr(2)).c_str(), nullptr, 16));
    return zarn::parseInt(value);
}

} // namespace

std::uint32_t pixelOfColorRef(std::uint32_t c) {
    return zarn::pixelOf(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

std::uint32_t colorRefOfPixel(std::uint32_t p) {
    return zarn::pixelRed(p) | zarn::pixelGreen(p) << 8 | zarn::pixelBlue(p) << 16;
}

ViewerPreferences readPreferences(zarn::SettingsStore& store) {
    ViewerPreferences p;
    const ViewerPreferences d;
    p.fontSize =
        static_cast<int>(std::clamp<long long>(readValue(store, "FontSize", d.fontSize), 1, 3));
    p.depthScale = static_cast<int>(
        std::clamp<long long>(readValue(store, "DepthScale", d.depthScale), 1, 100));
    p.fillingColor =
        static_cast<std::uint32_t>(readValue(store, "FillingColor", d.fillingColor)) & 0x00FFFFFF;
    p.lineScrollInc = static_cast<int>(
        std::clamp<long long>(readValue(store, "LineScrollInc", d.lineScrollInc), 1, 100));
    p.useBkgLoader = readValue(store, "UseBkgLoader", 1) > 0;
    p.colorPreview = readValue(store, "ColorPreview", 0) > 0;
    p.shrinkButArrow = readValue(store, "ShrinkButArrow", 0) > 0;
    const long long unit = readValue(store, "SetDepthUnit", 0);
    p.setDepthUnit = unit == 1 || unit == 2 ? static_cast<int>(unit) : 0;
    p.cacheMegabytes = static_cast<int>(
        std::clamp<long long>(readValue(store, "CacheMegabytes", d.cacheMegabytes), 64, 65536));
    return p;
}

bool writePreferences(zarn::SettingsStore& store, const ViewerPreferences& p) {
    const std::pair<std::string_view, long long> values[] = {
        {"FontSize", p.fontSize},
        {"DepthScale", p.depthScale},
        {"FillingColor", p.fillingColor},
        {"LineScrollInc", p.lineScrollInc},
        {"UseBkgLoader", p.useBkgLoader ? 1 : 0},
        {"ColorPreview", p.colorPreview ? 1 : 0},
        {"ShrinkButArrow", p.shrinkButArrow ? 1 : 0},
        {"SetDepthUnit", p.setDepthUnit},
        {"CacheMegabytes", p.cacheMegabytes},
    };
    bool written = true;
    for (const auto& [name, value] : values)
        written = store.writeString(PreferencesKey, name, std::to_string(value)) && written;
    return written;
}

std::string depthScaleText(int step, bool imperial) {
    if (imperial)
        return zarn::format("0.%02d ft", step);
    return std::to_string(step) + " cm";
}

int depthScaleIndex(int step) {
    for (int i = 0; i < 6; ++i)
        if (DepthScaleSteps[i] == step)
            return i;
    return 0;
}

} // namespace lvviewer
