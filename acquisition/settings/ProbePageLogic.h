// The logic of the probe page (CPProbeDlg): the surface voltage, the magnetic declination, the
// gamma display options, the selection, import and removal of sondes, and the two critical
// edits of the selected sonde (its image offset and its gamma coefficient).
//
// An image offset edit switches the camera panel to its alignment settings (1750 with 1) and
// every way the edit ends switches it back (1750 with 2): saved, cancelled, another sonde
// selected, a recording started, the sonde switched off, the sheet closed.
#pragma once

#include "acquisition/settings/LoggerSetupHost.h"
#include "acquisition/settings/SettingsOrder.h"
#include "acquisition/settings/SondeDatabase.h"
#include "platform/MessageBus.h"

#include <array>
#include <string>
#include <string_view>

namespace zarn {

class ProbePageLogic {
public:
    static constexpr int MinVoltage = 90;
    static constexpr int MaxVoltage = 125;
    static constexpr double MaxDeclination = 359.99;
    static constexpr double MaxImageOffset = 359.9;
    static constexpr double MinGammaCoefficient = 0.01;
    static constexpr double MaxGammaCoefficient = 2.99;
    static constexpr int MinGammaFilter = 1;
    static constexpr int MaxGammaFilter = 50;
    static constexpr std::array<int, 10> GammaMaxima = {100,  200,   500,   1000,  2000,
                                                        5000, 10000, 20000, 50000, 100000};

    static constexpr const char* CriticalText =
        "This is a critical parameter.\nAre you sure to want to mofify it ?";
    static constexpr const char* BadEntryFormatText = "Bad entry format";
    static constexpr const char* ImageOffsetRangeText =
        "Warning : Minimum 0\xC2\xB0 Maximum 359.9\xC2\xB0 of image offset";
    static constexpr const char* VoltageText = "Bad entered value (90..%dV)";
    static constexpr const char* DeclinationText =
        "Bad entered value\nCorrect value is : 0 to 359.99";
    // The refusal states the range the check applies.
    static constexpr const char* GammaCoefficientText =
        "Bad entered value\nCorrect value is : 0.01 to 2.99";

    ProbePageLogic(LoggerSetupHost& host, SondeDatabase& sondes,
                   MessageBus& bus = MessageBus::instance());
    ~ProbePageLogic();

    // The sonde lists of the probe page and the sonde file page: "%04d" of each serial, "-" for
    // an empty slot.
    static std::array<std::string, SondeTable::SlotCount> sondeListOf(const SondeTable& table);
    std::array<std::string, SondeTable::SlotCount> sondeList() const {
        return sondeListOf(sondes_.table());
    }
    int occupiedSlots() const;

    // ---- Surface voltage, declination, gamma ----
    bool enterVoltage(std::string_view text);
    bool stepVoltage(int direction);
    bool enterDeclination(std::string_view text);
    void stepDeclination(int direction);
    void setGammaMode(int mode);
    void setGammaMaximum(int maximum);
    void setGammaAverage(bool average);
    bool stepGammaFilter(int direction);

    // ---- Sondes ----
    // Selects the slot (an open image offset edit is cancelled first) and tells the sonde file
    // page, the depth display and the communication page.
    void selectSonde(int slot);
    [[nodiscard]] SondeDatabase::ImportResult
    addSonde(const SondeDatabase::ChooseImportFile& chooseFile);
    bool removeSonde();

    // ---- Image offset edit ----
    // Asks the critical question; true when the edit started.
    bool beginImageOffsetEdit();
    // During the edit: a checked entry goes into the working copy only.
    bool checkImageOffset(std::string_view text);
    bool stepImageOffset(int direction);
    // Saves the entry into the slot and the sonde file; false (nothing saved) when unreadable.
    bool saveImageOffsetEdit(std::string_view text);
    void cancelImageOffsetEdit();
    bool imageOffsetEditing() const { return imageOffsetEdit_; }
    double workingImageOffset() const;
    // The acquisition state changed: a recording started or the sonde was switched off cancels
    // an open image offset edit.
    void followRunState(const SetupRunState& state);

    // ---- Gamma coefficient edit ----
    bool beginGammaCoefficientEdit();
    bool saveGammaCoefficientEdit(std::string_view text);
    bool gammaCoefficientEditing() const { return gammaEdit_; }

    SettingsOrder& voltageOrder() { return voltageOnLine_; }
    SettingsOrder& surfaceOrder() { return surfaceParameters_; }

private:
    void endImageOffsetEdit();
    // The image offset entry read and held in 0..359.9 (with the warning); empty when
    // unreadable ("Bad entry format").
    std::optional<double> readImageOffset(std::string_view text) const;

    LoggerSetupHost& host_;
    SondeDatabase& sondes_;
    MessageBus& bus_;
    SettingsOrder voltageOnLine_;     // the short surface frame, while the sonde is powered
    SettingsOrder surfaceParameters_; // the surface-parameters frame otherwise
    bool imageOffsetEdit_ = false;
    bool gammaEdit_ = false;
    SetupRunState lastState_;
};

} // namespace zarn
