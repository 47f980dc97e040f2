// How the link reaches the configuration: runs a short edit (or read) on it under the owner's
// lock.
#pragma once

#include "acquisition/app/SettingsRecords.h"

#include <functional>

namespace zarn {

using ConfigurationAccess = std::function<void(const std::function<void(Configuration&)>&)>;

} // namespace zarn
