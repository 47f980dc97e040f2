#include "acquisition/app/TechnicalSwitchesStore.h"

#include "platform/Format.h"

namespace zarn {
namespace {

bool readSwitch(const SettingsStore& store, std::string_view name) {
    const auto value = store.readString(TechnicalSwitchesStore::KeyPath, name);
    return value && equalsNoCase(trim(*value), "TRUE");
}

} // namespace

TechnicalSwitches TechnicalSwitchesStore::read(const SettingsStore& store) {
    TechnicalSwitches switches;
    if (!store.keyExists(KeyPath))
        return switches;
    switches.technicalTools = readSwitch(store, TechnicalToolsValue);
    switches.debuggingTools = readSwitch(store, DebuggingToolsValue);
    switches.debuggingTrace = readSwitch(store, DebuggingTraceValue);
    switches.fullTracing = readSwitch(store, FullTracingValue);
    return switches;
}

bool TechnicalSwitchesStore::write(SettingsStore& store, const TechnicalSwitches& switches) {
    const auto text = [](bool on) { return on ? "true" : "false"; };
    bool ok = store.writeString(KeyPath, TechnicalToolsValue, text(switches.technicalTools));
    ok = store.writeString(KeyPath, DebuggingToolsValue, text(switches.debuggingTools)) && ok;
    ok = store.writeString(KeyPath, DebuggingTraceValue, text(switches.debuggingTrace)) && ok;
    ok = store.writeString(KeyPath, FullTracingValue, text(switches.fullTracing)) && ok;
    return ok;
}

} // namespace zarn
