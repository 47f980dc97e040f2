// What binds the program to the simulated logger instead of a real one (zarn --simulate, the
// demonstration): where the simulator library is, its settings file in the settings folder, and
// a sonde for the run when none is selected.
#pragma once

#include "acquisition/app/SondeTable.h"

#include <filesystem>
#include <string>

namespace zarn {

inline constexpr const char* SimulatorFileName = "libzarn_ftd2xx_sim.so";
// The simulator's settings file, in the program's settings folder.
inline constexpr const char* SimulatorSettingsFileName = "simulator.ini";

// The folder of the running program (empty when it cannot be told).
std::filesystem::path programFolder();
// The simulator: as given, next to the program, in the library folder beside it, or where the
// build made it. Empty when none is found.
std::filesystem::path findSimulator(const std::string& given = {});

// A sonde for the run when none is selected (serial 417, with a gamma counter, as the simulated
// sonde has); the sonde file is left as it is.
void ensureSonde(SondeTable& sondes);

// The settings of a training run at the line's own pace: the winch lowers the sonde from 10 m
// to 510 m at 3 m/min once it has been switched on.
extern const char* const TrainingSimulatorSettings;

// Binds the simulator for this process: ZARN_FTD2XX names the library and ZARN_SIM_CONFIG its
// settings file, which is written with the training settings into settingsFolder when it does
// not exist yet (an existing one is the operator's and is kept). False with the reason in
// problem when the library is not found or the file cannot be written.
[[nodiscard]] bool bindSimulator(const std::filesystem::path& settingsFolder, std::string& problem,
                                 const std::string& library = {});

} // namespace zarn
