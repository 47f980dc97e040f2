// The logger's reading of the program's command frames: every frame the program builds comes
// through whole, in one write or split over several; damaged or unknown bytes are refused and
// never turn into a command.
#include "sim/CommandParser.h"
#include "sim/SimRandom.h"
#include "tests/sim/SimTestSupport.h"

#include <gtest/gtest.h>

namespace zarn::sim {
namespace {

using test::ProgramSide;

std::vector<std::vector<std::uint8_t>> everyProgramFrame() {
    ProgramSide program;
    Configuration& c = program.configuration;
    c.logger.presetDepthMetres = 12.5;
    c.logger.flashWord = 1;
    CommandWorkingValues working{255, 255, 1};
    std::vector<std::vector<std::uint8_t>> frames{program.f0(),       program.f1(),  program.f2(),
                                                  program.f3(),       program.f11(), program.f12(),
                                                  program.request(77)};
    for (const CommandFrame& f :
         {CommandFrames::F13ViewMode(c.logger, working), CommandFrames::F13Flash(c.logger),
          CommandFrames::F13ColourGains(c.logger), CommandFrames::F13PictureCircle(c.logger),
          CommandFrames::F13GreyCalibration(c.logger),
          CommandFrames::F13OrientationFilter(c.logger), CommandFrames::F13Diagnostic(working),
          CommandFrames::F13CalibrationDate(c.logger)})
        frames.push_back(program.bytes(f));
    return frames;
}

TEST(CommandParser, EveryFrameOfTheProgramArrivesWholeInOneWriteOrSplit) {
    for (const auto& frame : everyProgramFrame()) {
        for (std::size_t cut = 0; cut < frame.size(); ++cut) {
            CommandParser parser;
            std::vector<Command> out;
            const std::span<const std::uint8_t> all(frame);
            EXPECT_TRUE(parser.feed(all.first(cut), out));
            EXPECT_TRUE(out.empty());
            EXPECT_TRUE(parser.feed(all.subspan(cut), out));
            ASSERT_EQ(out.size(), 1u) << "frame " << int(frame[0]) << " cut at " << cut;
            EXPECT_EQ(out[0].length, frame.size());
            EXPECT_TRUE(std::equal(frame.begin(), frame.end(), out[0].bytes.begin()));
        }
    }
}

TEST(CommandParser, SeveralFramesInOneWrite) {
    ProgramSide program;
    std::vector<std::uint8_t> bytes = program.f1();
    for (auto b : program.f3())
        bytes.push_back(b);
    for (auto b : program.f11())
        bytes.push_back(b);
    CommandParser parser;
    std::vector<Command> out;
    EXPECT_TRUE(parser.feed(bytes, out));
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].id(), CommandId::Winch);
    EXPECT_EQ(out[1].id(), CommandId::Downhole);
    EXPECT_EQ(out[2].id(), CommandId::Line);
}

// A damaged frame throws away the rest of its write, so that no shorter frame hiding in it (an
// F0 made of a zero byte and two bytes that happen to sum up) can switch the sonde off.
TEST(CommandParser, DamagedOrUnknownBytesAreRefusedAndCounted) {
    ProgramSide program;
    std::vector<std::uint8_t> f12 = program.f12();
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::size_t checksumErrors, unknown;
    };
    std::vector<std::uint8_t> wrongSum = f12;
    ASSERT_EQ(wrongSum.size(), 10u);
    wrongSum[9] = static_cast<std::uint8_t>(wrongSum[9] + 1);
    // A zero byte then two bytes whose sum is their checksum: a well-formed F0 inside.
    std::vector<std::uint8_t> hidden = wrongSum;
    hidden.insert(hidden.end(), {0x00, 0x20, 0x20});
    std::vector<std::uint8_t> unknown{0x07, 0x00, 0x20, 0x20};
    for (const Case& c :
         {Case{"wrong checksum", wrongSum, 1, 0}, Case{"frame hidden after damage", hidden, 1, 0},
          Case{"unknown kind", unknown, 0, 1}}) {
        CommandParser parser;
        std::vector<Command> out;
        EXPECT_FALSE(parser.feed(c.bytes, out)) << c.what;
        EXPECT_TRUE(out.empty()) << c.what;
        EXPECT_EQ(parser.checksumErrors(), c.checksumErrors) << c.what;
        EXPECT_EQ(parser.unknownFrames(), c.unknown) << c.what;
        // The next good write is read again.
        const auto f3 = program.f3();
        EXPECT_TRUE(parser.feed(f3, out)) << c.what;
        ASSERT_EQ(out.size(), 1u) << c.what;
        EXPECT_EQ(out[0].id(), CommandId::Downhole);
    }
}

TEST(CommandParser, RandomBytesNeverGiveAFrameWithAWrongSum) {
    SimRandom random(99);
    CommandParser parser;
    std::size_t accepted = 0;
    for (int write = 0; write < 20000; ++write) {
        std::vector<std::uint8_t> bytes(random.below(14));
        for (auto& b : bytes)
            b = static_cast<std::uint8_t>(random.below(random.chance(0.5) ? 14 : 256));
        std::vector<Command> out;
        // Most random writes have bytes thrown away: what counts is what is kept.
        static_cast<void>(parser.feed(bytes, out));
        for (const Command& c : out) {
            ASSERT_EQ(c.length, CommandParser::lengthOf(c.id()));
            unsigned sum = 0;
            for (std::size_t i = 0; i + 1 < c.length; ++i)
                sum += c.bytes[i];
            ASSERT_EQ(static_cast<std::uint8_t>(sum), c.bytes[c.length - 1]);
            ++accepted;
        }
    }
    EXPECT_GT(parser.checksumErrors() + parser.unknownFrames(), 10000u);
    EXPECT_GT(accepted, 0u); // short frames do turn up in noise, and are well formed
}

} // namespace
} // namespace zarn::sim
