// A raw capture of a live run in which the simulated logger cut some of its packets short:
// dissect reports each fault at the packet the simulator damaged, and nowhere else.
#include "tests/acquisition/cli/integration/SimulatedAcquisition.h"

#include <gtest/gtest.h>

#include <set>

namespace zarn::test {
namespace {

TEST_F(SimulatedLoggerTest, DissectFindsEachCutPacketWhereTheSimulatorCutIt) {
    // USB packets are numbered from 1 in the order the logger sends them; the packet counter on
    // the wire starts at 0, so packet n carries counter n - 1.
    const std::set<int> cut = {40, 90, 150};
    SimulatedInterval interval;
    interval.sections = "[Faults]\nCutPacketsAt = 40, 90, 150\n";
    configureSimulator(interval);
    cli::AcquireOptions options = recordOptions("unused", true, 100);
    options.record.reset();
    options.stopDepth.reset();
    options.duration = 1.0;
    options.capture = home.file("run.cap");
    const AcquireOutcome run = runAcquisition(options, programSettings());
    ASSERT_EQ(run.code, cli::ExitCode::Ok) << run.err;
    EXPECT_EQ(reportCount(report(), "Faults", "CutPackets"), 3);

    cli::DissectOptions dissect;
    dissect.capture = *options.capture;
    dissect.decode = false; // the framing's verdicts are what this is about
    const CommandRun dissected = runCommand(
        [&](std::ostream& out, std::ostream& err) { return cli::runDissect(dissect, out, err); });
    std::set<int> errorsAt;
    int framesAfterLastCut = 0;
    for (const nlohmann::json& line : dissected.lines()) {
        if (line.value("Kind", nlohmann::json()) == "error") {
            EXPECT_EQ(line.value("Error", ""), "FrameLengthError") << line.dump();
            errorsAt.insert(line.value("PacketCounter", -1) + 1);
        } else if (line.contains("PacketCounter") && line["PacketCounter"].get<int>() + 1 > 150) {
            ++framesAfterLastCut;
        }
    }
    EXPECT_EQ(errorsAt, cut) << dissected.out.substr(0, 2000);
    EXPECT_GT(framesAfterLastCut, 0); // the framing found its way after the last cut
}

} // namespace
} // namespace zarn::test
