// The HTML page of a picture export read back as a browser would: every picture address
// resolves to a picture of the export, shallow end first in both directions, whatever the
// log's name holds; the scale of wide and long pictures; and the hand-off after an export: the
// viewer's depth unit first, the viewer on the first picture, the page written and opened only
// after a picture export that ended well, and never a page this run did not write.
#include "acquisition/export/HtmlPage.h"
#include "acquisition/export/PictureHandOff.h"
#include "platform/imaging/PictureFileName.h"
#include "tests/acquisition/export/ExportTestSupport.h"
#include "viewer/ViewerPreferences.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;

struct PageImage {
    std::string src; // as decoded
    int width = 0, height = 0;
};

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// A relative address as a browser turns it back into a file name: %XX as bytes; a "#" or "?"
// left in it would end the path there.
std::string decodedAddress(const std::string& src) {
    std::string out;
    for (std::size_t i = 0; i < src.size(); ++i) {
        if (src[i] == '#' || src[i] == '?')
            break;
        if (src[i] == '%' && i + 2 < src.size() && hexValue(src[i + 1]) >= 0 &&
            hexValue(src[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(src[i + 1]) * 16 + hexValue(src[i + 2]));
            i += 2;
        } else {
            out += src[i];
        }
    }
    return out;
}

// The page's pictures: every <img> tag's attributes, each value quoted with ' (a quote inside
// one would end it early).
std::vector<PageImage> imagesOf(const std::string& page) {
    std::vector<PageImage> images;
    const std::regex tag("<img([^>]*)>");
    const std::regex attribute("([a-z]+)='([^']*)'");
    for (auto t = std::sregex_iterator(page.begin(), page.end(), tag); t != std::sregex_iterator();
         ++t) {
        PageImage image;
        const std::string inside = (*t)[1];
        for (auto a = std::sregex_iterator(inside.begin(), inside.end(), attribute);
             a != std::sregex_iterator(); ++a) {
            const std::string name = (*a)[1];
            const std::string value = (*a)[2];
            if (name == "src")
                image.src = decodedAddress(value);
            else if (name == "width")
                image.width = std::stoi(value);
            else if (name == "height")
                image.height = std::stoi(value);
        }
        images.push_back(image);
    }
    return images;
}

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

ExportSource sourceOf(const fs::path& header) {
    ExportSourceResult read = readExportSource(header);
    EXPECT_TRUE(read.source) << read.problem;
    return read.source.value_or(ExportSource{});
}

PictureExportJob jpegJob(const ExportSource& source, const fs::path& out) {
    PictureExportJob job;
    const ExportSpan span = exportSpanOf(source);
    job.from = span.start;
    job.to = span.end;
    job.interval = source.down ? 0.001 : -0.001;
    job.maxLines = 300;
    job.type = CBmpCreator::PictureType::Jpeg;
    job.outputFolder = out;
    return job;
}

TEST(HtmlPage, EveryAddressLoadsAPictureOfTheExportShallowEndFirst) {
    // A blank, a quote, "#", "&", "%" and an accent in the log's name, so in every picture's.
    const std::string name = "Puits d'A #2 & 5% \xC3\xA9t\xC3\xA9";
    for (const bool down : {true, false}) {
        SCOPED_TRACE(down ? "down" : "up");
        TempHome home;
        TestLogShape shape;
        shape.name = name;
        shape.down = down;
        const fs::path header = writeTestLog(
            home.file("log"), evenRecords(down ? 100000 : 110000, down ? 80 : -80, 120), shape);
        const ExportSource source = sourceOf(header);
        const PictureExportJob job = jpegJob(source, home.file("log"));
        const PictureExportResult result = PictureExportRun(source, job).run();
        ASSERT_EQ(result.outcome, ExportOutcome::Done) << result.message;
        ASSERT_GE(result.pictures.size(), 3u);

        const fs::path page = HtmlPage::pathFor(job.outputFolder, name + ".lox");
        EXPECT_EQ(page.filename().string(), name + ".html");
        const std::string title = HtmlPage::titleFor(job.outputFolder, name + ".lox");
        EXPECT_EQ(title, name); // the log lies beside its pictures
        std::string problem;
        ASSERT_TRUE(HtmlPage::write(page, result, title, job.from, job.to, false, &problem))
            << problem;
        const std::string text = fileText(page);
        EXPECT_NE(text.find("content='text/html; charset=utf-8'"), std::string::npos);
        EXPECT_NE(text.find("<h1>Puits d'A #2 &amp; 5% \xC3\xA9t\xC3\xA9</h1>"), std::string::npos)
            << text;
        EXPECT_NE(text.find(format("From: %.2f m  To: %.2f m", job.from, job.to)),
                  std::string::npos);

        const std::vector<PageImage> images = imagesOf(text);
        ASSERT_EQ(images.size(), result.pictures.size()) << text;
        double previous = -1e9;
        for (const PageImage& image : images) {
            SCOPED_TRACE(image.src);
            const fs::path file = page.parent_path() / image.src;
            EXPECT_TRUE(fs::is_regular_file(file));
            bool ofTheExport = false;
            for (const GeneratedPicture& p : result.pictures)
                ofTheExport = ofTheExport || p.path == file;
            EXPECT_TRUE(ofTheExport);
            const std::optional<PictureNameParts> parts = parsePictureFileName(image.src);
            ASSERT_TRUE(parts);
            const double shallow = std::min(parts->start, parts->end);
            EXPECT_GT(shallow, previous);
            previous = shallow;
            EXPECT_EQ(image.width, 720);
        }
        // No temporary file is left beside the page.
        for (const fs::directory_entry& e : fs::directory_iterator(page.parent_path()))
            EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
    }
}

TEST(HtmlPage, WideAndLongPicturesAreScaledToFitAndOnlyTheFirst199AreShown) {
    const auto pictures = [](int count, int width, int height) {
        std::vector<GeneratedPicture> list;
        for (int i = 0; i < count; ++i)
            list.push_back({format("/out/W_X_%04d.00-%04d.00.jpg", i, i + 1), width, height,
                            double(i), double(i + 1)});
        return list;
    };
    struct Case {
        int width, height;
        double scale;
        int shownWidth, shownHeight;
    };
    for (const Case c : {Case{720, 1000, 1.0, 720, 1000}, Case{1440, 1000, 2.0, 720, 500},
                         Case{720, 2000, 2.0, 360, 1000}, Case{1440, 4000, 4.0, 360, 1000},
                         Case{600, 100, 1.0, 600, 100}}) {
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height);
        const std::vector<GeneratedPicture> list = pictures(2, c.width, c.height);
        EXPECT_DOUBLE_EQ(HtmlPage::scaleOf(list), c.scale);
        const std::vector<PageImage> images = imagesOf(HtmlPage::text(list, "W", 0, 2, false));
        ASSERT_EQ(images.size(), 2u);
        EXPECT_EQ(images[0].width, c.shownWidth);
        EXPECT_EQ(images[0].height, c.shownHeight);
    }
    // A picture that scales to no row at all is left out.
    std::vector<GeneratedPicture> mixed = pictures(2, 720, 10000);
    mixed[1].height = 5;
    EXPECT_EQ(imagesOf(HtmlPage::text(mixed, "W", 0, 2, false)).size(), 1u);

    const std::vector<PageImage> many =
        imagesOf(HtmlPage::text(pictures(250, 720, 100), "W", 0, 250, false));
    ASSERT_EQ(many.size(), 199u);
    EXPECT_EQ(many.back().src, "W_X_0198.00-0199.00.jpg");

    const std::string feet = HtmlPage::text(pictures(1, 720, 100), "W", 10, 20, true);
    EXPECT_NE(feet.find("From: 32.81 ft  To: 65.62 ft"), std::string::npos) << feet;
}

TEST(HtmlPage, TheTitleIsEscapedAndAddressesEncoded) {
    // The title of a log whose name is not UTF-8 (a file from another system) or holds markup.
    const std::vector<GeneratedPicture> one = {{"/out/W_X_0001.00-0002.00.jpg", 720, 10, 1, 2}};
    const std::string page = HtmlPage::text(one, "<b>W\xE9\x01&", 1, 2, false);
    EXPECT_NE(page.find("<h1>&lt;b&gt;W??&amp;</h1>"), std::string::npos) << page;
    EXPECT_EQ(HtmlPage::percentEncoded("a b'#%&\xC3\xA9.jpg"), "a%20b%27%23%25%26%C3%A9.jpg");
}

class RecordingLauncher final : public HandOffLauncher {
public:
    bool startViewer(const fs::path& program, const std::vector<std::string>& arguments) override {
        calls.push_back("viewer " + program.string() + (arguments.empty() ? "" : " ") +
                        (arguments.empty() ? "" : arguments.front()));
        return true;
    }
    bool openPage(const fs::path& page) override {
        calls.push_back("page " + page.string());
        pageExisted = fs::exists(page);
        return true;
    }
    std::vector<std::string> calls;
    bool pageExisted = false;
};

TEST(PictureHandOff, TheViewerFirstThenThePageOnlyAfterAPictureExportThatEndedWell) {
    TempHome home;
    const fs::path header = writeTestLog(home.file("log"), evenRecords(100000, 80, 120));
    const ExportSource source = sourceOf(header);
    const PictureExportJob job = jpegJob(source, home.file("out"));
    const PictureExportResult done = PictureExportRun(source, job).run();
    ASSERT_EQ(done.outcome, ExportOutcome::Done) << done.message;
    const fs::path viewer = home.file("bin/lvviewer");
    const fs::path page = home.file("out/WELL1.html");
    const std::string first = done.pictures.front().path.string();

    struct Case {
        const char* what;
        ExportOutcome outcome;
        PictureExportJob::Output output;
        CBmpCreator::PictureType type;
        bool useViewer, useBrowser, viewerThere;
        std::vector<std::string> calls;
        std::vector<std::string> warnings;
        bool unitWritten;
    };
    const auto Jpeg = CBmpCreator::PictureType::Jpeg;
    const auto Pictures = PictureExportJob::Output::Pictures;
    const Case cases[] = {
        {"both",
         ExportOutcome::Done,
         Pictures,
         Jpeg,
         true,
         true,
         true,
         {"viewer " + viewer.string() + " " + first, "page " + page.string()},
         {},
         true},
        {"viewer missing",
         ExportOutcome::Done,
         Pictures,
         Jpeg,
         true,
         true,
         false,
         {"page " + page.string()},
         {PictureHandOff::ViewerMissingText},
         true},
        {"page only",
         ExportOutcome::Done,
         Pictures,
         Jpeg,
         false,
         true,
         true,
         {"page " + page.string()},
         {},
         false},
        {"bmp: no page",
         ExportOutcome::Done,
         Pictures,
         CBmpCreator::PictureType::Bmp,
         true,
         true,
         true,
         {"viewer " + viewer.string() + " " + first},
         {},
         true},
        {"tiff: nothing",
         ExportOutcome::Done,
         Pictures,
         CBmpCreator::PictureType::Tiff,
         true,
         true,
         true,
         {},
         {},
         false},
        {"cancelled", ExportOutcome::Cancelled, Pictures, Jpeg, true, true, true, {}, {}, false},
        {"failed", ExportOutcome::Failed, Pictures, Jpeg, true, true, true, {}, {}, false},
        {"lgx",
         ExportOutcome::Done,
         PictureExportJob::Output::Lgx,
         Jpeg,
         true,
         true,
         true,
         {},
         {},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::error_code ec;
        fs::remove(page, ec);
        SettingsStore store(home.file(std::string("store-") + c.what + ".ini"));
        RecordingLauncher launcher;
        PictureExportJob asked = job;
        asked.output = c.output;
        asked.type = c.type;
        PictureExportResult result = done;
        result.outcome = c.outcome;
        const PictureHandOff::Plan plan = PictureHandOff::plan(
            source, asked, result,
            {c.useViewer, c.useBrowser, 2, c.viewerThere ? viewer : fs::path()});
        const PictureHandOff::Report report = PictureHandOff(store, launcher).run(plan, result);
        EXPECT_EQ(launcher.calls, c.calls);
        EXPECT_EQ(report.warnings, c.warnings);
        // The page is there exactly when it is opened, and before it is.
        const bool opened = !c.calls.empty() && c.calls.back().starts_with("page");
        EXPECT_EQ(fs::exists(page), opened);
        EXPECT_EQ(launcher.pageExisted, opened);
        // The viewer reads the unit the export wrote.
        EXPECT_EQ(lvviewer::readPreferences(store).setDepthUnit, c.unitWritten ? 2 : 0);
    }

    // The first picture gone: the viewer starts without a file.
    fs::remove(done.pictures.front().path);
    SettingsStore store(home.file("store.ini"));
    RecordingLauncher launcher;
    const PictureHandOff::Plan plan =
        PictureHandOff::plan(source, job, done, {true, false, 0, viewer});
    static_cast<void>(PictureHandOff(store, launcher).run(plan, done));
    EXPECT_EQ(launcher.calls, std::vector<std::string>{"viewer " + viewer.string()});
}

TEST(PictureHandOff, APageThatCouldNotBeWrittenIsNeverOpened) {
    TempHome home;
    const fs::path header = writeTestLog(home.file("log"), evenRecords(100000, 80, 120));
    const ExportSource source = sourceOf(header);
    const PictureExportJob job = jpegJob(source, home.file("log"));
    const PictureExportResult done = PictureExportRun(source, job).run();
    ASSERT_EQ(done.outcome, ExportOutcome::Done) << done.message;
    // Something that is not a page stands where the page would go: the rename fails, and
    // nothing may be opened as if it were this export's page.
    fs::create_directories(home.file("log/WELL1.html/old"));
    SettingsStore store(home.file("store.ini"));
    RecordingLauncher launcher;
    const PictureHandOff::Plan plan =
        PictureHandOff::plan(source, job, done, {false, true, 0, fs::path()});
    const PictureHandOff::Report report = PictureHandOff(store, launcher).run(plan, done);
    EXPECT_TRUE(launcher.calls.empty());
    EXPECT_FALSE(report.pageWritten);
    ASSERT_EQ(report.warnings.size(), 1u);
    EXPECT_NE(report.warnings.front().find("WELL1.html"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(home.file("log/WELL1.html/old")));
    for (const fs::directory_entry& e : fs::directory_iterator(home.file("log")))
        EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
}

TEST(PictureHandOff, TheViewerIsFoundBesideTheProgramOrOnTheSearchPath) {
    TempHome home;
    const auto program = [&](const char* folder, bool executable) {
        fs::create_directories(home.file(folder));
        const fs::path path = home.file(folder) / "lvviewer";
        std::ofstream(path) << "#!/bin/sh\n";
        fs::permissions(path, executable ? fs::perms::owner_all : fs::perms::owner_read);
        return path;
    };
    const fs::path beside = program("zarn", true);
    const fs::path onPath = program("bin", true);
    program("notexec", false);
    const std::string path = home.file("notexec").string() + "::" + home.file("bin").string();
    EXPECT_EQ(PictureHandOff::findViewerProgram(home.file("zarn"), path), beside);
    EXPECT_EQ(PictureHandOff::findViewerProgram(home.file("none"), path), onPath);
    EXPECT_EQ(PictureHandOff::findViewerProgram(home.file("none"), home.file("notexec").string()),
              fs::path());
    EXPECT_EQ(PictureHandOff::findViewerProgram({}, ""), fs::path());
}

} // namespace
} // namespace zarn::test
