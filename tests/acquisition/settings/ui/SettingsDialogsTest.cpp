#include "acquisition/settings/ui/PRecordingMode.h"
#include "acquisition/settings/ui/PSetDepthDlg.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <functional>

namespace zarn::ui {
namespace {

template <typename T> T* child(QWidget& dialog, const char* name) {
    T* found = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Runs the dialog modally; what to do is done once it is open.
int runModal(QDialog& dialog, const std::function<void()>& whileOpen) {
    QTimer::singleShot(0, &dialog, [&] {
        whileOpen();
        // Whatever happened, never leave a test hanging on an open dialog.
        QTimer::singleShot(2000, &dialog, [&] {
            if (dialog.isVisible())
                dialog.done(-1);
        });
    });
    return dialog.exec();
}

void press(QWidget& widget, Qt::Key key) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&widget, &down);
}

TEST(CPRecordingMode, OpensWithTheCableDirectionTheUnitsSplitsAndTheOrientation) {
    CPRecordingMode dialog({-5.0, true, 2, logdirection::Downhole});
    EXPECT_TRUE(child<QRadioButton>(dialog, "uphole")->isChecked());
    EXPECT_FALSE(child<QRadioButton>(dialog, "downhole")->isChecked());
    QComboBox* split = child<QComboBox>(dialog, "split");
    ASSERT_EQ(split->count(), 2);
    EXPECT_EQ(split->itemText(0), "200 feet");
    EXPECT_EQ(split->itemText(1), "500 feet");
    EXPECT_EQ(split->currentIndex(), 0);
    EXPECT_EQ(child<QLabel>(dialog, "orientation")->text(), "Orientation : Horizontal");
}

TEST(CPRecordingMode, EscapeAndTheCloseButtonCancel) {
    for (const bool byEscape : {true, false}) {
        CPRecordingMode dialog({2.0, false, 0, logdirection::Downhole});
        const int result = runModal(dialog, [&] {
            if (byEscape)
                press(dialog, Qt::Key_Escape);
            else
                dialog.close();
        });
        EXPECT_EQ(result, QDialog::Rejected) << (byEscape ? "Escape" : "close");
        EXPECT_FALSE(dialog.choice().has_value()) << (byEscape ? "Escape" : "close");
    }
}

TEST(CPRecordingMode, OkWithUpholeGivesDirection0AndTheSelectedSplit) {
    CPRecordingMode dialog({2.0, false, 1, logdirection::Downhole});
    ASSERT_TRUE(child<QRadioButton>(dialog, "downhole")->isChecked());
    const int result = runModal(dialog, [&] {
        child<QRadioButton>(dialog, "uphole")->click();
        child<QComboBox>(dialog, "split")->setCurrentIndex(1);
        child<QPushButton>(dialog, "ok")->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    ASSERT_TRUE(dialog.choice().has_value());
    EXPECT_EQ(dialog.choice()->logDirection, 0);
    EXPECT_EQ(dialog.choice()->splitLength, 100);
}

TEST(CPSetDepthDlg, OpensWithZeroInTheFocusedEdit) {
    CPSetDepthDlg dialog({false, 163, 20.0});
    EXPECT_EQ(dialog.windowTitle(), "Depth reset.");
    EXPECT_EQ(child<QPushButton>(dialog, "ok")->text(), "&OK");
    QLineEdit* entry = child<QLineEdit>(dialog, "depth");
    EXPECT_EQ(entry->text(), "0.00");
    dialog.show();
    QApplication::processEvents();
    EXPECT_EQ(dialog.focusWidget(), entry);
    dialog.hide();
}

TEST(CPSetDepthDlg, ARefusedEntryShowsTheMessageAndKeepsTheDialogOpen) {
    test::RecordingUserMessages messages;
    CPSetDepthDlg dialog({false, 163, 20.0});
    bool openAfterRefusal = false;
    QString fieldAfterRefusal;
    const int result = runModal(dialog, [&] {
        QLineEdit* entry = child<QLineEdit>(dialog, "depth");
        entry->setText(QStringLiteral("10,25"));
        child<QPushButton>(dialog, "ok")->click();
        openAfterRefusal = dialog.isVisible();
        fieldAfterRefusal = entry->text();
        entry->setText(QStringLiteral("10.00"));
        child<QPushButton>(dialog, "ok")->click();
    });
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_EQ(fieldAfterRefusal, "0.00");
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Bad entry format"});
    EXPECT_EQ(result, QDialog::Accepted);
    ASSERT_TRUE(dialog.depthToSet().has_value());
    EXPECT_NEAR(*dialog.depthToSet(), 11.63, 1e-9);
}

TEST(CPSetDepthDlg, EnteredFeetAreConvertedAndEscapeSetsNothing) {
    {
        CPSetDepthDlg dialog({true, 163, 20.0});
        runModal(dialog, [&] {
            child<QLineEdit>(dialog, "depth")->setText(QStringLiteral("10.00"));
            child<QPushButton>(dialog, "ok")->click();
        });
        ASSERT_TRUE(dialog.depthToSet().has_value());
        EXPECT_NEAR(*dialog.depthToSet(), 3.047995 + 1.63, 1e-9);
    }
    CPSetDepthDlg dialog({false, 163, 20.0});
    const int result = runModal(dialog, [&] { press(dialog, Qt::Key_Escape); });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_FALSE(dialog.depthToSet().has_value());
}

} // namespace
} // namespace zarn::ui
