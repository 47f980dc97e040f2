// The operations on the sonde table that the probe page and the sonde file page call: select,
// import, remove, write a slot, set the selected sonde's image offset and gamma coefficient,
// the image offset edit, reload, and the check that a sonde is selected before powering.
//
// The table is owned by the configuration and changed here on the thread that owns the windows.
// After every change a copy of the whole table is published to the snapshot record, when one is
// set, so that readers on other threads (the decoder reads the selected sonde's offsets and
// gamma coefficient) always see one complete state. The snapshot is published before the
// sonde-changed command goes out.
#pragma once

#include "acquisition/app/SondeFile.h"
#include "acquisition/app/SondeTable.h"
#include "platform/MessageBus.h"
#include "platform/Shared.h"

#include <filesystem>
#include <functional>
#include <optional>

namespace zarn {

class SondeDatabase {
public:
    // Saves the configuration (so that SondeUsed persists); called with the new index already
    // stored in the table. False when the configuration file could not be written.
    using SaveConfiguration = std::function<bool()>;
    // The file-open dialog of an import: the chosen file, or nothing when cancelled.
    using ChooseImportFile = std::function<std::optional<std::filesystem::path>()>;

    // What the import dialog offers.
    static constexpr const char* ImportDefaultExtension = ".znv";
    static constexpr const char* ImportFilter = "ZARN importation sonde File (*.znv)|*.ZNV|"
                                                "ZARN importation sonde File (*.txt)|*.TXT||";

    SondeDatabase(SondeTable& table, SaveConfiguration saveConfiguration,
                  MessageBus& bus = MessageBus::instance(),
                  std::filesystem::path file = SondeFile::DefaultPath());

    // The record readers on other threads take their copies from (the table is published to it
    // at once and after every change); nullptr for none.
    void setSnapshot(Shared<SondeTable>* snapshot);
    const std::filesystem::path& file() const { return file_; }
    const SondeTable& table() const { return table_; }

    // Makes the slot the selected one (an index outside 0..9 selects slot 0), copies it into the
    // working copy and saves the configuration. Ends an image offset edit. Notifies nobody: the
    // calling page does. False, after "The configuration file could not be written ...", when
    // the save failed: the sonde is selected all the same, but not for the next start.
    [[nodiscard]] bool Select(int slot);

    enum class ImportResult {
        Imported,
        TableFull,     // "The maximum of storable sonde is reached."; no dialog was opened
        Cancelled,     // the dialog was cancelled
        BadFile,       // no such file; "Bad sonde file"
        NotASondeFile, // no "Sonde" section, or no serial above 0
        Declined,      // the serial is stored already and the operator chose not to overwrite
        WriteFailed,   // stored and selected, but LvZARN.tol or the configuration not written
    };
    // Imports a sonde from a single-sonde file into the first free slot, or over the occupied
    // slot with the same serial when the operator agrees; selects it and writes its section.
    // The dialog is opened only when a slot is free. On success (and on WriteFailed, which still
    // changed the table) sends the sonde-changed command to the sonde file page, the depth
    // display and the communication page.
    [[nodiscard]] ImportResult Import(const ChooseImportFile& chooseFile);

    // Asks, then blanks the selected slot and the working copy (the selected index stays on the
    // now empty slot), writes the removed section and tells the operator to select another
    // sonde. Sends the sonde-changed command to the sonde file page and the depth display.
    // False when the operator said No.
    [[nodiscard]] bool Remove();

    // Writes one slot's section of the sonde file. Notifies nobody.
    [[nodiscard]] bool WriteSlot(int slot, SondeFile::CoefForm coefForm);
    // Writes the given sonde into one slot's section of the file, the table untouched (the
    // sonde file page reloads the table after it). Notifies nobody.
    [[nodiscard]] bool WriteSonde(int slot, const SondeSlot& sonde, SondeFile::CoefForm coefForm);

    // Store the value in the selected slot and the working copy and write that one key
    // ("%#.1f" for ImageOffset, "%#.2f" for GammaCoef). Setting the image offset ends an image
    // offset edit. Notify nobody.
    [[nodiscard]] bool SetImageOffset(double degrees);
    [[nodiscard]] bool SetGammaCoefficient(double coefficient);

    // The image offset edit: the working copy's image offset runs ahead of the slot until the
    // edit is saved (slot and file take it) or cancelled (the working copy takes the slot's
    // value back). Notify nobody.
    void EditImageOffset(double degrees);
    [[nodiscard]] bool SaveImageOffsetEdit();
    void CancelImageOffsetEdit();
    bool imageOffsetEditing() const { return editingImageOffset_; }

    // Reads the whole table from the sonde file again. Ends an image offset edit. Notifies
    // nobody.
    void Reload();

    // Powering needs a selected sonde: false, after "No sondes selected ...", when the selected
    // slot is empty.
    [[nodiscard]] static bool SondeSelected(const SondeTable& table);

private:
    // A selected index outside 0..9 (set from elsewhere) is taken as slot 0, as at loading.
    size_t selectedIndex();
    void publish();
    void reportWriteFailure() const;
    void notify(std::initializer_list<Role> roles);
    [[nodiscard]] bool writeKey(const char* key, const std::string& value);

    SondeTable& table_;
    SaveConfiguration saveConfiguration_;
    MessageBus& bus_;
    std::filesystem::path file_;
    Shared<SondeTable>* snapshot_ = nullptr;
    bool editingImageOffset_ = false;
};

} // namespace zarn
