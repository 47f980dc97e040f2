// The header editor on the offscreen platform: it opens on reset values, the run number typed on
// one page shows on the other, a refused number keeps the dialog open on its page, "&Save"
// fills the record, "&Load" brings a header's well information. With ZARN_SCREENSHOT_DIR set
// its first and fourth pages are rendered there.
#include "acquisition/export/ui/HeaderDlg.h"
#include "acquisition/export/ui/HeaderPageForm.h"
#include "tests/acquisition/app/ui/WindowTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include <cstdlib>

namespace zarn::ui {
namespace {

namespace fs = std::filesystem;
using test::runEventsFor;
using zarn::test::RecordingUserMessages;
using zarn::test::TempHome;

QLineEdit* lineOf(CHeaderDlg& dialog, int tab, const char* key) {
    auto* line = qobject_cast<QLineEdit*>(dialog.page(tab).field(key));
    EXPECT_NE(line, nullptr) << key;
    return line;
}

// As typed: the text, and the signal of a user's edit.
void type(QLineEdit* line, const char* text) {
    line->setText(QString::fromUtf8(text));
    Q_EMIT line->textEdited(line->text());
}

void screenshot(QWidget& dialog, const char* name) {
    if (const char* folder = std::getenv("ZARN_SCREENSHOT_DIR")) {
        dialog.show();
        runEventsFor(300);
        EXPECT_TRUE(dialog.grab().save(QString::fromUtf8(folder) + "/" + name));
    }
}

TEST(HeaderDialog, EditsTheRecordOnItsFivePages) {
    TempHome home;
    RecordingUserMessages messages;
    CHeader header;
    header.Info().Company = "typed last time";
    home.write("old.hed", "[General]\r\nVersion=2000\r\n[WellInfo]\r\nWellname=BH-7\r\n"
                          "Comment1=loaded remark\r\n");
    CHeaderDlg dialog(header, home.path(), [&](const fs::path&) {
        return std::optional<fs::path>(home.file("old.hed"));
    });
    auto* tabs = dialog.findChild<QTabWidget*>(QStringLiteral("tabs"));
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 5);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("C&lient / Location"));
    EXPECT_EQ(tabs->tabText(4), QStringLiteral("&Remarks"));
    EXPECT_EQ(tabs->currentIndex(), 0);
    // Opened on reset values.
    EXPECT_EQ(lineOf(dialog, 0, "Company")->text(), QString());
    EXPECT_EQ(header.Info().Company, " ");

    type(lineOf(dialog, 0, "Company"), "ACME; \"drilling\" = [ok]");
    type(lineOf(dialog, 0, "Wellname"), "Puits \xC3\xA9t\xC3\xA9");
    type(lineOf(dialog, 2, "RunNo1"), "4");
    EXPECT_EQ(lineOf(dialog, 3, "RunNo1")->text(), QStringLiteral("4"));
    type(lineOf(dialog, 1, "KellyBushing"), "1.2.3");
    auto* remarks = qobject_cast<QPlainTextEdit*>(dialog.page(4).field("Remarks"));
    ASSERT_NE(remarks, nullptr);
    remarks->setPlainText(QStringLiteral("first line\nsecond line"));
    screenshot(dialog, "zarn-header.png");

    dialog.OnSave();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Please enter a number."});
    EXPECT_EQ(tabs->currentIndex(), 1); // the page of the refused field
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(header.Info().Company, " "); // nothing saved
    type(lineOf(dialog, 1, "KellyBushing"), "12.5");
    dialog.OnSave();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(header.Info().Company, "ACME; \"drilling\" = [ok]");
    EXPECT_EQ(header.Info().Wellname, "Puits \xC3\xA9t\xC3\xA9");
    EXPECT_EQ(header.Info().RunNo[0], 4);
    EXPECT_EQ(header.Info().KellyBushing, 12.5);
    EXPECT_EQ(header.Info().Comment[1], "second line");

    dialog.OnLoad();
    EXPECT_EQ(lineOf(dialog, 0, "Wellname")->text(), QStringLiteral("BH-7"));
    EXPECT_EQ(remarks->toPlainText(), QStringLiteral("loaded remark"));
    tabs->setCurrentIndex(3);
    screenshot(dialog, "zarn-header-casing.png");
    dialog.OnReset();
    EXPECT_EQ(lineOf(dialog, 0, "Wellname")->text(), QString());
}

} // namespace
} // namespace zarn::ui
