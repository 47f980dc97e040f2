// Where the program keeps its files. Settings files that sat beside the executable
// (LvZARN.cfg, LvZARN.dat, LvZARN.tol, the per-user settings store) live in the configuration
// folder, the diagnostic logs in the state folder. ZARN_HOME (or --home, through setOverride)
// puts both into one folder, so an installed program runs from a read-only location and tests
// run in a temporary folder.
#pragma once

#include <filesystem>

namespace zarn::Home {

// ZARN_HOME, else $XDG_CONFIG_HOME/zarn, else ~/.config/zarn.
std::filesystem::path configDir();
// ZARN_HOME, else $XDG_STATE_HOME/zarn, else ~/.local/state/zarn.
std::filesystem::path stateDir();
// The per-user settings store shared by the acquisition program and the viewer.
std::filesystem::path settingsStoreFile();

// A folder given on the command line; wins over the environment. Empty clears it.
void setOverride(const std::filesystem::path& folder);

} // namespace zarn::Home
