// Printing from the viewer's windows, to PDF files read back with the PDF tools where they are
// installed (the parts that need them are skipped otherwise): the page count, the header and
// footer texts with each page's depths, the paper and the strip on it at true size and at each
// reduction; the print dialog's range with the current page (the page holding the view's top
// row) printed alone; the question before ten pages; the refusal without a document; the print
// preview, which returns the view to the page shown last; and lvviewer --print-pdf. With
// ZARN_SCREENSHOT_DIR set the print dialog is also rendered there.
#include "viewer/ui/LVPrintDialog.h"
#include "viewer/ui/LVViewerView.h"
#include "viewer/ui/MainFrame.h"
#include "viewer/ui/PrintPainter.h"

#include "tests/acquisition/app/ui/WindowTestSupport.h"
#include "tests/support/TestSupport.h"
#include "tests/viewer/ViewerTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>

extern char** environ;

namespace lvviewer::test {
namespace {

namespace fs = std::filesystem;
using ui::CLVPrintDialog;
using ui::CMainFrame;
using zarn::ui::test::runEventsFor;

// Runs a program (looked up in PATH) with its output into a file; its exit code, or nothing
// when it could not start.
std::optional<int> run(const std::vector<std::string>& args, const fs::path& output,
                       const std::vector<std::string>& extraEnv = {}) {
    std::vector<std::string> env = extraEnv;
    for (char** e = environ; *e != nullptr; ++e)
        env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (std::string& a : copy)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return std::nullopt;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return std::nullopt;
    return WEXITSTATUS(status);
}

bool onPath(const std::string& tool) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && ::access((fs::path(dir) / tool).c_str(), X_OK) == 0)
            return true;
    return false;
}

bool pdfToolsInstalled() {
    return onPath("pdfinfo") && onPath("pdftotext") && onPath("pdfimages");
}

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// The output of a PDF tool on the file.
std::string tool(const std::vector<std::string>& args, const fs::path& out) {
    EXPECT_EQ(run(args, out), 0) << args[0];
    return readAll(out);
}

int pdfPages(const zarn::test::TempHome& home, const fs::path& pdf) {
    const std::string info = tool({"pdfinfo", pdf.string()}, home.file("info.txt"));
    const std::size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

// The text of page n on one line per text line.
std::string pdfPageText(const zarn::test::TempHome& home, const fs::path& pdf, int n) {
    return tool({"pdftotext", "-layout", "-f", std::to_string(n), "-l", std::to_string(n),
                 pdf.string(), "-"},
                home.file("text.txt"));
}

// Every image's page, pixel size and resolution, as pdfimages lists them.
struct PdfImage {
    int page = 0, width = 0, height = 0, xPpi = 0, yPpi = 0;
};
std::vector<PdfImage> pdfImages(const zarn::test::TempHome& home, const fs::path& pdf) {
    std::stringstream lines(tool({"pdfimages", "-list", pdf.string()}, home.file("images.txt")));
    std::vector<PdfImage> images;
    std::string line;
    std::getline(lines, line);
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::stringstream f(line);
        PdfImage i;
        std::string num, type, color, comp, bpc, enc, interp, object, generation;
        f >> i.page >> num >> type >> i.width >> i.height >> color >> comp >> bpc >> enc >>
            interp >> object >> generation >> i.xPpi >> i.yPpi;
        if (f)
            images.push_back(i);
    }
    return images;
}

// 10 m to 11 m in two JPEG pictures of 200 x 5000, 10000 rows a metre: a strip 34.8 mm wide
// at true size, four A4 pages at 100 %.
void writeBorehole(const fs::path& folder) {
    writePicture(folder / "P_X_0010.00-0010.50.jpg", 200, 5000);
    writePicture(folder / "P_X_0010.50-0011.00.jpg", 200, 5000);
}

struct Viewer {
    zarn::test::TempHome home;
    zarn::test::RecordingUserMessages messages;
    zarn::SettingsStore store{home.file("store.ini")};
    CMainFrame frame{store};
    Viewer() {
        writeBorehole(home.path());
        frame.show();
        EXPECT_TRUE(
            frame.openFile(QString::fromStdString(home.file("P_X_0010.00-0010.50.jpg").string())));
        frame.resize(frame.width(), 700);
        QApplication::processEvents();
    }
    ui::CLVViewerView& view() { return frame.view(); }
    const CLVViewerPrint& print() { return frame.view().printing(); }
};

void screenshot(QWidget& window, const char* name) {
    if (const char* folder = std::getenv("ZARN_SCREENSHOT_DIR")) {
        window.show();
        runEventsFor(300);
        EXPECT_TRUE(window.grab().save(QString::fromUtf8(folder) + "/" + name));
    }
}

TEST(PrintWindows, EveryReductionPrintsItsPagesWithHeaderFooterAndTheStripToScale) {
    Viewer v;
    const bool tools = pdfToolsInstalled();
    const double rowsPerMetre = v.frame.document().assembly().averagePixelsPerMetre;
    ASSERT_DOUBLE_EQ(rowsPerMetre, 10000);
    int fullPages = 0;
    for (int level = 0; level < 5; ++level) {
        SCOPED_TRACE(level);
        v.frame.setZoomLevel(level);
        const double zoom = ZoomFactors[level];
        const fs::path pdf = v.home.file("level" + std::to_string(level) + ".pdf");
        ASSERT_TRUE(v.view().printToPdf(QString::fromStdString(pdf.string())));
        const CLVViewerPrint& print = v.print();
        // A4 less 10 mm margins all round; the strip fits: true size, reduced as the view.
        EXPECT_NEAR(print.printer().widthMm, 190, 0.01);
        EXPECT_NEAR(print.printer().heightMm, 277, 0.01);
        EXPECT_DOUBLE_EQ(print.scale(), rowsPerMetre);
        EXPECT_NEAR(rowsPerMetre / print.rowsPerPage() * print.stripHeightMm(), 1000 * zoom, 1);
        EXPECT_EQ(print.pageCount(), (v.frame.document().totalHeight() + print.rowsPerPage() - 1) /
                                         print.rowsPerPage());
        if (level == 0)
            fullPages = print.pageCount();
        else
            EXPECT_LE(print.pageCount(), fullPages);
        if (!tools)
            continue;

        EXPECT_EQ(pdfPages(v.home, pdf), print.pageCount());
        const std::string info = tool({"pdfinfo", pdf.string()}, v.home.file("info.txt"));
        EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
        for (int n = 1; n <= print.pageCount(); ++n) {
            const std::string text = pdfPageText(v.home, pdf, n);
            EXPECT_NE(text.find("Bore Hole P X"), std::string::npos) << n << text;
            EXPECT_NE(text.find(CLVViewerPrint::printedOnText(print.printDate())),
                      std::string::npos)
                << n << text;
            EXPECT_NE(text.find(print.footerText(n, false)), std::string::npos) << n << text;
            EXPECT_NE(text.find("PAGE " + std::to_string(n)), std::string::npos) << n << text;
        }
        // The first page from the first picture's top, the last to the strip's end.
        EXPECT_NE(pdfPageText(v.home, pdf, 1).find("DEPTH: from 10.00 meter"), std::string::npos);
        // Each page's picture: the strip's printed columns, the page's rows, placed so that a
        // metre of borehole measures the reduction's part of a metre (the listed resolution is
        // rounded to whole dots an inch).
        const std::vector<PdfImage> images = pdfImages(v.home, pdf);
        ASSERT_EQ(images.size(), static_cast<std::size_t>(print.pageCount()));
        for (const PdfImage& image : images) {
            EXPECT_EQ(image.width, v.frame.document().geometry().scaleEdge());
            EXPECT_EQ(image.height, print.page(image.page).rows);
            const double metreMm = image.yPpi > 0 ? 10000.0 / image.yPpi * 25.4 : 0;
            EXPECT_NEAR(metreMm, 1000 * zoom, 0.005 * 1000 * zoom) << image.page;
            // The strip's width, its labels' area widened at a reduction, a tenth of a
            // millimetre a pixel at true size.
            const double widthMm = image.xPpi > 0 ? image.width * 25.4 / image.xPpi : 0;
            const double expected = image.width / 10.0 * zoom;
            EXPECT_NEAR(widthMm, expected, 0.005 * expected + 0.1) << image.page;
        }
    }
    // The header at the printable area's top (10 mm), the footer at its bottom (287 mm).
    if (tools) {
        const std::string words = tool(
            {"pdftotext", "-bbox", "-f", "1", "-l", "1", v.home.file("level0.pdf").string(), "-"},
            v.home.file("bbox.txt"));
        const auto coordinate = [&](const std::string& word, const char* name) {
            const std::size_t at = words.find(">" + word + "</word>");
            if (at == std::string::npos)
                return -1.0;
            const std::size_t start = words.rfind("<word", at);
            const std::size_t value = words.find(std::string(name) + "=\"", start);
            return std::atof(words.c_str() + value + std::strlen(name) + 2) / 72 * 25.4;
        };
        EXPECT_NEAR(coordinate("Bore", "yMin"), 10, 0.5);
        EXPECT_NEAR(coordinate("PAGE", "yMax"), 287, 0.5);
    } else {
        GTEST_SKIP() << "pdfinfo, pdftotext or pdfimages not installed: the PDF not read back";
    }
    EXPECT_TRUE(v.messages.shown().empty());
}

TEST(PrintWindows, TheCurrentPageIsThePageAtTheViewsTopAndPrintsAlone) {
    Viewer v;
    QPrinter printer(QPrinter::HighResolution);
    const fs::path pdf = v.home.file("current.pdf");
    ui::setUpPdf(printer, QString::fromStdString(pdf.string()));
    // Halfway down the third page (a page 2570 rows at 100 %).
    ASSERT_TRUE(v.view().preparePrinting(printer));
    ASSERT_EQ(v.print().pageCount(), 4);
    const PageRecord third = v.print().page(3);
    v.view().state().scrollTo(third.stripY + third.rows / 2);
    ASSERT_TRUE(v.view().preparePrinting(printer));
    EXPECT_EQ(v.print().currentPage(), 3);

    // With pages made, Page Down goes to the next page's top, except from the last two pages,
    // where it scrolls; Page Up goes to the page before.
    ui::CLVViewerView& view = v.view();
    const auto press = [&](int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
    };
    view.state().home();
    press(Qt::Key_PageDown);
    EXPECT_EQ(view.state().top(), v.print().page(2).stripY);
    press(Qt::Key_PageDown);
    EXPECT_EQ(view.state().top(), third.stripY);
    press(Qt::Key_PageDown);
    EXPECT_GT(view.state().top(), third.stripY);
    EXPECT_LT(view.state().top(), v.print().page(4).stripY);
    press(Qt::Key_PageUp);
    EXPECT_EQ(view.state().top(), v.print().page(2).stripY);
    view.state().scrollTo(third.stripY + third.rows / 2);
    ASSERT_TRUE(view.preparePrinting(printer));

    CLVPrintDialog dialog(printer, v.print(), QString());
    EXPECT_TRUE(dialog.allButton()->isChecked());
    EXPECT_TRUE(dialog.currentButton()->isEnabled());
    EXPECT_EQ(dialog.currentEdit()->text(), "3");
    EXPECT_EQ(dialog.fromEdit()->text(), "1");
    EXPECT_EQ(dialog.toEdit()->text(), "4");
    EXPECT_TRUE(dialog.toFileBox()->isChecked());
    EXPECT_EQ(dialog.fileEdit()->text().toStdString(), pdf.string());
    screenshot(dialog, "lvviewer-print.png");
    // Typing a page chooses "&Current Page".
    dialog.currentEdit()->selectAll();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_2, Qt::NoModifier, "2");
    QApplication::sendEvent(dialog.currentEdit(), &key);
    EXPECT_TRUE(dialog.currentButton()->isChecked());
    dialog.currentEdit()->setText("3");
    // Without a file name there is nothing to print to.
    dialog.fileEdit()->clear();
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    dialog.fileEdit()->setText(QString::fromStdString(pdf.string()));
    dialog.accept();
    EXPECT_EQ(dialog.choice(), CLVPrintDialog::Choice::CurrentPage);
    EXPECT_EQ(dialog.currentPage(), 3);
    EXPECT_EQ(dialog.range().from, 3);
    EXPECT_EQ(dialog.range().to, 3);
    ASSERT_TRUE(v.view().printPages(printer, dialog.range(), true));
    if (!pdfToolsInstalled())
        GTEST_SKIP() << "pdfinfo or pdftotext not installed: the PDF not read back";
    EXPECT_EQ(pdfPages(v.home, pdf), 1);
    const std::string text = pdfPageText(v.home, pdf, 1);
    EXPECT_NE(text.find("PAGE 3"), std::string::npos) << text;
    EXPECT_NE(text.find(v.print().footerText(3, false)), std::string::npos) << text;
    EXPECT_TRUE(v.messages.shown().empty());
}

TEST(PrintWindows, WithoutPagesOnlyAllCanBeChosen) {
    CLVViewerPrint none;
    QPrinter printer;
    CLVPrintDialog dialog(printer, none, "strip.pdf");
    EXPECT_TRUE(dialog.allButton()->isChecked());
    EXPECT_TRUE(dialog.allButton()->isEnabled());
    EXPECT_FALSE(dialog.currentButton()->isEnabled());
    EXPECT_FALSE(dialog.pagesButton()->isEnabled());
    EXPECT_FALSE(dialog.fromEdit()->isEnabled());
    EXPECT_TRUE(dialog.currentEdit()->text().isEmpty());
    EXPECT_TRUE(dialog.fromEdit()->text().isEmpty());
    EXPECT_TRUE(dialog.toEdit()->text().isEmpty());
}

TEST(PrintWindows, TenPagesAskFirstAndNoDocumentIsRefused) {
    Viewer v;
    QPrinter printer(QPrinter::HighResolution);
    const fs::path pdf = v.home.file("ten.pdf");
    ui::setUpPdf(printer, QString::fromStdString(pdf.string()));
    // A6 less its margins holds 108 mm of strip: 10 pages of 1080 rows.
    printer.setPageSize(QPageSize(QPageSize::A6));
    ASSERT_TRUE(v.view().preparePrinting(printer));
    ASSERT_EQ(v.print().pageCount(), 10);
    v.messages.answerNext(zarn::MessageAnswer::No);
    EXPECT_FALSE(v.view().printPages(printer, {1, 10}, true));
    EXPECT_FALSE(fs::exists(pdf));
    ASSERT_EQ(v.messages.shown().size(), 1u);
    EXPECT_EQ(v.messages.shown()[0].text,
              "Are you sure wanting to print 10 pages from page 1 to 10 ?\n");
    EXPECT_EQ(v.messages.shown()[0].title, "QUESTION");
    // Nine pages print without asking.
    ASSERT_TRUE(v.view().printPages(printer, {2, 10}, true));
    EXPECT_EQ(v.messages.shown().size(), 1u);
    if (pdfToolsInstalled()) {
        EXPECT_EQ(pdfPages(v.home, pdf), 9);
    }

    // The document closed: nothing to print.
    v.frame.document().OnCloseDocument();
    v.view().documentChanged();
    v.view().OnFilePrint();
    v.view().OnFilePrintPreview();
    ASSERT_EQ(v.messages.shown().size(), 3u);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(v.messages.shown()[i].text, "No Valid Document to print");
        EXPECT_EQ(v.messages.shown()[i].title, "ERROR");
    }
}

TEST(PrintWindows, ThePreviewShowsEveryPageAndTheViewGoesToThePageShownLast) {
    Viewer v;
    // The preview draws on the printer chosen for printing: an A4 PDF here.
    ui::setUpPdf(v.view().printer(), QString::fromStdString(v.home.file("p.pdf").string()));
    std::unique_ptr<QPrintPreviewDialog> preview = v.view().createPreview();
    ASSERT_TRUE(preview);
    preview->resize(900, 800);
    preview->show();
    runEventsFor(300);
    auto* pages = preview->findChild<QPrintPreviewWidget*>();
    ASSERT_TRUE(pages);
    EXPECT_EQ(pages->pageCount(), v.print().pageCount());
    pages->setCurrentPage(3);
    preview->close();
    v.view().endPreview(*preview);
    EXPECT_EQ(v.print().currentPage(), 3);
    EXPECT_EQ(v.view().state().top(), v.print().page(3).stripY);
    EXPECT_TRUE(v.messages.shown().empty());
}

TEST(PrintWindows, TheCommandLinePrintsABoreholeToPdfWithoutAWindow) {
    zarn::test::TempHome home;
    writeBorehole(home.path());
    fs::create_directories(home.file("runtime"));
    ::chmod(home.file("runtime").c_str(), 0700);
    const std::vector<std::string> env = {"ZARN_HOME=" + home.path().string(),
                                          "XDG_RUNTIME_DIR=" + home.file("runtime").string()};
    const fs::path pdf = home.file("batch.pdf");
    EXPECT_EQ(run({LVVIEWER_PROGRAM, "--print-pdf", pdf.string(),
                   home.file("P_X_0010.00-0010.50.jpg").string()},
                  home.file("out.txt"), env),
              0);
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_EQ(readAll(pdf).rfind("%PDF", 0), 0u);
    // A file that is no borehole prints nothing and fails.
    writePicture(home.file("DSC0001.jpg"), 50, 50);
    EXPECT_EQ(run({LVVIEWER_PROGRAM, "--print-pdf", home.file("none.pdf").string(),
                   home.file("DSC0001.jpg").string()},
                  home.file("out.txt"), env),
              1);
    EXPECT_FALSE(fs::exists(home.file("none.pdf")));
    if (!pdfToolsInstalled())
        GTEST_SKIP() << "pdfinfo or pdftotext not installed: the PDF not read back";
    EXPECT_EQ(pdfPages(home, pdf), 4);
    EXPECT_NE(pdfPageText(home, pdf, 4).find("PAGE 4"), std::string::npos);
}

} // namespace
} // namespace lvviewer::test
