#include "acquisition/app/Guarded.h"

#include "acquisition/app/DiagnosticLogs.h"
#include "platform/DebugOutput.h"

#include <cstring>
#include <stdexcept>
#include <string_view>

namespace zarn {

std::string guardLocation(const char* className, int line) {
    return format("%s :: L%d", className, line);
}

namespace {

constexpr std::string_view AnonymousNamespace = "(anonymous namespace)";

// Walks a signature outside angle brackets and outside "(anonymous namespace)", calling
// visit(index, character) for each character there until visit returns false.
template <class Visit> void walkTopLevel(std::string_view text, std::size_t end, Visit&& visit) {
    int depth = 0;
    for (std::size_t i = 0; i < end; ++i) {
        const char c = text[i];
        if (text.substr(i).starts_with(AnonymousNamespace)) {
            i += AnonymousNamespace.size() - 1;
        } else if (c == '<') {
            ++depth;
        } else if (c == '>' && depth > 0) {
            --depth;
        } else if (depth == 0 && !visit(i, c)) {
            return;
        }
    }
}

} // namespace

std::string qualifiedFunctionName(const char* signature) {
    const std::string_view text = signature ? signature : "";
    // "bool zarn::CUSB::Open(int) const": the name ends where the parameter list starts and
    // begins after the return type.
    std::size_t end = text.size();
    bool skipBrackets = false;
    walkTopLevel(text, text.size(), [&](std::size_t i, char c) {
        if (skipBrackets) { // the ")" of "operator()"
            skipBrackets = false;
            return true;
        }
        if (c != '(')
            return true;
        if (text.substr(0, i).ends_with("operator") && i + 1 < text.size() && text[i + 1] == ')') {
            skipBrackets = true;
            return true;
        }
        end = i;
        return false;
    });
    std::size_t begin = 0;
    walkTopLevel(text, end, [&](std::size_t i, char c) {
        if (c == ' ')
            begin = i + 1;
        return true;
    });
    return std::string(text.substr(begin, end - begin));
}

const char* sourceFileName(const char* path) {
    if (!path)
        return "";
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

void reportGuardedException(const GuardSite& site, const std::exception* error) {
    try {
        DiagnosticLogs& logs = DiagnosticLogs::instance();
        if (error)
            logs.exceptionLog(site.location, *error);
        else
            logs.exceptionLog(site.location, std::runtime_error("Unknown exception"));
        debugOutput(format("Function: %s\nFile: %s\nLine: %d\n",
                           qualifiedFunctionName(site.function).c_str(), site.file, site.line));
    } catch (...) {
        // Reporting must never take the program down.
    }
}

} // namespace zarn
