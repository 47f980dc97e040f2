// The probe page's logic: the surface voltage and declination with their messages, the image
// offset edit and how every way out of it gives the camera back its own settings, the gamma
// coefficient edit, and the alignment preview built from a published copy of a row.
#include "FakeLoggerSetupHost.h"

#include "acquisition/settings/AlignmentPreview.h"
#include "acquisition/settings/ProbePageLogic.h"
#include "platform/FileIo.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <thread>

namespace zarn::test {
namespace {

using Received = MessageRecorder::Received;

Received cameraMessage(int param) {
    return Received{Role::CameraPanel, privateMessage(Cmd::ImageOffsetAdjust, param), false};
}

struct ProbeFixture : ::testing::Test {
    TempHome home;
    RecordingUserMessages messages;
    MessageBus bus;
    MessageRecorder recorder{bus, {Role::CameraPanel, Role::SondeFilePage}};
    FakeLoggerSetupHost host;
    SondeTable table;
    SondeDatabase db{table, [] { return true; }, bus, home.file("LvZARN.tol")};
    std::unique_ptr<ProbePageLogic> page;

    ProbeFixture() {
        table.slots[0].serialNumber = 417;
        table.slots[0].imageOffset = 12.5;
        table.copySelectedToWorking();
        page = std::make_unique<ProbePageLogic>(host, db, bus);
    }
    std::vector<Received> cameraMessages() {
        std::vector<Received> out;
        for (const Received& r : recorder.received())
            if (r.role == Role::CameraPanel)
                out.push_back(r);
        return out;
    }
};

TEST_F(ProbeFixture, SurfaceVoltageAndDeclinationAreTakenOnlyInRange) {
    for (const char* text : {"126", "89", "1-2", "100,5", ""}) {
        EXPECT_FALSE(page->enterVoltage(text)) << text;
        EXPECT_EQ(messages.texts().back(), "Bad entered value (90..125V)") << text;
    }
    EXPECT_EQ(host.config.logger.sondeSupplyVoltage, 100);
    EXPECT_EQ(host.saves, 0);
    EXPECT_TRUE(page->enterVoltage("110"));
    page->surfaceOrder().service(50);
    EXPECT_EQ(host.sentOrders, std::vector<SetupOrder>{SetupOrder::WinchSettings})
        << "sonde off: the surface-parameters frame";
    host.state.sondePowered = true;
    EXPECT_TRUE(page->stepVoltage(+1));
    page->voltageOrder().service(100);
    EXPECT_EQ(host.sentOrders.back(), SetupOrder::SurfaceVoltage) << "powered: the short frame";
    EXPECT_EQ(host.config.logger.sondeSupplyVoltage, 111);

    EXPECT_FALSE(page->enterDeclination("360"));
    EXPECT_EQ(messages.texts().back(), ProbePageLogic::DeclinationText);
    EXPECT_FALSE(page->enterDeclination("10.5.1"));
    EXPECT_TRUE(page->enterDeclination("10,25"));
    EXPECT_DOUBLE_EQ(host.config.logger.magneticOffset, 10.25);
    host.config.logger.magneticOffset = 359.99;
    page->stepDeclination(+1);
    EXPECT_DOUBLE_EQ(host.config.logger.magneticOffset, 0.0);
    page->stepDeclination(-1);
    EXPECT_DOUBLE_EQ(host.config.logger.magneticOffset, 359.99);
}

TEST_F(ProbeFixture, AnImageOffsetEditRunsAheadInTheWorkingCopyUntilSaved) {
    messages.answerNext(MessageAnswer::No);
    EXPECT_FALSE(page->beginImageOffsetEdit());
    ASSERT_TRUE(page->beginImageOffsetEdit());
    EXPECT_EQ(messages.texts().back(), ProbePageLogic::CriticalText);
    EXPECT_TRUE(page->checkImageOffset("20,5"));
    EXPECT_DOUBLE_EQ(table.working.imageOffset, 20.5);
    EXPECT_DOUBLE_EQ(table.slots[0].imageOffset, 12.5) << "the slot waits for the save";
    EXPECT_TRUE(page->checkImageOffset("400"));
    EXPECT_EQ(messages.texts().back(), ProbePageLogic::ImageOffsetRangeText);
    EXPECT_DOUBLE_EQ(table.working.imageOffset, 359.9);
    EXPECT_FALSE(page->checkImageOffset("1-2"));
    EXPECT_EQ(messages.texts().back(), ProbePageLogic::BadEntryFormatText);
    EXPECT_DOUBLE_EQ(table.working.imageOffset, 359.9);
    ASSERT_TRUE(page->saveImageOffsetEdit("45.5"));
    EXPECT_FALSE(page->imageOffsetEditing());
    EXPECT_DOUBLE_EQ(table.slots[0].imageOffset, 45.5);
    EXPECT_NE(readWholeFile(db.file()).value_or("").find("ImageOffset=45.5"), std::string::npos);
    EXPECT_EQ(cameraMessages(), (std::vector<Received>{cameraMessage(1), cameraMessage(2)}));

    // An unreadable entry at the save saves nothing and ends the edit.
    ASSERT_TRUE(page->beginImageOffsetEdit());
    EXPECT_FALSE(page->saveImageOffsetEdit("abc"));
    EXPECT_DOUBLE_EQ(table.slots[0].imageOffset, 45.5);
    EXPECT_DOUBLE_EQ(table.working.imageOffset, 45.5);
    EXPECT_FALSE(page->imageOffsetEditing());
}

// Whatever ends the edit, the camera panel is told to take its own settings back, and the
// working copy takes the slot's value again.
TEST_F(ProbeFixture, RecordingSwitchingOffSelectingOrClosingCancelsTheEdit) {
    const std::vector<std::function<void()>> endings = {
        [&] { page->cancelImageOffsetEdit(); },
        [&] { page->selectSonde(0); },
        [&] {
            SetupRunState s;
            s.sondePowered = true;
            s.recording = true;
            page->followRunState(s);
        },
        [&] {
            SetupRunState s; // the sonde switched off
            page->followRunState(s);
        },
        [&] { page.reset(); },
    };
    for (size_t i = 0; i < endings.size(); ++i) {
        if (!page)
            page = std::make_unique<ProbePageLogic>(host, db, bus);
        SetupRunState on;
        on.sondePowered = true;
        page->followRunState(on);
        recorder.clear();
        ASSERT_TRUE(page->beginImageOffsetEdit()) << i;
        ASSERT_TRUE(page->checkImageOffset("90"));
        endings[i]();
        EXPECT_EQ(cameraMessages(), (std::vector<Received>{cameraMessage(1), cameraMessage(2)}))
            << "ending " << i;
        EXPECT_DOUBLE_EQ(table.working.imageOffset, 12.5) << "ending " << i;
        EXPECT_FALSE(db.imageOffsetEditing()) << "ending " << i;
    }
}

TEST_F(ProbeFixture, TheGammaCoefficientIsTakenBetween001And299) {
    ASSERT_TRUE(page->beginGammaCoefficientEdit());
    EXPECT_FALSE(page->saveGammaCoefficientEdit("3.5"));
    EXPECT_EQ(messages.texts().back(), ProbePageLogic::GammaCoefficientText);
    EXPECT_DOUBLE_EQ(table.slots[0].gammaCoefficient, 1.0);
    ASSERT_TRUE(page->beginGammaCoefficientEdit());
    EXPECT_FALSE(page->saveGammaCoefficientEdit("1,2,3"));
    ASSERT_TRUE(page->beginGammaCoefficientEdit());
    EXPECT_TRUE(page->saveGammaCoefficientEdit("1,75"));
    EXPECT_DOUBLE_EQ(table.slots[0].gammaCoefficient, 1.75);
    EXPECT_DOUBLE_EQ(table.working.gammaCoefficient, 1.75);
}

TEST(AlignmentPreview, ShowsTheCentreOfRowsOfEveryWidth) {
    AlignmentPreview preview;
    EXPECT_FALSE(preview.picture()) << "blank until a row was published";
    for (int width : {360, 540, 720, 1080, 1440}) {
        std::vector<std::uint32_t> row(static_cast<size_t>(width));
        std::iota(row.begin(), row.end(), 0u);
        preview.publishRow(row, width);
        const std::optional<AlignmentPreview::Picture> p = preview.picture();
        ASSERT_TRUE(p) << width;
        const auto first = static_cast<std::uint32_t>((width - AlignmentPreview::Width) / 2);
        for (int x = 0; x < AlignmentPreview::Width; ++x) {
            EXPECT_EQ((*p)[static_cast<size_t>(AlignmentPreview::Width + x)],
                      (first + static_cast<std::uint32_t>(x)) | 0xFF000000u)
                << width << " column " << x;
            EXPECT_EQ((*p)[static_cast<size_t>(x)],
                      x == 41 ? AlignmentPreview::Black : AlignmentPreview::Yellow);
        }
    }
    // A display row: a border column first, then the image's 720 columns.
    std::vector<std::uint32_t> display(773, 0xFFFFFFFFu);
    display[1 + 319] = 7;
    preview.publishRow(display, 720, 1);
    EXPECT_EQ((*preview.picture())[AlignmentPreview::Width + 0], 7u | 0xFF000000u);
    // Too narrow or too short a row is not taken: the last good one stays.
    preview.publishRow(std::vector<std::uint32_t>(40), 40);
    preview.publishRow(std::vector<std::uint32_t>(100), 720);
    EXPECT_EQ((*preview.picture())[AlignmentPreview::Width + 0], 7u | 0xFF000000u);
    preview.clear();
    EXPECT_FALSE(preview.picture());
}

// The image memory holds rows resampled to 720 columns; the preview still shows the centre
// pixels of the row as the camera sent it.
TEST(AlignmentPreview, FindsTheRowsCentreInTheDisplayRow) {
    for (int width : {360, 540, 720, 1440}) {
        std::vector<std::uint32_t> display(773, 0);
        for (int i = 0; i < 720; ++i) // nearest neighbour, as the row builder draws
            display[static_cast<size_t>(1 + i)] = static_cast<std::uint32_t>(i * width / 720);
        AlignmentPreview preview;
        preview.publishDisplayRow(display, 1, 720, width);
        const std::optional<AlignmentPreview::Picture> p = preview.picture();
        ASSERT_TRUE(p) << width;
        const int first = (width - AlignmentPreview::Width) / 2;
        for (int x = 0; x < AlignmentPreview::Width; ++x) {
            const auto shown =
                static_cast<int>((*p)[static_cast<size_t>(AlignmentPreview::Width + x)] & 0xFFFFFF);
            if (width <= 720)
                EXPECT_EQ(shown, first + x) << width << " column " << x;
            else
                EXPECT_LE(std::abs(shown - (first + x)), 1) << width << " column " << x;
        }
    }
}

TEST(AlignmentPreview, TheWindowThreadTakesItsCopyWhileRowsArePublished) {
    AlignmentPreview preview;
    std::atomic<bool> stop{false};
    std::thread drawing([&] {
        std::vector<std::uint32_t> row(720);
        for (std::uint32_t n = 0; !stop; ++n) {
            std::fill(row.begin(), row.end(), n);
            preview.publishRow(row, 720);
        }
    });
    int taken = 0;
    while (taken < 500)
        if (const auto p = preview.picture()) {
            ++taken;
            // One row's copy: both picture rows hold the same single value.
            const std::uint32_t v = (*p)[AlignmentPreview::Width];
            bool same = true;
            for (int x = 0; x < AlignmentPreview::Width; ++x)
                same = same && (*p)[static_cast<size_t>(AlignmentPreview::Width + x)] == v &&
                       (*p)[static_cast<size_t>(2 * AlignmentPreview::Width + x)] == v;
            EXPECT_TRUE(same);
            if (!same)
                break;
        }
    stop = true;
    drawing.join();
}

} // namespace
} // namespace zarn::test
