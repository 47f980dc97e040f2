// The four technical switches in the per-user settings store, under the key
// "Software\Lumivane\ZARN\TechnicalTools": values "TechnicalTools", "DebugingTools",
// "DebugingTrace" and "FullTracing", each "true" or "false".
#pragma once

#include "acquisition/app/SettingsRecords.h"
#include "platform/SettingsStore.h"

#include <string_view>

namespace zarn {

class TechnicalSwitchesStore {
public:
    static constexpr std::string_view KeyPath = "Software\\Lumivane\\ZARN\\TechnicalTools";
    static constexpr std::string_view TechnicalToolsValue = "TechnicalTools";
    static constexpr std::string_view DebuggingToolsValue = "DebugingTools";
    static constexpr std::string_view DebuggingTraceValue = "DebugingTrace";
    static constexpr std::string_view FullTracingValue = "FullTracing";

    // All false when the key does not exist; a missing value is false; a value is true when,
    // trimmed, it reads "TRUE" in any case.
    static TechnicalSwitches read(const SettingsStore& store);
    // Writes all four values, creating the key when it is missing. False when the store
    // cannot be written.
    [[nodiscard]] static bool write(SettingsStore& store, const TechnicalSwitches& switches);
};

} // namespace zarn
