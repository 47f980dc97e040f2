// The export dialog's checks: the depth range within the log and in its direction, the interval
// between half and five times the line spacing, the lines per file, with the program's texts.
#include "acquisition/export/PictureExportJob.h"

#include <gtest/gtest.h>

namespace zarn::test {
namespace {

ExportSource sourceOf(double start, double end, long long samples) {
    ExportSource s;
    s.startDepth = start;
    s.endDepth = end;
    s.down = end > start;
    s.totalSamples = samples;
    s.averageStep = (end - start) / static_cast<double>(samples * 8);
    return s;
}

TEST(PictureExportJob, TheDepthRangeLiesInTheLogInItsDirection) {
    const ExportSource down = sourceOf(10.004, 20.0, 1250); // 1 mm per line
    const ExportSource up = sourceOf(20.0, 10.0, 1250);
    EXPECT_DOUBLE_EQ(exportSpanOf(down).start, 10.01); // rounded, then moved into the log
    EXPECT_DOUBLE_EQ(exportSpanOf(down).end, 20.0);
    struct Case {
        const ExportSource* source;
        double from, to;
        const char* message; // empty: accepted
    };
    const char* outside = "Bad entry value (begining 10.01 ending 20.00) \n";
    for (const Case c : {
             Case{&down, 10.01, 20.0, ""},
             Case{&down, 12, 13, ""},
             Case{&down, 10.0, 20.0, outside},
             Case{&down, 12, 20.5, outside},
             Case{&down, 13, 12,
                  "Bad entry value, the depth of beginning must be smaller than the depth of "
                  "stop"},
             Case{&up, 20, 10, ""},
             Case{&up, 12, 13,
                  "Bad entry value, the depth of stop must be smaller than the depth of "
                  "beginning"},
             Case{&up, 21, 10, "Bad entry value (begining 20.00 ending 10.00) \n"},
         }) {
        const std::optional<std::string> refused = checkDepthRange(*c.source, c.from, c.to);
        EXPECT_EQ(refused.value_or(""), c.message) << c.from << " " << c.to;
    }
}

TEST(PictureExportJob, TheIntervalLiesBetweenHalfAndFiveTimesTheLineSpacing) {
    const ExportSource source = sourceOf(10.0, 20.0, 1250); // 1 mm per line
    EXPECT_DOUBLE_EQ(defaultInterval(source), 0.001);
    EXPECT_DOUBLE_EQ(defaultInterval(sourceOf(10.0, 10.5, 1250)), 0.0001); // 0.05 mm: at least 0.1
    struct Case {
        double entry;
        bool feet;
        double accepted; // 0: refused
        const char* message;
    };
    for (const Case c : {
             Case{1.0, false, 0.001, ""},
             Case{0.5, false, 0.0005, ""},
             Case{5.0, false, 0.005, ""},
             Case{2.54, false, 0.0025, ""}, // rounded to 0.1 mm
             Case{0.4, false, 0, "Minimal interval : 0.5 mm"},
             Case{0.0, false, 0, "Minimal interval : 0.5 mm"},
             Case{5.1, false, 0, "Maximal interval : 5.0 mm"},
             Case{39, true, 39 * MetresPerMil, ""},
             Case{10, true, 0, "Minimal interval : 19 mil"},
             Case{200, true, 0, "Maximal interval : 196 mil"},
         }) {
        const IntervalCheck check = checkInterval(source, c.entry, c.feet);
        if (c.accepted == 0) {
            EXPECT_FALSE(check.interval) << c.entry;
            EXPECT_EQ(check.message, c.message) << c.entry;
        } else {
            ASSERT_TRUE(check.interval) << c.entry << " " << check.message;
            EXPECT_NEAR(*check.interval, c.accepted, 1e-12) << c.entry;
        }
    }
}

TEST(PictureExportJob, LinesPerFileAtMost25600AndAtMost99Files) {
    const MaxLinesCheck ok = checkMaxLines(10000, 2500);
    EXPECT_EQ(ok.accepted.value_or(0), 2500);
    EXPECT_TRUE(ok.message.empty());
    const MaxLinesCheck big = checkMaxLines(10000, 30000);
    EXPECT_EQ(big.accepted.value_or(0), 25600);
    EXPECT_EQ(big.message, "Sorry, the Max line is too big.\nMax limit is 25600 lines");
    for (const long long tooSmall : {0LL, 100LL, -5LL}) {
        const MaxLinesCheck small = checkMaxLines(10000, tooSmall);
        EXPECT_FALSE(small.accepted) << tooSmall;
        EXPECT_EQ(small.message.rfind("Sorry, the Max line value is too small.\nMax limit of "
                                      "file genered is 99.",
                                      0),
                  0u);
    }
    EXPECT_TRUE(checkMaxLines(9900, 100).accepted); // 99 files exactly

    PictureExportJob job;
    job.from = 10;
    job.to = 12;
    job.interval = 0.0003;
    job.maxLines = 2500;
    EXPECT_EQ(job.totalLines(), 6667);
    EXPECT_EQ(job.linesPerFile(), 2500);
    EXPECT_EQ(job.fileCount(), 3);
}

} // namespace
} // namespace zarn::test
