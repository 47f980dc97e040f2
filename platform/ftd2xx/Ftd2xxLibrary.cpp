#include "platform/ftd2xx/Ftd2xxLibrary.h"

#include <cstdlib>
#include <dlfcn.h>
#include <type_traits>

namespace zarn {
namespace {

// One row per call: its exported name and where its pointer goes.
struct Binding {
    std::string_view name;
    void (*store)(Ftd2xxCalls&, void*);
};

template <auto Member> void storeAs(Ftd2xxCalls& calls, void* symbol) {
    using Pointer = std::remove_reference_t<decltype(calls.*Member)>;
    calls.*Member = reinterpret_cast<Pointer>(symbol);
}

constexpr std::array<Binding, Ftd2xxLibrary::CallCount> bindings{{
    {"FT_Write", storeAs<&Ftd2xxCalls::write>},
    {"FT_Read", storeAs<&Ftd2xxCalls::read>},
    {"FT_Open", storeAs<&Ftd2xxCalls::open>},
    {"FT_OpenEx", storeAs<&Ftd2xxCalls::openEx>},
    {"FT_ListDevices", storeAs<&Ftd2xxCalls::listDevices>},
    {"FT_Close", storeAs<&Ftd2xxCalls::close>},
    {"FT_ResetDevice", storeAs<&Ftd2xxCalls::resetDevice>},
    {"FT_Purge", storeAs<&Ftd2xxCalls::purge>},
    {"FT_SetTimeouts", storeAs<&Ftd2xxCalls::setTimeouts>},
    {"FT_GetQueueStatus", storeAs<&Ftd2xxCalls::getQueueStatus>},
    {"FT_SetBreakOn", storeAs<&Ftd2xxCalls::setBreakOn>},
    {"FT_SetBreakOff", storeAs<&Ftd2xxCalls::setBreakOff>},
    {"FT_GetStatus", storeAs<&Ftd2xxCalls::getStatus>},
    {"FT_SetEventNotification", storeAs<&Ftd2xxCalls::setEventNotification>},
    {"FT_EE_Read", storeAs<&Ftd2xxCalls::eeRead>},
    {"FT_EE_Program", storeAs<&Ftd2xxCalls::eeProgram>},
    {"FT_EE_UARead", storeAs<&Ftd2xxCalls::eeUaRead>},
    {"FT_EE_UAWrite", storeAs<&Ftd2xxCalls::eeUaWrite>},
    {"FT_EE_UASize", storeAs<&Ftd2xxCalls::eeUaSize>},
    {"FT_GetLatencyTimer", storeAs<&Ftd2xxCalls::getLatencyTimer>},
    {"FT_SetLatencyTimer", storeAs<&Ftd2xxCalls::setLatencyTimer>},
}};

} // namespace

const std::array<std::string_view, Ftd2xxLibrary::CallCount>& Ftd2xxLibrary::bindingOrder() {
    static const std::array<std::string_view, CallCount> names = [] {
        std::array<std::string_view, CallCount> out{};
        for (size_t i = 0; i < CallCount; ++i)
            out[i] = bindings[i].name;
        return out;
    }();
    return names;
}

std::string Ftd2xxLibrary::libraryName() {
    const char* name = std::getenv(std::string(EnvironmentVariable).c_str());
    if (name && *name)
        return name;
    return std::string(DefaultName);
}

Ftd2xxLibrary::~Ftd2xxLibrary() {
    if (handle_)
        dlclose(handle_);
}

Ftd2xxLibrary::Result Ftd2xxLibrary::load(const std::string& name) {
    if (handle_)
        return result_;
    handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = dlerror();
        loadError_ = why ? why : "";
        result_ = Result::NotLoaded;
        return result_;
    }
    for (const Binding& binding : bindings) {
        const std::string symbolName(binding.name);
        void* symbol = dlsym(handle_, symbolName.c_str());
        if (!symbol) {
            missingName_ = symbolName;
            result_ = Result::MissingName;
            return result_;
        }
        binding.store(calls_, symbol);
    }
    result_ = Result::Bound;
    return result_;
}

} // namespace zarn
