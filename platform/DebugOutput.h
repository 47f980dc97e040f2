// Developer diagnostics that are not for the operator: where the program reports a caught
// exception's function, file and line. Goes to stderr unless another sink is installed.
#pragma once

#include <functional>
#include <string_view>

namespace zarn {

void debugOutput(std::string_view text);
// Replaces the sink (tests record); an empty function restores stderr.
void setDebugOutputSink(std::function<void(std::string_view)> sink);

} // namespace zarn
