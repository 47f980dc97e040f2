// zarn: the acquisition program's window.
//   zarn [--simulate] [--home DIR] [--open LOG.hed]
// --simulate binds the simulated logger (a training run; its settings file "simulator.ini" is
// made in the settings folder once); without it the bridge library named by ZARN_FTD2XX, or the
// driver's own, is bound, and without either the program runs in replay mode. --home puts the
// settings and logs into DIR. --open replays a log once the window is up.
#include "acquisition/app/ui/LumiLoggerApp.h"
#include "platform/Home.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zarn"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Optical televiewer acquisition"));
    parser.addHelpOption();
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Run against the simulated logger."));
    const QCommandLineOption home(QStringLiteral("home"),
                                  QStringLiteral("Keep the settings and logs in DIR."),
                                  QStringLiteral("DIR"));
    const QCommandLineOption open(QStringLiteral("open"),
                                  QStringLiteral("Replay the log of this header file."),
                                  QStringLiteral("LOG.hed"));
    parser.addOptions({simulate, home, open});
    parser.process(app);

    if (parser.isSet(home)) {
        zarn::Home::setOverride(parser.value(home).toStdString());
        // The viewer started after a picture export reads its depth unit from the same store.
        qputenv("ZARN_HOME",
                QString::fromStdString(zarn::Home::configDir().string()).toLocal8Bit());
    }
    zarn::ui::AppOptions options;
    options.simulate = parser.isSet(simulate);
    if (parser.isSet(open))
        options.open = parser.value(open).toStdString();

    zarn::ui::CLumiLoggerApp program(options);
    if (!program.InitInstance())
        return zarn::ui::CLumiLoggerApp::SecondInstance;
    return program.run();
}
