#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/app/SondeFile.h"
#include "acquisition/cli/CliSupport.h"
#include "acquisition/cli/Commands.h"
#include "platform/Format.h"
#include "platform/Home.h"

#include <ostream>

namespace zarn::cli {

int runPaths(std::ostream& out, std::ostream& /*err*/) {
    const LoadedSettings settings = loadSettings();
    const DiagnosticLogs& logs = DiagnosticLogs::instance();
    const SondeTable& sondes = settings.sondes;
    out << "Configuration file:     " << settings.configuration.paths.configurationPath << '\n'
        << "Window placement file:  " << settings.placementFile.string() << '\n'
        << "Sonde file:             " << SondeFile::DefaultPath().string() << '\n'
        << "Settings store:         " << Home::settingsStoreFile().string() << '\n'
        << "Error log:              " << logs.errorLogPath().string() << '\n'
        << "Trace log:              " << logs.traceLogPath().string() << '\n'
        << "Debug text:             " << logs.debugTextPath().string() << '\n';
    if (sondes.selectedSlot().occupied())
        out << format("Selected sonde:         slot %d, serial %04d\n", sondes.selected,
                      sondes.selectedSerial());
    else
        out << format("Selected sonde:         slot %d, empty\n", sondes.selected);
    return ExitCode::Ok;
}

} // namespace zarn::cli
