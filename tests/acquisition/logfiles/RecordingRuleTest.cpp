// The recording rule: which frames are drawn and written, the last advancing depth and the
// reverse-motion flag, for both logging directions and every recording state.
#include "acquisition/logfiles/RecordingRule.h"
#include "tests/acquisition/logfiles/LogTestSupport.h"

namespace zarn::test {
namespace {

struct RuleCase {
    const char* name;
    bool down;
    bool recording;
    bool suspended;
    double last;  // L before the frame
    double depth; // D of the frame
    bool draw, write, reverse;
    double lastAfter;
};

class RecordingRuleCases : public ::testing::TestWithParam<RuleCase> {};

TEST_P(RecordingRuleCases, DecidesDrawWriteAndReverseMotion) {
    const RuleCase& c = GetParam();
    RecorderState state;
    state.recording = c.recording;
    state.suspended = c.suspended;
    CRecordingRule rule(state, nullptr);
    rule.SetLoggingDirection(c.down);
    rule.SetLastDepth(c.last);
    MeasurementRecord record;
    record.ImageDepth = c.depth;
    const RecordingDecision decision = rule.Apply(record);
    EXPECT_EQ(decision.draw, c.draw);
    EXPECT_EQ(decision.write, c.write);
    EXPECT_EQ(rule.ReverseMotion(), c.reverse);
    EXPECT_DOUBLE_EQ(rule.LastDepth(), c.lastAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, RecordingRuleCases,
    ::testing::Values(
        // name, down, recording, suspended, L, D, draw, write, reverse, L after
        RuleCase{"DownAdvances", true, true, false, 10.0, 10.001, true, true, false, 10.001},
        RuleCase{"DownSameDepth", true, true, false, 10.0, 10.0, false, false, false, 10.0},
        RuleCase{"DownWithinTolerance", true, true, false, 10.0, 9.995, false, false, false, 10.0},
        RuleCase{"DownBackBeyondTolerance", true, true, false, 10.0, 9.98, false, false, true,
                 10.0},
        RuleCase{"UpAdvances", false, true, false, 10.0, 9.5, true, true, false, 9.5},
        RuleCase{"UpBackBeyondTolerance", false, true, false, 10.0, 10.02, false, false, true,
                 10.0},
        RuleCase{"UpWithinTolerance", false, true, false, 10.0, 10.005, false, false, false, 10.0},
        // Not recording: every frame drawn, the depth test still moves L, no reverse flag.
        RuleCase{"IdleAdvanceMovesL", true, false, false, 10.0, 11.0, true, false, false, 11.0},
        RuleCase{"IdleBackwardDrawn", true, false, false, 10.0, 5.0, true, false, false, 10.0},
        // Suspended: drawn, not written, no depth test.
        RuleCase{"SuspendedNoDepthTest", true, true, true, 10.0, 12.0, true, false, false, 10.0},
        RuleCase{"SuspendedBackward", true, true, true, 10.0, 5.0, true, false, false, 10.0}),
    [](const ::testing::TestParamInfo<RuleCase>& info) { return std::string(info.param.name); });

TEST(RecordingRule, ReverseMotionClearedByAdvanceOrByTheWindow) {
    RecorderState state;
    state.recording = true;
    CRecordingRule rule(state, nullptr);
    rule.SetLoggingDirection(true);
    rule.SetLastDepth(20.0);
    MeasurementRecord record;
    record.ImageDepth = 19.5;
    EXPECT_FALSE(rule.Apply(record).write);
    EXPECT_TRUE(rule.ReverseMotion());
    rule.ClearReverseMotion();
    EXPECT_FALSE(rule.ReverseMotion());
    EXPECT_FALSE(rule.Apply(record).write);
    EXPECT_TRUE(rule.ReverseMotion());
    record.ImageDepth = 20.5;
    EXPECT_TRUE(rule.Apply(record).write);
    EXPECT_FALSE(rule.ReverseMotion());
}

} // namespace
} // namespace zarn::test
