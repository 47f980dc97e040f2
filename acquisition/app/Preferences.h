// The configuration: loads and saves the operator settings of LvZARN.cfg, the window
// placements of LvZARN.dat and the technical switches of the per-user settings store, into
// and from the configuration store the rest of the program reads. It also owns the sonde table.
// While it lives it is the store's saver: every edit of the store is written to LvZARN.cfg. The
// object itself is used by the thread that owns the windows (and edits the store).
//
// All files live in the program directory (Home::configDir()); the diagnostic logs go to
// Home::stateDir().
#pragma once

#include "acquisition/app/ConfigurationStore.h"
#include "acquisition/app/Ini.h"
#include "acquisition/app/SettingsRecords.h"
#include "acquisition/app/SondeTable.h"
#include "acquisition/app/WindowPlacement.h"

#include <filesystem>
#include <string>

namespace zarn {

class CPreferences : public CIni {
public:
    static constexpr const char* ConfigurationFileName = "LvZARN.cfg";
    static constexpr const char* PlacementFileName = "LvZARN.dat";
    static constexpr const char* MainSection = "LumiLogger";
    static constexpr const char* LasSection = "LASGenerator";
    static constexpr const char* PictureSection = "BMPGenerator";

    // The store and the placements are the application's; they must outlive this object.
    CPreferences(ConfigurationStore& configuration, WindowPlacementRecord& placements);
    ~CPreferences() override;
    CPreferences(const CPreferences&) = delete;
    CPreferences& operator=(const CPreferences&) = delete;

    // Clears the path record, fills the program directory, loads the configuration, the
    // sonde table and the window placements. Runs once for this object (the program has one);
    // false for every later call, which changes nothing.
    [[nodiscard]] bool Init();
    // Reads the technical switches and every key of the configuration file, with defaults,
    // corrections and the write-backs of RefreshDelay and the demo file set.
    void Load();
    // Writes the probe, winch, gamma and camera keys, in order with the store's edits (each of
    // which saves them too). False when the file cannot be written.
    [[nodiscard]] bool Save();
    // Writes the technical switches (only when technical tools, debugging tools or debugging
    // trace is on), the path keys and LvZARN.dat.
    // False when one of them cannot be written; the others are written all the same.
    [[nodiscard]] bool SaveFiles();
    // Writes the export dialogs' choices ([BMPGenerator] and [LASGenerator]) as they are in the
    // configuration; false when the file cannot be written.
    [[nodiscard]] bool SaveExportChoices();
    // Puts the default main window placement into the record and runs SaveFiles; false when
    // SaveFiles could not write everything.
    [[nodiscard]] bool ApplyPlacementDefaults();

    SondeTable& Sondes() { return sondes_; }
    const SondeTable& Sondes() const { return sondes_; }

    // The folder of the settings files, ending in '/'.
    static std::string ProgramDirectory();
    std::filesystem::path ConfigurationFile() const;
    std::filesystem::path PlacementFile() const;

private:
    void loadSwitches(Configuration& c);
    void loadPaths(Configuration& c);
    void loadSurfaceAndWinch(Configuration& c);
    void loadFlags(Configuration& c);
    void loadGamma(Configuration& c);
    void loadCamera(Configuration& c);
    void loadExportChoices(Configuration& c);
    void loadPlacements();
    void bindConfiguration(const AppPaths& paths);
    [[nodiscard]] bool writeConfiguration();

    ConfigurationStore& store_;
    WindowPlacementRecord& placements_;
    SondeTable sondes_;
    bool initialised_ = false;
};

} // namespace zarn
