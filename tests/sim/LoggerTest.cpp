// The simulated logger answers the program's orders as the power sequences expect, and its
// frames pass the program's decoders with the depth, orientation and camera values it models.
#include "acquisition/stream/FrameFields.h"
#include "acquisition/stream/Orientation.h"
#include "tests/sim/LoggerRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace zarn::sim {
namespace {

using test::LoggerRun;
using test::Received;

std::uint8_t busy(const Received& r) {
    return r.frame.empty() ? 0xFF : r.frame[frame::StatusFlags] & 0x0F;
}

std::uint8_t packetIndex(const Received& r) {
    return r.frame[frame::full::SondeBlock + frame::sonde::PacketIndex];
}

// The logger's depth count stamped on the picture when the sonde took it.
std::int32_t cameraDepthCount(const Received& r) {
    return frame::s32(r.frame, frame::full::SondeBlock + frame::sonde::CameraDepthCount);
}

const std::string Quick = test::ini({"[Logger]", "BootTime = 400", "SondeStartTime = 300",
                                     "ShutdownTime = 300", "[Winch]", "StartDelay = 0"});

// The orders of the power-on sequence, each checked the way the probe control panel checks it,
// then the power-off order.
TEST(Logger, PowerOnAndOffSequenceGetsTheEchoesAndBusyBitsItWaitsFor) {
    LoggerRun run(Quick);
    auto& c = run.program.configuration;

    // Supply off: status frames, not busy, echoing the logger's own settings.
    Received r = run.next();
    ASSERT_EQ(r.frame.size(), frame::status::Size);
    EXPECT_EQ(busy(r), 0);
    EXPECT_EQ(run.decode(r), FrameResult::Ok);

    // Step 0/1: F1 echoed in bytes 1 to 5 (with the supply voltage clamped as sent).
    c.logger.sondeSupplyVoltage = 130;
    c.logger.pulsesPerTurn = 1200;
    const auto f1 = run.program.f1();
    run.write(f1);
    r = run.next();
    ASSERT_EQ(run.decode(r), FrameResult::Ok);
    MeasurementRecord m = run.stream.snapshot();
    EXPECT_EQ(m.LoggerStatus.EchoWord2, f1[2] | (f1[3] << 8));
    EXPECT_EQ(m.LoggerStatus.EchoWord4, f1[4] | (f1[5] << 8));
    EXPECT_EQ(m.LoggerStatus.EchoByte6, 125);

    // Step 2: F3's gain and energy come back in status bytes 6 and 7.
    c.logger.upholeGain = 31;
    c.logger.downholeEnergy = 22;
    run.write(run.program.f3());
    r = run.next();
    EXPECT_EQ(r.frame[frame::status::StatusByte1], 31);
    EXPECT_EQ(r.frame[frame::status::StatusByte2], 22);

    // Step 4/5: after F12 and F11 the busy bits are up at once, first in status frames.
    run.write(run.program.f12());
    EXPECT_EQ(busy(run.next()), 0);
    run.write(run.program.f11());
    r = run.next();
    EXPECT_EQ(r.frame.size(), frame::status::Size);
    EXPECT_NE(busy(r), 0);
    EXPECT_EQ(r.frame[frame::status::ValueA], 130); // the supply applied, as F11 carried it

    // The sonde answers without data, then sends full frames; busy throughout.
    r = run.until([](const Received& x) { return x.frame.size() == frame::shortframe::Size; });
    EXPECT_NE(busy(r), 0);
    EXPECT_EQ(run.decode(r), FrameResult::Ok);
    EXPECT_EQ(r.frame[frame::shortframe::CommStatus], Logger::StatusParameterUpdate);
    r = run.until(LoggerRun::full);
    EXPECT_NE(busy(r), 0);
    EXPECT_EQ(run.decode(r), FrameResult::Ok);

    // Power off: still busy for a while, then status frames with the busy bits clear.
    const double off = run.time;
    run.write(run.program.f0());
    r = run.next();
    EXPECT_EQ(r.frame.size(), frame::status::Size);
    EXPECT_NE(busy(r), 0);
    r = run.until([](const Received& x) { return busy(x) == 0; }, 1.0);
    EXPECT_EQ(r.frame.size(), frame::status::Size);
    EXPECT_GE(r.time - off, 0.3);
    EXPECT_LE(r.time - off, 0.45);
}

TEST(Logger, FullFramesFollowTheWinchAndDecodeToTheConfiguredPose) {
    LoggerRun run(
        test::ini({"[Sonde]", "Powered = yes", "Inclination = 12", "Azimuth = 237", "[Winch]",
                   "StartDepth = 20", "EndDepth = 10", "Speed = 6", "StartDelay = 1"}));
    std::uint8_t lastIndex = 0;
    std::uint32_t lastPicture = 0;
    double lastImageDepth = 0;
    for (int i = 0; i < 200; ++i) {
        const Received r = run.next();
        ASSERT_EQ(r.kind, FrameKind::Full);
        ASSERT_EQ(run.decode(r), FrameResult::Ok) << i;
        const MeasurementRecord m = run.stream.snapshot();
        const double winch = run.logger.winch().depthAt(r.time);
        EXPECT_NEAR(m.LoggerDepth, winch, 1e-3);
        EXPECT_NEAR(m.ImageDepth, winch - 0.08, 1e-3);
        EXPECT_NEAR(m.Speed, r.time < 1.0 ? 0.0 : -6.0, 0.02) << r.time;
        EXPECT_EQ(m.Direction, r.time < 1.0 ? 1 : 0);
        EXPECT_NEAR(m.Orientation.Inclination, 12, 0.5);
        EXPECT_LT(std::abs(std::remainder(m.Orientation.Azimuth - 237, 360.0)), 0.5);
        EXPECT_EQ(m.PixelsPerRow, 720);
        EXPECT_EQ(m.CompressionMode, 16);
        EXPECT_EQ(m.CompressionParameter, 4);
        EXPECT_EQ(m.SondeStatus.FramePeriod, 50);
        EXPECT_GE(m.GammaCount, 10);
        EXPECT_GT(m.CameraTemperature, 10);
        if (i > 0) {
            EXPECT_EQ(m.PacketIndex, (lastIndex + 1) % 256);
            EXPECT_EQ(m.PictureNumber, lastPicture + 1);
            EXPECT_LE(m.ImageDepth, lastImageDepth); // going up
        }
        lastIndex = static_cast<std::uint8_t>(m.PacketIndex);
        lastPicture = m.PictureNumber;
        lastImageDepth = m.ImageDepth;
    }
    EXPECT_NEAR(run.time, 10.0, 0.06); // 200 pictures at 20 per second
}

// The sonde sends a picture per frame period unless the frame takes longer on the wireline; the
// line speed is the one the last line or camera order set.
TEST(Logger, FramePaceIsTheSlowerOfTheFramePeriodAndTheLine) {
    struct Case {
        int captureRate; // Hz
        int divisor;
        bool lineBound;
    };
    for (const Case c :
         {Case{20, 10, false}, Case{60, 20, true}, Case{60, 2, false}, Case{30, 20, true}}) {
        LoggerRun run(test::ini({"[Sonde]", "Powered = yes"}));
        run.program.configuration.logger.captureAdjustPeriod =
            static_cast<std::uint8_t>(c.captureRate);
        run.program.configuration.surface.upholeBaudDivisor = c.divisor;
        run.write(run.program.f12());
        for (int i = 0; i < 5; ++i) {
            const Received r = run.next();
            ASSERT_FALSE(r.frame.empty());
            const double line = r.frame.size() * c.divisor / 500000.0;
            const double camera = c.captureRate == 60 ? 0.016 : c.captureRate == 30 ? 0.033 : 0.05;
            EXPECT_NEAR(r.period, std::max(line, camera), 1e-9);
            EXPECT_EQ(line > camera, c.lineBound) << c.captureRate << " " << c.divisor;
            EXPECT_EQ(r.frame[frame::full::SondeBlock + frame::sonde::BaudDivisor], c.divisor);
        }
    }
}

TEST(Logger, DepthSetOrderPresetsTheCounter) {
    LoggerRun run(
        test::ini({"[Sonde]", "Powered = yes", "[Winch]", "StartDelay = 0", "Speed = 3"}));
    run.next();
    run.program.configuration.logger.presetDepthMetres = 100.25;
    run.write(run.program.f2());
    const double setAt = run.time;
    for (int i = 0; i < 40; ++i) {
        const Received r = run.next();
        ASSERT_EQ(run.decode(r), FrameResult::Ok);
        EXPECT_NEAR(run.stream.snapshot().LoggerDepth, 100.25 + 3.0 * (r.time - setAt) / 60, 2e-4);
    }
}

TEST(Logger, ALostVideoPacketComesBackWhenAskedForAndNotAfterwards) {
    LoggerRun run(test::ini({"[Sonde]", "Powered = yes", "[Faults]", "LostVideoPacketsAt = 4"}));
    std::vector<Received> frames;
    for (int i = 0; i < 6; ++i)
        frames.push_back(run.next());
    EXPECT_EQ(frames[3].kind, FrameKind::LostOnLine);
    EXPECT_TRUE(frames[3].packet.empty());
    const auto indexOf = packetIndex;
    EXPECT_EQ(indexOf(frames[2]), 2);
    EXPECT_EQ(indexOf(frames[4]), 4); // 3 is missing

    run.write(run.program.request(3));
    const Received again = run.next();
    EXPECT_EQ(again.kind, FrameKind::Resent);
    EXPECT_EQ(indexOf(again), 3);
    EXPECT_EQ(run.decode(again), FrameResult::Ok);
    EXPECT_EQ(run.stream.snapshot().PictureNumber, 4u); // the picture it was taken with
    // The picture between its neighbours' depths, and the payload the sonde kept.
    const auto imageDepth = cameraDepthCount;
    EXPECT_GE(imageDepth(again), imageDepth(frames[2]));
    EXPECT_LE(imageDepth(again), imageDepth(frames[4]));
    // The request did not change the camera's settings, and the stream goes on.
    const Received after = run.next();
    EXPECT_EQ(after.kind, FrameKind::Full);
    EXPECT_EQ(indexOf(after), 6);
    EXPECT_EQ(after.frame[frame::full::SondeBlock + frame::sonde::LightPower], 10);
}

// Two packets lost in a row and sent again: the camera kept its pace meanwhile, so every picture,
// those sent again included, was taken at the depth of the same picture of a run without losses,
// and once the line has caught up the frames go out when they would have without losses.
TEST(Logger, PacketsSentAgainLeaveTheCameraOnItsOwnPace) {
    // The winch moves from the start: each picture's depth tells when it was taken.
    const std::string moving =
        test::ini({"[Sonde]", "Powered = yes", "[Winch]", "StartDelay = 0", "Speed = 30"});
    const std::string losing = moving + test::ini({"[Faults]", "LostVideoPacketsAt = 4, 5"});

    struct Sent {
        std::map<std::uint8_t, std::int32_t> depthOf; // by packet index
        std::map<std::uint8_t, double> startOf;       // when its frame left, model seconds
    };
    const auto send = [](LoggerRun& run, bool askAgain) {
        Sent sent;
        for (int i = 0; i < 30; ++i) {
            if (askAgain && i == 6) {
                run.write(run.program.request(3));
                run.write(run.program.request(4));
            }
            const Received r = run.next();
            if (r.frame.empty())
                continue;
            EXPECT_TRUE(sent.depthOf.emplace(packetIndex(r), cameraDepthCount(r)).second)
                << "packet " << int(packetIndex(r)) << " twice";
            sent.startOf[packetIndex(r)] = r.time;
        }
        return sent;
    };
    LoggerRun cleanRun(moving);
    LoggerRun lossyRun(losing);
    const Sent clean = send(cleanRun, false);
    const Sent lossy = send(lossyRun, true);

    ASSERT_EQ(clean.depthOf.size(), 30u);
    ASSERT_EQ(lossy.depthOf.size(), 28u); // two frames of its thirty were sent again
    for (const auto& [index, depth] : lossy.depthOf)
        EXPECT_EQ(depth, clean.depthOf.at(index)) << "packet " << int(index);
    EXPECT_LT(clean.depthOf.at(3), clean.depthOf.at(4)); // the winch moved between pictures
    // The frames right after the re-sent ones leave late; the last ones leave on time.
    EXPECT_GT(lossy.startOf.at(6), clean.startOf.at(6) + 0.01);
    ASSERT_EQ(lossy.depthOf.rbegin()->first, 27);
    for (std::uint8_t index : {25, 26, 27})
        EXPECT_NEAR(lossy.startOf.at(index), clean.startOf.at(index), 1e-9) << int(index);
}

TEST(Logger, AskingForAPacketTheSondeNoLongerHasRaisesItsErrorBit) {
    LoggerRun run(test::ini({"[Sonde]", "Powered = yes"}));
    CommandWorkingValues working;
    working.diagnosticByteA = 255;
    run.write(run.program.bytes(CommandFrames::F13Diagnostic(working)));
    run.next();
    run.write(run.program.request(200)); // not taken yet
    const Received r = run.next();
    EXPECT_EQ(r.kind, FrameKind::Full);
    ASSERT_EQ(run.decode(r), FrameResult::Ok);
    EXPECT_EQ(run.stream.snapshot().ReadBack[DspError::CommandValue], DspError::PacketNotFound);
}

// A damaged order is reported in the next frame's communication status and changes nothing; one
// meant for the sonde also raises the sonde data flag (until the next good order) and the
// sonde's command checksum error bit.
TEST(Logger, DamagedCommandIsReportedAndChangesNothing) {
    struct Case {
        const char* what;
        bool forSonde;
    };
    for (const Case c : {Case{"downhole settings", false}, Case{"camera settings", true}}) {
        SCOPED_TRACE(c.what);
        LoggerRun run(test::ini({"[Sonde]", "Powered = yes"}));
        CommandWorkingValues working;
        working.diagnosticByteA = 255; // the error bytes travel in the payload
        run.write(run.program.bytes(CommandFrames::F13Diagnostic(working)));
        run.next();
        auto& logger = run.program.configuration.logger;
        logger.upholeGain = 33;
        logger.lightPower = 17;
        auto order = c.forSonde ? run.program.f12() : run.program.f3();
        order[order.size() - 1] = static_cast<std::uint8_t>(order[order.size() - 1] + 1);
        run.write(order);
        Received r = run.next();
        ASSERT_EQ(run.decode(r), FrameResult::Ok);
        MeasurementRecord m = run.stream.snapshot();
        EXPECT_EQ(m.CommStatus, Logger::StatusChecksumError);
        EXPECT_EQ(m.SondeDataFlag, c.forSonde ? 1 : 0);
        EXPECT_EQ(m.ReadBack[DspError::CommandValue], c.forSonde ? DspError::CommandChecksum : 0);
        EXPECT_EQ(r.frame[frame::StatusByte1], 25); // gain unchanged
        EXPECT_EQ(m.SondeStatus.LightPower, 10);    // light unchanged
        // The good order goes through and clears the flag.
        run.write(c.forSonde ? run.program.f12() : run.program.f3());
        r = run.next();
        ASSERT_EQ(run.decode(r), FrameResult::Ok);
        m = run.stream.snapshot();
        EXPECT_EQ(m.CommStatus, Logger::StatusAccepted);
        EXPECT_EQ(m.SondeDataFlag, 0);
        EXPECT_EQ(r.frame[frame::StatusByte1], c.forSonde ? 25 : 33);
        EXPECT_EQ(m.SondeStatus.LightPower, c.forSonde ? 17 : 10);
    }
}

TEST(Logger, FlashStoreAndReadBringBackTheColourGains) {
    LoggerRun run(test::ini({"[Sonde]", "Powered = yes", "FlashTime = 500"}));
    auto& logger = run.program.configuration.logger;
    logger.redGain = 200;
    logger.greenGain = 150;
    logger.blueGain = 100;
    run.write(run.program.bytes(CommandFrames::F13ColourGains(logger)));
    logger.flashWord = 2; // store the white balance
    run.write(run.program.bytes(CommandFrames::F13Flash(logger)));
    Received r = run.next();
    EXPECT_EQ(r.frame.size(), frame::shortframe::Size); // busy storing
    EXPECT_EQ(r.frame[frame::shortframe::CommStatus], Logger::StatusUpdating);
    run.until(LoggerRun::full, 1.0);

    // Read Flash: F12 with the resolution byte 0, the record instead of a picture.
    const std::uint8_t resolution = logger.imageResolution;
    logger.imageResolution = 0;
    run.write(run.program.f12());
    r = run.next();
    ASSERT_EQ(r.frame.size(), frame::full::Overhead + 128);
    EXPECT_EQ(r.frame[frame::full::SondeBlock + frame::sonde::ImageMode], 0);
    run.stream.requestFlashRecord();
    ASSERT_EQ(run.decode(r), FrameResult::Ok);
    const SondeFlashRecord record = run.stream.flashRecord();
    EXPECT_EQ(record[38], 200);
    EXPECT_EQ(record[40], 150);
    EXPECT_EQ(record[42], 100);
    EXPECT_EQ(record[46] | (record[47] << 8), 318); // the circle radius stored at the start

    logger.imageResolution = resolution;
    run.write(run.program.f12());
    r = run.next();
    EXPECT_EQ(r.frame[frame::full::SondeBlock + frame::sonde::ImageMode], resolution);
}

TEST(Logger, CalibrationViewsSendWholeCameraPicturesMarkingTheirFirstPacket) {
    LoggerRun run(test::ini({"[Sonde]", "Powered = yes"}));
    run.program.configuration.logger.viewMode = 1;
    run.write(run.program.bytes(
        CommandFrames::F13ViewMode(run.program.configuration.logger, CommandWorkingValues{})));
    const int packetsPerPicture = Sonde::PictureRows / 8;
    std::uint32_t firstPicture = 0;
    for (int i = 0; i < packetsPerPicture * 2; ++i) {
        const Received r = run.next();
        ASSERT_EQ(run.decode(r), FrameResult::Ok);
        const MeasurementRecord m = run.stream.snapshot();
        if (i == 0)
            firstPicture = m.PictureNumber;
        EXPECT_EQ(m.SondeStatus.FramePeriod == 1, i % packetsPerPicture == 0) << i;
        EXPECT_EQ(m.PictureNumber,
                  firstPicture + static_cast<std::uint32_t>(i / packetsPerPicture));
    }
}

} // namespace
} // namespace zarn::sim
