#include "acquisition/engine/SimulatorSetup.h"

#include "platform/FileIo.h"

#include <cstdlib>
#include <system_error>

namespace zarn {

const char* const TrainingSimulatorSettings = "[Winch]\n"
                                              "StartDepth = 10\n"
                                              "EndDepth = 510\n"
                                              "Speed = 3\n"
                                              "StartDelay = 20\n";

std::filesystem::path programFolder() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : self.parent_path();
}

std::filesystem::path findSimulator(const std::string& given) {
    if (!given.empty())
        return given;
    std::error_code ec;
    const std::filesystem::path here = programFolder();
    for (const std::filesystem::path& candidate :
         {here / SimulatorFileName, here / ".." / "lib" / "zarn" / SimulatorFileName,
          std::filesystem::path(ZARN_BUILT_SIMULATOR)}) {
        if (std::filesystem::is_regular_file(candidate, ec))
            return std::filesystem::weakly_canonical(candidate, ec);
    }
    return {};
}

void ensureSonde(SondeTable& sondes) {
    if (sondes.selectedSlot().occupied())
        return;
    SondeSlot& slot = sondes.slots[static_cast<std::size_t>(sondes.selected)];
    slot = SondeSlot{};
    slot.serialNumber = 417;
    slot.gammaOnBoard = 1; // the simulated sonde counts natural gamma
    sondes.copySelectedToWorking();
}

bool bindSimulator(const std::filesystem::path& settingsFolder, std::string& problem,
                   const std::string& library) {
    const std::filesystem::path simulator = findSimulator(library);
    if (simulator.empty()) {
        problem = std::string("the simulator library ") + SimulatorFileName + " was not found";
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(settingsFolder, ec);
    const std::filesystem::path settings = settingsFolder / SimulatorSettingsFileName;
    if (!std::filesystem::exists(settings, ec) &&
        !writeFileAtomically(settings, TrainingSimulatorSettings)) {
        problem = settings.string() + ": cannot write the simulator's settings";
        return false;
    }
    setenv("ZARN_FTD2XX", simulator.c_str(), 1);
    setenv("ZARN_SIM_CONFIG", settings.c_str(), 1);
    return true;
}

} // namespace zarn
