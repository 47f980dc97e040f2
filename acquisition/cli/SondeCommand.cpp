// sonde list | import FILE | select SERIAL: the sonde table of the settings folder through the
// same operations as the probe page, so that a new user can select a sonde without editing the
// sonde file by hand.
#include "acquisition/app/Preferences.h"
#include "acquisition/cli/CliSupport.h"
#include "acquisition/cli/Commands.h"
#include "acquisition/settings/SondeDatabase.h"
#include "platform/Format.h"

#include <ostream>

namespace zarn::cli {

namespace {

std::string serialText(const SondeSlot& slot) {
    return slot.occupied() ? format("%04d", slot.serialNumber) : std::string("-");
}

void listSondes(const SondeDatabase& database, std::ostream& out) {
    const SondeTable& table = database.table();
    out << "Sonde file: " << database.file().string() << "\n";
    for (int n = 0; n < SondeTable::SlotCount; ++n) {
        const SondeSlot& slot = table.slots[static_cast<std::size_t>(n)];
        const char mark = n == table.selected ? '*' : ' ';
        if (!slot.occupied()) {
            out << format("%c %d  -\n", mark, n);
            continue;
        }
        out << format("%c %d  %s  length %d cm  image offset %.1f  camera %.0f cm  deviation "
                      "%.0f cm  gamma %s",
                      mark, n, serialText(slot).c_str(), slot.sondeLength, slot.imageOffset,
                      slot.cameraOffset, slot.deviationOffset, slot.gammaOnBoard ? "yes" : "no");
        if (slot.gammaOnBoard)
            out << format(" (offset %.0f cm, coefficient %.2f)", slot.gammaOffset,
                          slot.gammaCoefficient);
        out << "\n";
    }
    if (!table.selectedSlot().occupied())
        out << "No sonde selected: zarn-cli sonde select SERIAL, or zarn-cli sonde import FILE\n";
}

} // namespace

int runSonde(const SondeOptions& options, std::ostream& out, std::ostream& err) {
    CliUserMessages messages(err, options.replaceExisting ? MessageAnswer::Yes : MessageAnswer::No);
    ConfigurationStore store;
    WindowPlacementRecord placements;
    CPreferences preferences(store, placements);
    // Init answers false only to a second call of one object.
    static_cast<void>(preferences.Init());
    MessageBus bus; // nobody listens to the sonde-changed commands here
    SondeDatabase database(
        preferences.Sondes(), [&] { return preferences.Save(); }, bus);

    switch (options.action) {
    case SondeOptions::Action::List:
        listSondes(database, out);
        return ExitCode::Ok;
    case SondeOptions::Action::Import: {
        using Result = SondeDatabase::ImportResult;
        // The message boxes of the import are its error lines.
        switch (database.Import([&] { return std::optional(options.importFile); })) {
        case Result::Imported:
            out << format("Sonde %s imported into slot %d and selected\n",
                          serialText(database.table().selectedSlot()).c_str(),
                          database.table().selected);
            return ExitCode::Ok;
        case Result::BadFile:
            return ExitCode::MissingFile;
        case Result::NotASondeFile:
            return ExitCode::CorruptInput;
        case Result::Cancelled:
        case Result::TableFull:
        case Result::Declined:
        case Result::WriteFailed:
            return ExitCode::Failure;
        }
        return ExitCode::Failure;
    }
    case SondeOptions::Action::Select:
        for (int n = 0; n < SondeTable::SlotCount; ++n) {
            const SondeSlot& slot = database.table().slots[static_cast<std::size_t>(n)];
            if (slot.occupied() && slot.serialNumber == options.serial) {
                // A selection the configuration does not keep has been shown as an error line.
                if (!database.Select(n))
                    return ExitCode::Failure;
                out << format("Sonde %s selected (slot %d)\n", serialText(slot).c_str(), n);
                return ExitCode::Ok;
            }
        }
        errorLine(err, format("no stored sonde has the serial number %d (zarn-cli sonde list "
                              "shows them)",
                              options.serial));
        return ExitCode::Failure;
    }
    return ExitCode::Failure;
}

} // namespace zarn::cli
