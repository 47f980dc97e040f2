#include "acquisition/app/TechnicalToolsLogic.h"

#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/app/TechnicalSwitchesStore.h"

namespace zarn {
namespace {

bool& boxOf(TechnicalSwitches& s, TechnicalToolsLogic::Box box) {
    switch (box) {
    case TechnicalToolsLogic::Box::TechnicalTools:
        return s.technicalTools;
    case TechnicalToolsLogic::Box::DebuggingTools:
        return s.debuggingTools;
    case TechnicalToolsLogic::Box::DebuggingTrace:
        return s.debuggingTrace;
    case TechnicalToolsLogic::Box::FullTracing:
        break;
    }
    return s.fullTracing;
}

} // namespace

std::string_view TechnicalToolsLogic::label(Box box) {
    switch (box) {
    case Box::TechnicalTools:
        return "Display technical tools";
    case Box::DebuggingTools:
        return "file : error_ZARN.log";
    case Box::DebuggingTrace:
        return "File : Trace_ZARN.log";
    case Box::FullTracing:
        break;
    }
    return "Full tracing";
}

TechnicalToolsLogic::TechnicalToolsLogic(const TechnicalSwitches& current) : boxes_(current) {}

bool TechnicalToolsLogic::checked(Box box) const {
    TechnicalSwitches copy = boxes_;
    return boxOf(copy, box);
}

void TechnicalToolsLogic::setChecked(Box box, bool on) {
    boxOf(boxes_, box) = on;
}

bool TechnicalToolsLogic::accept(TechnicalSwitches& switches, SettingsStore& store) const {
    switches = boxes_;
    DiagnosticLogs::instance().setSwitches(switches);
    return TechnicalSwitchesStore::write(store, switches);
}

} // namespace zarn
