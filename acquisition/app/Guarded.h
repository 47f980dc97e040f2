// Guarded functions: an unexpected exception is caught, written to the error log under a
// location text made of the class name, " :: L" and the source line ("CUSB :: L1398"),
// reported to the debugger output as "Function: %s\nFile: %s\nLine: %d\n", and the program
// goes on with the guarded call's failure value.
//
//   return guarded(ZARN_GUARD_HERE("CUSB"), false, [&] { return openDevice(); });
//   guarded(ZARN_GUARD_AT("CUSB :: L1398"), [&] { readLoop(); });
#pragma once

#include "platform/Format.h"

#include <exception>
#include <string>
#include <type_traits>
#include <utility>

namespace zarn {

// Where a guarded call sits: the location text for the error log, and the function, source
// file and line for the debugger output.
struct GuardSite {
    std::string location;
    const char* function = "";
    const char* file = "";
    int line = 0;
};

// "Class :: L<line>".
std::string guardLocation(const char* className, int line);
// The qualified function name ("zarn::CUSB::Open") of a compiler's full signature text.
std::string qualifiedFunctionName(const char* signature);
// The file name without its folders.
const char* sourceFileName(const char* path);

// Writes the caught exception (nullptr: one that is not a std::exception) to the error log
// and the site to the debugger output.
void reportGuardedException(const GuardSite& site, const std::exception* error);

// Runs work; on an exception reports it and returns failure.
template <class Work, class Result = std::invoke_result_t<Work&>>
requires(!std::is_void_v<Result>) [[nodiscard]] Result
    guarded(const GuardSite& site, Result failure, Work&& work) {
    try {
        return work();
    } catch (const std::exception& e) {
        reportGuardedException(site, &e);
    } catch (...) {
        reportGuardedException(site, nullptr);
    }
    return failure;
}

// Runs work that returns nothing; false when it ended with an exception (reported).
template <class Work>
requires std::is_void_v<std::invoke_result_t<Work&>>
[[nodiscard]] bool guarded(const GuardSite& site, Work&& work) {
    try {
        work();
        return true;
    } catch (const std::exception& e) {
        reportGuardedException(site, &e);
    } catch (...) {
        reportGuardedException(site, nullptr);
    }
    return false;
}

} // namespace zarn

// The site of the line where it is written, with the location "<className> :: L<line>".
#define ZARN_GUARD_HERE(className)                                                                 \
    ::zarn::GuardSite {                                                                            \
        ::zarn::guardLocation(className, __LINE__), __PRETTY_FUNCTION__,                           \
            ::zarn::sourceFileName(__FILE__), __LINE__                                             \
    }

// The site of the line where it is written, with a fixed location text.
#define ZARN_GUARD_AT(locationText)                                                                \
    ::zarn::GuardSite {                                                                            \
        std::string(locationText), __PRETTY_FUNCTION__, ::zarn::sourceFileName(__FILE__), __LINE__ \
    }
