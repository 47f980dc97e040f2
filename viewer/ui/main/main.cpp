// lvviewer [FILE]: the core image viewer, opening the borehole of FILE.
// lvviewer --screenshot PNG FILE: the window with FILE's borehole drawn into PNG, then ends
// (for the documentation; works on the offscreen platform).
// lvviewer --screenshot-preview PNG FILE: the print preview of FILE's borehole on A4 drawn into
// PNG, then ends (for the documentation).
// lvviewer --print-pdf PDF FILE: every page of FILE's borehole printed at true size into an A4
// PDF file without a window (messages go to the error output), then ends: 0 printed, 1 not.
// lvviewer --help: the options.
#include "platform/SettingsStore.h"
#include "viewer/ui/LVViewerApp.h"
#include "viewer/ui/LVViewerView.h"
#include "viewer/ui/MainFrame.h"
#include "viewer/ui/PrintPainter.h"
#include "viewer/ui/ViewerMessages.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QStandardPaths>

#include <cstdlib>
#include <cstring>
#include <iostream>

int main(int argc, char** argv) {
    // The batch print needs no display.
    bool batch = false;
    for (int i = 1; i < argc; ++i)
        batch = batch || std::strcmp(argv[i], "--print-pdf") == 0;
    if (batch && std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName("LVViewer");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Core image viewer: the pictures of one borehole as one strip by depth."));
    parser.addHelpOption();
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Draw the window with FILE's borehole into PNG, then end."),
        QStringLiteral("PNG"));
    const QCommandLineOption screenshotPreview(
        QStringLiteral("screenshot-preview"),
        QStringLiteral("Draw the print preview of FILE's borehole on A4 into PNG, then end."),
        QStringLiteral("PNG"));
    const QCommandLineOption printPdf(
        QStringLiteral("print-pdf"),
        QStringLiteral("Print every page of FILE's borehole at true size into an A4 PDF file, "
                       "without a window, then end (0: printed, 1: not)."),
        QStringLiteral("PDF"));
    parser.addOption(screenshot);
    parser.addOption(screenshotPreview);
    parser.addOption(printPdf);
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("A JPEG or BMP picture; every picture of its borehole in its folder is "
                       "shown with it."),
        QStringLiteral("[FILE]"));
    parser.process(app);
    zarn::SettingsStore store;
    const QStringList args = parser.positionalArguments();

    if (parser.isSet(printPdf)) {
        if (args.size() != 1) {
            std::cerr << "lvviewer: --print-pdf needs one FILE\n";
            return 1;
        }
        lvviewer::ui::CMainFrame frame(store);
        if (!frame.openFile(args[0]))
            return 1;
        const QString pdf = parser.value(printPdf);
        if (!frame.view().printToPdf(pdf)) {
            std::cerr << "lvviewer: could not print to " << pdf.toStdString() << "\n";
            return 1;
        }
        return 0;
    }

    lvviewer::ui::ViewerMessageBoxes boxes;
    zarn::UserMessages::install(&boxes);

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

    if (parser.isSet(screenshotPreview) && args.size() == 1) {
        lvviewer::ui::CMainFrame frame(store);
        frame.show();
        if (!frame.openFile(args[0]))
            return 1;
        lvviewer::ui::setUpPdf(frame.view().printer(), QDir::temp().filePath("lvviewer.pdf"));
        const std::unique_ptr<QPrintPreviewDialog> preview = frame.view().createPreview();
        if (!preview)
            return 1;
        preview->resize(900, 1000);
        preview->show();
        for (int i = 0; i < 10; ++i)
            QApplication::processEvents();
        if (auto* pages = preview->findChild<QPrintPreviewWidget*>())
            pages->fitInView();
        QApplication::processEvents();
        return preview->grab().save(parser.value(screenshotPreview)) ? 0 : 1;
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
