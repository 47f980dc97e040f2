// acquire: a live run through the link, as the operator runs it from the probe control panel:
// find the logger, power the sonde on through the order sequence, optionally record a new log,
// and at the end stop the recording and power the sonde off.
#include "acquisition/cli/AcquireRun.h"
#include "acquisition/cli/CliSupport.h"
#include "acquisition/cli/Commands.h"

namespace zarn::cli {

int runAcquire(const AcquireOptions& options, std::ostream& out, std::ostream& err) {
    CliUserMessages messages(err, options.replaceExisting ? MessageAnswer::Yes : MessageAnswer::No);
    const LoadedSettings settings = loadSettings();
    AcquireRun run(options, settings, out, err);
    return run.execute();
}

} // namespace zarn::cli
