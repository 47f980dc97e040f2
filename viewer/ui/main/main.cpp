// lvviewer [FILE]: the core image viewer, opening the borehole of FILE.
// lvviewer --screenshot PNG FILE: the window with FILE's borehole drawn into PNG, then ends
// (for the documentation; works on the offscreen platform).
// lvviewer --help: the options.
#include "platform/SettingsStore.h"
#include "viewer/ui/LVViewerApp.h"
#include "viewer/ui/LVViewerView.h"
#include "viewer/ui/MainFrame.h"
#include "viewer/ui/ViewerMessages.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("LVViewer");
    lvviewer::ui::ViewerMessageBoxes boxes;
    zarn::UserMessages::install(&boxes);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Core image viewer: the pictures of one borehole as one strip by depth."));
    parser.addHelpOption();
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Draw the window with FILE's borehole into PNG, then end."),
        QStringLiteral("PNG"));
    parser.addOption(screenshot);
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("A JPEG or BMP picture; every picture of its borehole in its folder is "
                       "shown with it."),
        QStringLiteral("[FILE]"));
    parser.process(app);
    zarn::SettingsStore store;
    const QStringList args = parser.positionalArguments();

    if (parser.isSet(screenshot) && args.size() == 1) {
        lvviewer::ui::CMainFrame frame(store);
        frame.show();
        if (!frame.openFile(args[0]))
            return 1;
        frame.resize(frame.width(), 900);
        frame.view().state().scrollTo(frame.document().startRow());
        QApplication::processEvents();
        frame.view().repaint();
        QApplication::processEvents();
        return frame.grab().save(parser.value(screenshot)) ? 0 : 1;
    }

    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    lvviewer::ui::CLVViewerApp viewer(store, folder, lvviewer::ui::CLVViewerApp::defaultInstance());
    switch (viewer.InitInstance(args.isEmpty() ? QString() : args.first())) {
    case lvviewer::ui::CLVViewerApp::Start::Forwarded:
        return 0;
    case lvviewer::ui::CLVViewerApp::Start::Failed:
        return 1;
    case lvviewer::ui::CLVViewerApp::Start::First:
        break;
    }
    boxes.setParent(viewer.frame());
    const int code = QApplication::exec();
    zarn::UserMessages::install(nullptr);
    return code;
}
