// header LOG.hed [--set KEY=VALUE]...: the well information of a log, printed and edited through
// the header editor's own logic, for batch work.
#include "acquisition/cli/CliSupport.h"
#include "acquisition/cli/Commands.h"
#include "acquisition/cli/LogWalk.h"
#include "acquisition/export/HeaderDlgLogic.h"
#include "acquisition/logfiles/Header.h"

#include <ostream>

namespace zarn::cli {

int runHeader(const HeaderOptions& options, std::ostream& out, std::ostream& err) {
    LogWalk log;
    if (const std::optional<WalkFailure> failed = log.open(options.header)) {
        errorLine(err, failed->text);
        return failed->exitCode;
    }
    if (!options.sets.empty()) {
        CHeader header;
        header.Info() = log.info();
        // Every setting is checked before the file is touched.
        for (const std::string& set : options.sets) {
            const std::size_t eq = set.find('=');
            if (eq == std::string::npos || eq == 0) {
                errorLine(err, "--set needs KEY=VALUE: " + set);
                return ExitCode::BadArguments;
            }
            if (const std::optional<std::string> refused =
                    HeaderDlgLogic::setKey(header.Info(), set.substr(0, eq), set.substr(eq + 1))) {
                errorLine(err, set.substr(0, eq) + ": " + *refused);
                return ExitCode::BadArguments;
            }
        }
        if (!header.WriteWellInfo(options.header)) {
            errorLine(err, options.header.string() + ": cannot be written");
            return ExitCode::Failure;
        }
        // What is printed is what the file now holds.
        if (const std::optional<WalkFailure> failed = log.open(options.header)) {
            errorLine(err, failed->text);
            return failed->exitCode;
        }
    }
    forEachWellInfoText(log.info(), [&](const std::string& key, const std::string& text) {
        if (!isLogRangeKey(key))
            out << key << '=' << text << '\n';
    });
    return ExitCode::Ok;
}

} // namespace zarn::cli
