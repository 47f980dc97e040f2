// The two export dialogs on the offscreen platform, over logs made by the test and opened
// through the injected file choice: the refused entries with the program's texts, an export
// that writes its pictures or its LAS file, a Cancel in the middle of a picture export, and the
// settings handed back when the dialog closes. With ZARN_SCREENSHOT_DIR set the dialogs are
// also rendered there once a log is chosen.
#include "acquisition/export/ui/ExportDialogs.h"
#include "acquisition/export/ui/BmpExportation.h"
#include "acquisition/export/ui/LasExport.h"
#include "platform/imaging/PictureCodecs.h"
#include "platform/imaging/PictureFileName.h"
#include "tests/acquisition/app/ui/WindowTestSupport.h"
#include "tests/acquisition/export/ExportTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace zarn::ui {
namespace {

namespace fs = std::filesystem;
using test::runEventsFor;
using test::waitUntil;
using zarn::test::RecordingUserMessages;
using zarn::test::TempHome;

template <typename W> W* child(QWidget& dialog, const char* name) {
    W* widget = dialog.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

// Types an entry and leaves the field.
void enter(QWidget& dialog, const char* field, const char* text) {
    QLineEdit* edit = child<QLineEdit>(dialog, field);
    edit->setText(QString::fromLatin1(text));
    Q_EMIT edit->editingFinished();
}

void pressEnter(QWidget* widget) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

std::string textOf(QWidget& dialog, const char* name) {
    if (auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name)))
        return label->text().toStdString();
    return child<QLineEdit>(dialog, name)->text().toStdString();
}

// The choices a test answers: the header to open, the folder and the LAS file to write.
ExportFileChoices choicesOf(const fs::path& header, const fs::path& out = {}) {
    ExportFileChoices choices;
    choices.headerToOpen = [header](const fs::path&) { return std::optional<fs::path>(header); };
    choices.exportFolder = [out](const fs::path&) { return std::optional<fs::path>(out); };
    choices.lasToSave = [out](const fs::path&) { return std::optional<fs::path>(out); };
    return choices;
}

void screenshot(QWidget& dialog, const char* name) {
    if (const char* folder = std::getenv("ZARN_SCREENSHOT_DIR")) {
        dialog.show();
        runEventsFor(300);
        EXPECT_TRUE(dialog.grab().save(QString::fromUtf8(folder) + "/" + name));
    }
}

// A log of 1.0 m to 16.992 m: a record every 8 mm, each a grey that grows with depth.
fs::path grey(const TempHome& home, int records = 2000) {
    zarn::test::TestLogShape shape;
    shape.pixel = [](int n, int, int) {
        const auto v = static_cast<std::uint32_t>(40 + n % 160);
        return 0xFF000000u | v << 16 | v << 8 | v;
    };
    return zarn::test::writeTestLog(home.path() / "log",
                                    zarn::test::evenRecords(10000, 80, records), shape);
}

Configuration configurationIn(const TempHome& home) {
    Configuration configuration;
    configuration.paths.programDirectory = home.path().string() + "/";
    return configuration;
}

TEST(PictureExportDialog, OpensTheChosenLogAndRefusesEntriesWithTheProgramsTexts) {
    TempHome home;
    RecordingUserMessages messages;
    const fs::path header = grey(home);
    CBmpExportation dialog(configurationIn(home), choicesOf(header));
    EXPECT_FALSE(child<QPushButton>(dialog, "export")->isEnabled());

    dialog.OnInput();
    EXPECT_TRUE(messages.texts().empty());
    EXPECT_EQ(textOf(dialog, "input"), (header.parent_path() / "WELL1.lox").string());
    EXPECT_EQ(textOf(dialog, "sourceInfo"), "720/16000 lines");
    EXPECT_EQ(textOf(dialog, "from"), "1.00");
    EXPECT_EQ(textOf(dialog, "to"), "16.99");
    EXPECT_EQ(textOf(dialog, "interval"), "1.0");
    EXPECT_EQ(textOf(dialog, "info"), "720 / 15990 - (15.990 m by file)");
    EXPECT_TRUE(child<QPushButton>(dialog, "export")->isEnabled());
    // The preview shows the log's greys in the whole frame: 400 lines of 3 mm.
    QLabel* preview = child<QLabel>(dialog, "preview");
    ASSERT_TRUE(waitUntil([&] { return !preview->pixmap().isNull(); }, 30000));
    const QImage frame = preview->pixmap().toImage();
    EXPECT_EQ(frame.size(), QSize(240, 400));
    EXPECT_GE(qGray(frame.pixel(120, 10)), 40);
    EXPECT_GE(qGray(frame.pixel(120, 399)), 40);
    screenshot(dialog, "picture-export.png");

    enter(dialog, "from", "6");
    enter(dialog, "to", "0.5");
    enter(dialog, "interval", "0.2");
    enter(dialog, "maxLines", "100");
    const std::vector<std::string> shown = messages.texts();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], "Bad entry value (begining 1.00 ending 16.99) \n");
    EXPECT_EQ(shown[1], "Minimal interval : 0.5 mm");
    EXPECT_EQ(shown[2].substr(0, 39), "Sorry, the Max line value is too small.");
    // The refused To put the whole range back; the accepted From went with it.
    EXPECT_EQ(textOf(dialog, "from"), "1.00");
    EXPECT_EQ(textOf(dialog, "to"), "16.99");
    EXPECT_EQ(textOf(dialog, "interval"), "1.0");
    EXPECT_EQ(textOf(dialog, "maxLines"), "16000");

    // LGX mode swaps the interval field for its list and hides the lines per file.
    child<QCheckBox>(dialog, "lgx")->setChecked(true);
    EXPECT_TRUE(child<QLineEdit>(dialog, "interval")->isHidden());
    EXPECT_FALSE(child<QWidget>(dialog, "lgxInterval")->isHidden());
    EXPECT_FALSE(child<QRadioButton>(dialog, "jpg")->isEnabled());
    EXPECT_EQ(textOf(dialog, "info"), "LGX file - 33.00 Mb - 15990 lines");
}

TEST(PictureExportDialog, AFileThatIsNotALogIsRefusedAndChangesNothing) {
    TempHome home;
    RecordingUserMessages messages;
    home.write("notes.hed", "[General]\r\n");
    CBmpExportation dialog(configurationIn(home), choicesOf(home.file("notes.hed")));
    dialog.OnInput();
    ASSERT_EQ(messages.texts().size(), 1u);
    EXPECT_EQ(messages.texts()[0].substr(0, 22), "Data file not present.");
    EXPECT_FALSE(dialog.header());
    EXPECT_FALSE(child<QPushButton>(dialog, "export")->isEnabled());
}

TEST(PictureExportDialog, ExportsPicturesNamedByTheDepthsTheyCover) {
    TempHome home;
    RecordingUserMessages messages;
    const fs::path header = grey(home, 200); // 1.0 m to 2.592 m
    const fs::path out = home.path() / "out";
    CBmpExportation dialog(configurationIn(home), choicesOf(header, out));
    dialog.OnInput();
    dialog.OnOutput();
    EXPECT_EQ(textOf(dialog, "output"), out.string());
    child<QRadioButton>(dialog, "bmp")->setChecked(true);
    enter(dialog, "maxLines", "500");
    ASSERT_TRUE(messages.texts().empty()) << messages.texts()[0];

    // Enter in a field leaves it and runs nothing; Enter on Export runs the export.
    pressEnter(child<QLineEdit>(dialog, "from"));
    EXPECT_FALSE(dialog.running());
    EXPECT_TRUE(messages.texts().empty());
    pressEnter(child<QPushButton>(dialog, "export"));
    EXPECT_TRUE(dialog.running());
    EXPECT_FALSE(child<QPushButton>(dialog, "inputButton")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(dialog, "cancel")->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return !dialog.running(); }, 60000));
    ASSERT_TRUE(dialog.lastResult());
    const PictureExportResult& result = *dialog.lastResult();
    ASSERT_EQ(result.outcome, ExportOutcome::Done) << result.message;
    EXPECT_TRUE(child<QPushButton>(dialog, "export")->isEnabled());

    // 1590 lines of 1 mm: three full pictures and the rest, each starting where the last ended.
    ASSERT_EQ(result.pictures.size(), 4u);
    double start = 1.0;
    for (const GeneratedPicture& picture : result.pictures) {
        SCOPED_TRACE(picture.path.string());
        ASSERT_TRUE(fs::exists(picture.path));
        EXPECT_EQ(picture.path.parent_path(), out);
        const std::optional<PictureNameParts> name = parsePictureFileName(picture.path);
        ASSERT_TRUE(name);
        EXPECT_EQ(name->group, "WELL1_X");
        EXPECT_EQ(name->extension, ".bmp");
        EXPECT_NEAR(name->start, start, 1e-9);
        start = name->end;
        const auto loaded = loadPicture(picture.path);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->width(), 720);
    }
    EXPECT_NEAR(start, 2.59, 1e-9);
    EXPECT_EQ(result.pictures[0].path.filename(), "WELL1_X_0001.0000-0001.5000.bmp");
    EXPECT_TRUE(messages.texts().empty());
}

// Starts nothing: records what the dialog would start.
class RecordingLauncher final : public HandOffLauncher {
public:
    bool startViewer(const fs::path& program, const std::vector<std::string>& arguments) override {
        calls.push_back("viewer " + program.string() +
                        (arguments.empty() ? std::string() : " " + arguments.front()));
        return true;
    }
    bool openPage(const fs::path& page) override {
        calls.push_back("page " + page.string());
        return true;
    }
    std::vector<std::string> calls;
};

TEST(PictureExportDialog, HandsThePicturesToTheViewerAndThePageToTheBrowserAfterAnExport) {
    TempHome home;
    RecordingUserMessages messages;
    const fs::path header = grey(home, 200);
    const fs::path out = home.path() / "out";
    ExportFileChoices choices = choicesOf(header, out);
    auto launcher = std::make_shared<RecordingLauncher>();
    auto store = std::make_shared<SettingsStore>(home.file("user-settings.ini"));
    choices.launcher = launcher;
    choices.viewerSettings = store;
    choices.viewerProgram = [&] { return home.file("bin/lvviewer"); };
    Configuration configuration = configurationIn(home);
    configuration.program.depthUnit = 1;
    CBmpExportation dialog(configuration, choices);
    dialog.OnInput();
    dialog.OnOutput();
    child<QRadioButton>(dialog, "jpg")->setChecked(true);
    enter(dialog, "maxLines", "500");
    for (const char* box : {"viewer", "browser"}) {
        QCheckBox* check = child<QCheckBox>(dialog, box);
        ASSERT_TRUE(check->isEnabled()) << box;
        check->click();
        EXPECT_TRUE(check->isChecked()) << box;
    }
    dialog.OnExport();
    ASSERT_TRUE(waitUntil([&] { return !dialog.running(); }, 60000));
    ASSERT_EQ(dialog.lastResult()->outcome, ExportOutcome::Done);
    const fs::path page = out / "WELL1.html";
    EXPECT_EQ(launcher->calls,
              (std::vector<std::string>{"viewer " + home.file("bin/lvviewer").string() + " " +
                                            dialog.lastResult()->pictures.front().path.string(),
                                        "page " + page.string()}));
    EXPECT_TRUE(fs::exists(page));
    EXPECT_EQ(store->readString("Software\\Lumivane\\LVViewer\\Preferences", "SetDepthUnit"), "1");
    EXPECT_TRUE(messages.texts().empty());

    // Cancelled: nothing is handed on.
    launcher->calls.clear();
    fs::remove(page);
    dialog.OnExport();
    dialog.OnCancel();
    ASSERT_TRUE(waitUntil([&] { return !dialog.running(); }, 60000));
    if (dialog.lastResult()->outcome == ExportOutcome::Cancelled) {
        EXPECT_TRUE(launcher->calls.empty());
        EXPECT_FALSE(fs::exists(page));
    }

    // No viewer: the warning, and the page still comes.
    choices.viewerProgram = [] { return fs::path(); };
    CBmpExportation second(configuration, choices);
    second.OnInput();
    second.OnOutput();
    child<QRadioButton>(second, "jpg")->setChecked(true);
    child<QCheckBox>(second, "viewer")->click();
    child<QCheckBox>(second, "browser")->click();
    launcher->calls.clear();
    second.OnExport();
    ASSERT_TRUE(waitUntil([&] { return !second.running(); }, 60000));
    EXPECT_EQ(launcher->calls, std::vector<std::string>{"page " + page.string()});
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"LVViewer.exe not found"});
}

TEST(PictureExportDialog, CancelStopsARunningExportAndLeavesNoHalfWrittenPicture) {
    TempHome home;
    RecordingUserMessages messages;
    const fs::path header = grey(home, 6000); // 48 m
    const fs::path out = home.path() / "out";
    CBmpExportation dialog(configurationIn(home), choicesOf(header, out));
    dialog.OnInput();
    dialog.OnOutput();
    enter(dialog, "maxLines", "2000");
    dialog.OnExport();
    ASSERT_TRUE(dialog.running());
    // Once the first pictures are out, in the middle of the next one.
    ASSERT_TRUE(waitUntil(
        [&] {
            std::error_code ec;
            return fs::exists(out, ec) &&
                   std::distance(fs::directory_iterator(out, ec), fs::directory_iterator()) >= 2;
        },
        60000));
    dialog.OnCancel();
    ASSERT_TRUE(waitUntil([&] { return !dialog.running(); }, 60000));
    ASSERT_TRUE(dialog.lastResult());
    const PictureExportResult& result = *dialog.lastResult();
    EXPECT_EQ(result.outcome, ExportOutcome::Cancelled);
    EXPECT_EQ(textOf(dialog, "status"), "User cancel wait ... End.");
    EXPECT_LT(result.pictures.size(), 24u);
    // Every file left is a whole picture the run reported.
    std::size_t files = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(out)) {
        ++files;
        bool reported = false;
        for (const GeneratedPicture& p : result.pictures)
            reported = reported || p.path == e.path();
        EXPECT_TRUE(reported) << e.path();
        EXPECT_TRUE(loadPicture(e.path())) << e.path();
    }
    EXPECT_EQ(files, result.pictures.size());
    EXPECT_TRUE(messages.texts().empty());

    // Closing the dialog while an export runs stops it first.
    dialog.OnExport();
    ASSERT_TRUE(dialog.running());
    dialog.reject();
    ASSERT_TRUE(waitUntil([&] { return !dialog.running(); }, 60000));
    EXPECT_EQ(dialog.lastResult()->outcome, ExportOutcome::Cancelled);
}

TEST(PictureExportDialog, WritesTheLgxImageLogAndAsksBeforeReplacingIt) {
    TempHome home;
    RecordingUserMessages messages;
    const fs::path header = grey(home, 200);
    const fs::path out = home.path() / "out";
    CBmpExportation dialog(configurationIn(home), choicesOf(header, out));
    dialog.OnInput();
    dialog.OnOutput();
    child<QCheckBox>(dialog, "lgx")->setChecked(true);
    const auto run = [&] {
        dialog.OnExport();
        return waitUntil([&] { return !dialog.running(); }, 60000);
    };
    ASSERT_TRUE(run());
    ASSERT_TRUE(dialog.lastResult());
    ASSERT_EQ(dialog.lastResult()->outcome, ExportOutcome::Done) << dialog.lastResult()->message;
    const fs::path data = out / "LGX" / "WELL1_X_LGX.lgx";
    ASSERT_TRUE(fs::exists(out / "LGX" / "WELL1_X_LGX.HED"));
    // 1590 lines of 27 + 3 x 720 bytes, and no picture.
    EXPECT_EQ(fs::file_size(data), 1590u * 2187u);
    EXPECT_TRUE(dialog.lastResult()->pictures.empty());
    EXPECT_TRUE(messages.texts().empty());

    // No: nothing runs and the files stay; Yes: they are written again.
    const auto written = fs::last_write_time(data);
    messages.answerNext(MessageAnswer::No);
    dialog.OnExport();
    EXPECT_FALSE(dialog.running());
    EXPECT_EQ(textOf(dialog, "status"), "Canceling wait ... End.");
    EXPECT_EQ(fs::last_write_time(data), written);
    messages.answerNext(MessageAnswer::Yes);
    ASSERT_TRUE(run());
    EXPECT_EQ(dialog.lastResult()->outcome, ExportOutcome::Done);
    EXPECT_EQ(messages.texts(), (std::vector<std::string>(
                                    2, "Same LGX file name exist, do you want replace this ?")));
    EXPECT_EQ(fs::file_size(data), 1590u * 2187u);
}

TEST(LasExportDialog, RefusesStartWithoutAChannelAndWritesTheTickedCurves) {
    TempHome home;
    RecordingUserMessages messages;
    const fs::path header = grey(home, 400);
    CLasExport dialog(configurationIn(home), choicesOf(header));
    EXPECT_FALSE(child<QPushButton>(dialog, "start")->isEnabled());
    dialog.OnInput();
    EXPECT_EQ(textOf(dialog, "input"), "WELL1.hed");
    EXPECT_EQ(textOf(dialog, "output"), "WELL1.las");
    EXPECT_EQ(textOf(dialog, "from"), "0.10");
    EXPECT_EQ(textOf(dialog, "to"), "4.10");
    // No gamma sensor in this log: its box is there, disabled and clear.
    EXPECT_FALSE(child<QCheckBox>(dialog, "channel_ExportGamm")->isEnabled());
    EXPECT_FALSE(child<QCheckBox>(dialog, "channel_ExportGamm")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(dialog, "channel_ExportRoll")->isChecked());
    screenshot(dialog, "las-export.png");

    enter(dialog, "to", "9");
    ASSERT_EQ(messages.texts().size(), 1u);
    EXPECT_EQ(messages.texts()[0], "Bad entry value (begining 0.10 ending 4.10) \n");
    EXPECT_EQ(textOf(dialog, "to"), "4.10");

    for (QCheckBox* box : dialog.findChildren<QCheckBox*>())
        if (box->objectName().startsWith(QStringLiteral("channel_")))
            box->setChecked(false);
    dialog.OnStart();
    ASSERT_EQ(messages.texts().size(), 2u);
    EXPECT_EQ(messages.texts()[1], "You must at least choose one channel !!!");
    EXPECT_FALSE(dialog.running());

    child<QCheckBox>(dialog, "channel_ExportIncl")->setChecked(true);
    child<QCheckBox>(dialog, "channel_ExportSpeed")->setChecked(true);
    dialog.OnStart();
    ASSERT_TRUE(waitUntil([&] { return !dialog.running(); }, 60000));
    ASSERT_TRUE(dialog.lastResult());
    ASSERT_EQ(dialog.lastResult()->outcome, LasPassOutcome::Done) << dialog.lastResult()->message;
    EXPECT_EQ(textOf(dialog, "info"), "File migred.");
    const fs::path las = header.parent_path() / "LAS20" / "WELL1.las";
    std::ifstream in(las);
    std::stringstream text;
    text << in.rdbuf();
    const std::string file = text.str();
    EXPECT_NE(file.find(" SPEED     .M/Min"), std::string::npos);
    EXPECT_NE(file.find(" INCL      .DEGREE"), std::string::npos);
    EXPECT_EQ(file.find(" AZ        .DEGREE"), std::string::npos);
    EXPECT_EQ(file.find(" ROLL      .DEGREE"), std::string::npos);
    EXPECT_NE(file.find("~A  DEPTH     SPEED      INCL"), std::string::npos);

    // A second run asks before replacing it; No keeps it.
    messages.answerNext(MessageAnswer::No);
    dialog.OnStart();
    EXPECT_FALSE(dialog.running());
    ASSERT_EQ(messages.texts().size(), 4u);
    EXPECT_EQ(messages.texts()[2], "Same file name exist, do you want replace this ?");
    EXPECT_EQ(messages.texts()[3], "Migration to LAS file aborted. ");

    // A cancelled save dialog leaves no output.
    ExportFileChoices none = choicesOf(header);
    none.lasToSave = [](const fs::path&) { return std::optional<fs::path>(); };
    CLasExport cancelled(configurationIn(home), none);
    cancelled.OnInput();
    cancelled.OnOutput();
    EXPECT_EQ(textOf(cancelled, "output"), "*** N/A ***");
    EXPECT_FALSE(child<QPushButton>(cancelled, "start")->isEnabled());
}

// Runs the command with the dialog driven by edit() once it is open, then closed.
template <typename Dialog>
bool runWith(bool (*command)(QWidget*, Configuration&, const ExportFileChoices&),
             Configuration& configuration, const ExportFileChoices& choices,
             std::function<void(Dialog&)> edit) {
    bool edited = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        edit(*dialog);
        edited = true;
        dialog->reject();
    });
    const bool changed = command(nullptr, configuration, choices);
    EXPECT_TRUE(edited);
    return changed;
}

TEST(ExportCommands, TheSettingsComeBackChangedWhenTheDialogCloses) {
    TempHome home;
    RecordingUserMessages messages;
    const fs::path header = grey(home);
    Configuration configuration = configurationIn(home);

    EXPECT_TRUE(runWith<CBmpExportation>(
        runPictureExport, configuration, choicesOf(header), [](CBmpExportation& dialog) {
            dialog.OnInput();
            child<QRadioButton>(dialog, "tiff")->setChecked(true);
            child<QRadioButton>(dialog, "grey")->setChecked(true);
            child<QRadioButton>(dialog, "bicubic")->setChecked(true);
        }));
    const PictureExportSettings& picture = configuration.program.picture;
    EXPECT_EQ(picture.type, 1);
    EXPECT_EQ(picture.mode, 1);
    EXPECT_TRUE(picture.useBicubic);
    EXPECT_EQ(configuration.paths.exportFolder, header.parent_path().string());
    EXPECT_EQ(configuration.paths.exportDataFile, (header.parent_path() / "WELL1.lox").string());

    // Nothing touched: nothing changed; the dialog opens with the choices kept and the last
    // log's folder as the output.
    EXPECT_FALSE(runWith<CBmpExportation>(
        runPictureExport, configuration, choicesOf(header),
        [folder = header.parent_path().string()](CBmpExportation& dialog) {
            EXPECT_TRUE(child<QRadioButton>(dialog, "tiff")->isChecked());
            EXPECT_TRUE(child<QRadioButton>(dialog, "bicubic")->isChecked());
            EXPECT_EQ(textOf(dialog, "output"), folder);
        }));

    EXPECT_TRUE(
        runWith<CLasExport>(runLasExport, configuration, choicesOf(header), [](CLasExport& dialog) {
            dialog.OnInput();
            child<QCheckBox>(dialog, "channel_ExportRoll")->setChecked(false);
        }));
    EXPECT_FALSE(configuration.program.las.roll);
    EXPECT_TRUE(configuration.program.las.inclination);
    EXPECT_TRUE(messages.texts().empty());
}

} // namespace
} // namespace zarn::ui
