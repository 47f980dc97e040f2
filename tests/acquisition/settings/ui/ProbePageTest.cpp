// The probe page's window over a fake logger: the sonde list, "Add" with ten sondes stored,
// the image offset edit with its preview drawn from the published copy of a row.
#include "acquisition/settings/ui/PFileTolDlg.h"
#include "acquisition/settings/ui/PProbeDlg.h"

#include "tests/acquisition/settings/FakeLoggerSetupHost.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zarn::ui {
namespace {

struct ProbePage {
    zarn::test::TempHome home;
    zarn::test::RecordingUserMessages messages;
    MessageBus bus;
    zarn::test::FakeLoggerSetupHost host;
    SondeTable table;
    std::unique_ptr<SondeDatabase> db;

    explicit ProbePage(int stored) {
        for (int i = 0; i < stored; ++i)
            table.slots[static_cast<size_t>(i)].serialNumber = 100 + i;
        table.copySelectedToWorking();
        db = std::make_unique<SondeDatabase>(
            table, [] { return true; }, bus, home.file("LvZARN.tol"));
    }
};

template <typename T> T* child(QWidget& w, const char* name) {
    T* found = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

TEST(CPProbeDlg, ListsTheSlotsAndDisablesAddWithTenStored) {
    ProbePage full(10);
    CPProbeDlg page(full.host, *full.db);
    QComboBox* list = child<QComboBox>(page, "sonde");
    ASSERT_EQ(list->count(), 10);
    EXPECT_EQ(list->itemText(9), "0109");
    EXPECT_FALSE(child<QPushButton>(page, "add")->isEnabled());

    ProbePage some(2);
    CPProbeDlg other(some.host, *some.db);
    QComboBox* l = child<QComboBox>(other, "sonde");
    EXPECT_EQ(l->itemText(1), "0101");
    EXPECT_EQ(l->itemText(2), "-");
    EXPECT_TRUE(child<QPushButton>(other, "add")->isEnabled());
}

TEST(CPProbeDlg, ThePreviewStaysBlankWithItsMessageUntilARowIsPublished) {
    ProbePage probe(1);
    CPProbeDlg page(probe.host, *probe.db);
    QPushButton* edit = child<QPushButton>(page, "imageOffsetEdit");
    page.OnImageOffsetEdit();
    ASSERT_TRUE(page.logic().imageOffsetEditing());
    EXPECT_EQ(edit->text(), "Save");
    EXPECT_TRUE(child<QLineEdit>(page, "imageOffset")->isEnabled());
    page.rowDrawn();
    EXPECT_TRUE(page.previewImage().isNull());
    EXPECT_EQ(child<QLabel>(page, "previewMessage")->text(), AlignmentPreview::NoPictureText);

    std::vector<std::uint32_t> row(540, 0xFF00FF00u); // a green row of 540 pixels
    page.preview().publishRow(row, 540);
    page.rowDrawn();
    ASSERT_FALSE(page.previewImage().isNull());
    EXPECT_EQ(page.previewImage().pixel(AlignmentPreview::MarkColumn, 0), 0xFF000000u);
    EXPECT_EQ(page.previewImage().pixel(0, 0), 0xFFFFFF00u);
    EXPECT_EQ(page.previewImage().pixel(10, 1), 0xFF00FF00u);
    EXPECT_TRUE(child<QLabel>(page, "previewMessage")->text().isEmpty());

    page.OnImageOffsetCancel();
    EXPECT_EQ(edit->text(), "Edit");
    EXPECT_TRUE(page.previewImage().isNull()) << "a new edit starts blank";
    EXPECT_FALSE(child<QLineEdit>(page, "imageOffset")->isEnabled());
}

TEST(CPFileTolDlg, ShowsTheSlotAndWritesNothingWithABadField) {
    ProbePage probe(3);
    probe.table.slots[1].imageOffset = 33.3;
    CPFileTolDlg page(*probe.db);
    QComboBox* dbase = child<QComboBox>(page, "dbase");
    dbase->setCurrentIndex(1);
    page.showSlot(1);
    EXPECT_EQ(child<QLineEdit>(page, "serialNumber")->text(), "0101");
    EXPECT_EQ(child<QLineEdit>(page, "imageOffset")->text(), "33.3");
    child<QLineEdit>(page, "sondeLength")->setText(QStringLiteral("1-2"));
    page.OnWrite();
    EXPECT_FALSE(std::filesystem::exists(probe.db->file())) << "nothing written";
    EXPECT_EQ(child<QLineEdit>(page, "sondeLength")->text(), "1-2") << "kept for a correction";
    child<QLineEdit>(page, "sondeLength")->setText(QStringLiteral("175"));
    page.OnWrite();
    EXPECT_EQ(probe.table.slots[1].sondeLength, 175);
    EXPECT_EQ(dbase->currentIndex(), 1);
    if (const char* folder = std::getenv("ZARN_SCREENSHOT_DIR")) {
        page.resize(page.sizeHint().expandedTo(QSize(420, 0)));
        EXPECT_TRUE(page.grab().save(QString::fromUtf8(folder) + "/zarn-sonde-file.png"));
    }
}

} // namespace
} // namespace zarn::ui
