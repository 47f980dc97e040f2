#include "acquisition/settings/SondeDatabase.h"

#include "acquisition/app/Ini.h"
#include "platform/Format.h"
#include "platform/UserMessages.h"

#include <system_error>

namespace zarn {
namespace {

constexpr double MaxImageOffset = 359.9;
constexpr double MaxGammaCoefficient = 10.0;
constexpr double MinGammaCoefficient = 0.01;
constexpr double LowGammaCoefficient = 0.15; // what a coefficient below the minimum becomes

bool hasImportExtension(const std::filesystem::path& name) {
    const std::string ext = name.extension().string();
    return equalsNoCase(ext, ".znv") || equalsNoCase(ext, ".txt");
}

// Whether the chosen file, with its extension stripped, exists as a ".znv" or ".txt" file. The
// dialog offers "*.ZNV" and "*.TXT", so the extension is matched in any case.
bool importFileExists(const std::filesystem::path& chosen) {
    std::filesystem::path base = chosen;
    base.replace_extension();
    std::error_code ec;
    for (const char* ext : {".znv", ".txt"}) {
        std::filesystem::path candidate = base;
        candidate += ext;
        if (std::filesystem::is_regular_file(candidate, ec))
            return true;
    }
    const std::filesystem::path folder = base.has_parent_path() ? base.parent_path() : ".";
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::filesystem::path& name = it->path();
        if (name.stem() == base.filename() && hasImportExtension(name) &&
            std::filesystem::is_regular_file(name, ec))
            return true;
    }
    return false;
}

void clampImported(SondeSlot& sonde) {
    if (sonde.imageOffset > MaxImageOffset)
        sonde.imageOffset = MaxImageOffset;
    if (sonde.imageOffset < 0)
        sonde.imageOffset = 0;
    if (sonde.gammaCoefficient > MaxGammaCoefficient)
        sonde.gammaCoefficient = MaxGammaCoefficient;
    if (sonde.gammaCoefficient < MinGammaCoefficient)
        sonde.gammaCoefficient = LowGammaCoefficient;
}

void warn(const std::string& text) {
    showMessage(text, MessageIcon::Warning);
}

} // namespace

SondeDatabase::SondeDatabase(SondeTable& table, SaveConfiguration saveConfiguration,
                             MessageBus& bus, std::filesystem::path file)
    : table_(table), saveConfiguration_(std::move(saveConfiguration)), bus_(bus),
      file_(std::move(file)) {}

void SondeDatabase::setSnapshot(Shared<SondeTable>* snapshot) {
    snapshot_ = snapshot;
    publish();
}

size_t SondeDatabase::selectedIndex() {
    if (table_.selected < 0 || table_.selected >= SondeTable::SlotCount)
        table_.selected = 0;
    return static_cast<size_t>(table_.selected);
}

void SondeDatabase::publish() {
    if (snapshot_)
        snapshot_->publish(table_);
}

void SondeDatabase::notify(std::initializer_list<Role> roles) {
    for (Role role : roles)
        bus_.send(role, command(Cmd::SondeChanged));
}

void SondeDatabase::reportWriteFailure() const {
    warn(format("The sonde file %s could not be written.", file_.string().c_str()));
}

bool SondeDatabase::Select(int slot) {
    table_.selected = (slot < 0 || slot >= SondeTable::SlotCount) ? 0 : slot;
    table_.copySelectedToWorking();
    editingImageOffset_ = false;
    publish();
    if (!saveConfiguration_ || saveConfiguration_())
        return true;
    warn("The configuration file could not be written: the selected sonde is not kept for the "
         "next start.");
    return false;
}

SondeDatabase::ImportResult SondeDatabase::Import(const ChooseImportFile& chooseFile) {
    int freeSlot = -1;
    for (int n = 0; n < SondeTable::SlotCount && freeSlot < 0; ++n)
        if (!table_.slots[static_cast<size_t>(n)].occupied())
            freeSlot = n;
    if (freeSlot < 0) {
        warn("The maximum of storable sonde is reached.");
        return ImportResult::TableFull;
    }

    std::optional<std::filesystem::path> chosen;
    if (chooseFile)
        chosen = chooseFile();
    if (!chosen || chosen->empty())
        return ImportResult::Cancelled;
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::absolute(*chosen, ec);
    if (ec || !importFileExists(path)) {
        warn("Bad sonde file");
        return ImportResult::BadFile;
    }

    SondeSlot sonde;
    if (!SondeFile::ReadImport(path, sonde)) {
        warn("Bad sonde file\nThe file has no [Sonde] section.");
        return ImportResult::NotASondeFile;
    }
    // A missing, "-" or non-positive serial would land as an empty slot that looks imported.
    if (!sonde.occupied()) {
        warn("Bad sonde file\nThe sonde has no serial number above 0.");
        return ImportResult::NotASondeFile;
    }
    clampImported(sonde);

    int target = freeSlot;
    for (int n = 0; n < SondeTable::SlotCount; ++n) {
        const SondeSlot& stored = table_.slots[static_cast<size_t>(n)];
        if (!stored.occupied() || stored.serialNumber != sonde.serialNumber)
            continue;
        const MessageAnswer answer = showMessage(
            "A sonde with the same serial number is already stored in dbase. Overwrite?",
            MessageIcon::Error, MessageButtons::YesNo);
        if (answer != MessageAnswer::Yes)
            return ImportResult::Declined;
        target = n;
        break;
    }

    table_.slots[static_cast<size_t>(target)] = sonde;
    const bool saved = Select(target); // a failed save has been shown
    const bool written =
        SondeFile::WriteSlot(file_, target, sonde, SondeFile::CoefForm::TwoDecimals);
    notify({Role::SondeFilePage, Role::DepthDisplay, Role::CommunicationPage});
    if (!written)
        reportWriteFailure();
    return written && saved ? ImportResult::Imported : ImportResult::WriteFailed;
}

bool SondeDatabase::Remove() {
    const MessageAnswer answer = showMessage("Do you want remove this sonde from dbase ?",
                                             MessageIcon::Error, MessageButtons::YesNo);
    if (answer != MessageAnswer::Yes)
        return false;
    table_.slots[selectedIndex()] = SondeFile::RemovedSlot();
    table_.copySelectedToWorking();
    editingImageOffset_ = false;
    publish();
    const bool written = SondeFile::WriteRemovedSlot(file_, table_.selected);
    notify({Role::SondeFilePage, Role::DepthDisplay});
    if (!written)
        reportWriteFailure();
    showMessage("Sonde removed.\nDo not forget to select another sonde", MessageIcon::Information);
    return true;
}

bool SondeDatabase::WriteSlot(int slot, SondeFile::CoefForm coefForm) {
    if (slot < 0 || slot >= SondeTable::SlotCount)
        return false;
    return WriteSonde(slot, table_.slots[static_cast<size_t>(slot)], coefForm);
}

bool SondeDatabase::WriteSonde(int slot, const SondeSlot& sonde, SondeFile::CoefForm coefForm) {
    if (slot < 0 || slot >= SondeTable::SlotCount)
        return false;
    if (SondeFile::WriteSlot(file_, slot, sonde, coefForm))
        return true;
    reportWriteFailure();
    return false;
}

bool SondeDatabase::writeKey(const char* key, const std::string& value) {
    CIni ini(file_.string());
    if (ini.WriteString(key, value, format("Sonde%d", table_.selected)))
        return true;
    reportWriteFailure();
    return false;
}

bool SondeDatabase::SetImageOffset(double degrees) {
    table_.slots[selectedIndex()].imageOffset = degrees;
    table_.working.imageOffset = degrees;
    editingImageOffset_ = false;
    publish();
    return writeKey("ImageOffset", format("%#.1f", degrees));
}

bool SondeDatabase::SetGammaCoefficient(double coefficient) {
    table_.slots[selectedIndex()].gammaCoefficient = coefficient;
    table_.working.gammaCoefficient = coefficient;
    publish();
    return writeKey("GammaCoef", format("%#.2f", coefficient));
}

void SondeDatabase::EditImageOffset(double degrees) {
    table_.working.imageOffset = degrees;
    editingImageOffset_ = true;
    publish();
}

bool SondeDatabase::SaveImageOffsetEdit() {
    return SetImageOffset(table_.working.imageOffset);
}

void SondeDatabase::CancelImageOffsetEdit() {
    table_.working.imageOffset = table_.slots[selectedIndex()].imageOffset;
    editingImageOffset_ = false;
    publish();
}

void SondeDatabase::Reload() {
    SondeFile::Load(file_, table_);
    editingImageOffset_ = false;
    publish();
}

bool SondeDatabase::SondeSelected(const SondeTable& table) {
    const bool inRange = table.selected >= 0 && table.selected < SondeTable::SlotCount;
    if (inRange && table.selectedSerial() > 0)
        return true;
    warn("No sondes selected ...");
    return false;
}

} // namespace zarn
