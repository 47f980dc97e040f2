// The viewer's windows on the offscreen platform: a borehole opened, scrolled to its end by
// key, shown at each reduction with the window's width and the status bar's depths; a file
// that is no borehole refused with its message; a second start handing its file to the
// running viewer; the preferences dialog's depth scale list.
#include "viewer/ui/LVViewerApp.h"
#include "viewer/ui/LVViewerView.h"
#include "viewer/ui/MainFrame.h"
#include "viewer/ui/PreferenceDlg.h"

#include "tests/support/TestSupport.h"
#include "tests/viewer/ViewerTestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSysInfo>
#include <QTimer>

#include <QWheelEvent>
#include <fstream>

namespace lvviewer::test {
namespace {

namespace fs = std::filesystem;
using ui::CLVViewerView;
using ui::CMainFrame;
using ui::CPreferenceDlg;

void writeBorehole(const fs::path& folder) {
    // 10 m to 13 m, 1000 rows a metre, the middle metre missing.
    writePicture(folder / "W_X_0010.00-0011.00.jpg", 300, 1000);
    writePicture(folder / "W_X_0012.00-0013.00.jpg", 300, 1000);
}

void settle(CMainFrame& frame) {
    QApplication::processEvents();
    frame.view().repaint();
    QApplication::processEvents();
}

void press(QWidget& widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(&widget, &event);
}

std::string status(CMainFrame& frame) {
    settle(frame);
    return frame.statusText().toStdString();
}

TEST(ViewerWindows, OpenScrollToTheEndAndEveryReduction) {
    zarn::test::TempHome home;
    zarn::test::RecordingUserMessages messages;
    writeBorehole(home.path());
    zarn::SettingsStore store(home.file("store.ini"));
    CMainFrame frame(store);
    frame.show();
    ASSERT_TRUE(frame.openFile(QString::fromStdString(home.file("W_X_0010.00-0011.00.jpg"))));
    frame.resize(frame.width(), 700);
    EXPECT_EQ(frame.width(), frame.document().geometry().scaleEdge() + 28);
    // The header on top: the first picture's depth; 700 client rows less the bars.
    const std::string top = status(frame);
    EXPECT_EQ(top.rfind("DEPTH: from 10.00 meter to 10.", 0), 0u) << top;

    CLVViewerView& view = frame.view();
    press(view, Qt::Key_End);
    EXPECT_EQ(view.state().top(), view.state().maxTop());
    EXPECT_GT(view.state().top(), 0);
    const std::string end = status(frame);
    EXPECT_NE(end.find(" to 13.00 meter"), std::string::npos) << end;
    press(view, Qt::Key_Home);
    EXPECT_EQ(view.state().top(), 0);
    // The thumb dragged to the bottom reaches the end exactly; a wheel notch towards the user
    // scrolls down four line steps.
    view.scrollBar()->setValue(ScrollRange);
    EXPECT_EQ(view.state().top(), view.state().maxTop());
    view.scrollBar()->setValue(0);
    QWheelEvent wheel(QPointF(10, 10), view.mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &wheel);
    EXPECT_EQ(view.state().top(), 4 * view.state().lineStepUnits());
    EXPECT_EQ(view.scrollBar()->value(), view.state().scrollPosition());

    const int edge = frame.document().geometry().scaleEdge();
    for (int level = 1; level < 5; ++level) {
        frame.zoomAction(level)->trigger();
        EXPECT_EQ(view.zoomLevel(), level);
        EXPECT_TRUE(frame.zoomAction(level)->isChecked());
        const int reduced = view.state().stripWidthOnScreen(edge) + 28;
        EXPECT_EQ(frame.width(), reduced >= 496 ? reduced : 524) << level;
        // The labels keep their size on screen: their area grows as the strip shrinks.
        EXPECT_GE(frame.document().geometry().labelWidth, 154);
        press(view, Qt::Key_End);
        const std::string text = status(frame);
        EXPECT_NE(text.find(" to 13.00 meter"), std::string::npos) << level << " " << text;
    }
    // Keypad "-" at 25 % and "+" at 100 % change nothing; "+" from 25 % zooms in one level.
    press(view, Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(view.zoomLevel(), 4);
    press(view, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(view.zoomLevel(), 3);
    frame.zoomAction(0)->trigger();
    press(view, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(view.zoomLevel(), 0);
    EXPECT_EQ(frame.width(), edge + 28);
    press(view, Qt::Key_Home);
    EXPECT_EQ(status(frame).rfind("DEPTH: from 10.00 meter", 0), 0u);
    EXPECT_TRUE(messages.shown().empty());
}

TEST(ViewerWindows, AFileThatIsNoBoreholeIsRefusedWithItsMessage) {
    zarn::test::TempHome home;
    zarn::test::RecordingUserMessages messages;
    writePicture(home.file("DSC0001.jpg"), 50, 50);
    zarn::SettingsStore store(home.file("store.ini"));
    CMainFrame frame(store);
    EXPECT_FALSE(frame.openFile(QString::fromStdString(home.file("DSC0001.jpg"))));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "This file is not a valid Bore Hole");
    EXPECT_EQ(messages.shown()[0].title, "SORRY");
    EXPECT_FALSE(frame.document().loaded());
}

TEST(ViewerWindows, ASecondStartHandsItsFileToTheRunningViewer) {
    zarn::test::TempHome home;
    zarn::test::RecordingUserMessages messages;
    writeBorehole(home.path());
    zarn::SettingsStore store(home.file("store.ini"));
    const QString folder = QString::fromStdString(home.path().string());
    const QString name = "lvviewer-test-" + QString::number(QCoreApplication::applicationPid());
    ui::CLVViewerApp first(store, folder, name);
    ASSERT_EQ(first.InitInstance(QString()), ui::CLVViewerApp::Start::First);
    ASSERT_TRUE(first.frame());
    // The acquisition program writes the unit before it starts the viewer again.
    ASSERT_TRUE(store.writeString(PreferencesKey, "SetDepthUnit", "1"));

    QEventLoop loop;
    QString received;
    QObject::connect(&first, &ui::CLVViewerApp::fileReceived, &loop, [&](const QString& file) {
        received = file;
        loop.quit();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    ui::CLVViewerApp second(store, folder, name);
    const QString file = QString::fromStdString(home.file("W_X_0012.00-0013.00.jpg"));
    EXPECT_EQ(second.InitInstance(file), ui::CLVViewerApp::Start::Forwarded);
    EXPECT_FALSE(second.frame());
    loop.exec();
    EXPECT_EQ(received, file);
    EXPECT_TRUE(first.frame()->document().loaded());
    EXPECT_TRUE(first.frame()->preferences().imperial());
    const std::string text = status(*first.frame());
    EXPECT_EQ(text.rfind("DEPTH: from 12.00 ft", 0), 0u) << text;
}

TEST(ViewerWindows, ALockLeftByAViewerThatDiedDoesNotBlockTheNextStart) {
    zarn::test::TempHome home;
    zarn::test::RecordingUserMessages messages;
    zarn::SettingsStore store(home.file("store.ini"));
    const QString name = "lvviewer-stale-" + QString::number(QCoreApplication::applicationPid());
    // The lock of a process that no longer runs, nobody listening on its socket.
    std::ofstream(home.file((name + ".lock").toStdString()))
        << "2147483646\nlvviewer\n"
        << QSysInfo::machineHostName().toStdString() << "\n";
    ui::CLVViewerApp viewer(store, QString::fromStdString(home.path().string()), name);
    EXPECT_EQ(viewer.InitInstance(QString()), ui::CLVViewerApp::Start::First);
    EXPECT_TRUE(viewer.frame());
    EXPECT_TRUE(messages.shown().empty());
}

TEST(ViewerWindows, ThePreferencesDialogsDepthScaleListFollowsTheUnit) {
    ViewerPreferences p;
    p.depthScale = 7; // not in the list: the first entry
    CPreferenceDlg dialog(p);
    QComboBox* list = dialog.depthScaleList();
    ASSERT_EQ(list->count(), 6);
    EXPECT_EQ(list->currentText(), "1 cm");
    EXPECT_EQ(dialog.chosen().depthScale, 1);
    list->setCurrentIndex(4);
    dialog.imperialBox()->setChecked(true);
    EXPECT_EQ(list->currentText(), "0.20 ft");
    EXPECT_EQ(list->itemText(0), "0.01 ft");
    const ViewerPreferences chosen = dialog.chosen();
    EXPECT_EQ(chosen.depthScale, 20);
    EXPECT_TRUE(chosen.imperial());
}

} // namespace
} // namespace lvviewer::test
