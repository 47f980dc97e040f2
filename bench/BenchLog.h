// The simulated logs of the export benchmarks: records of the synthetic wall, 720 pixels a line,
// written with the export tests' log writer (which checks its encodes as a test does) into a
// folder of its own under /tmp that goes with the object. The exports that read only the record
// heads take payloads from a few distinct encoded pictures used in turn.
#pragma once

#include "acquisition/export/ExportSource.h"
#include "sim/WallTexture.h"
#include "tests/acquisition/export/ExportTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace zarn::bench {

// The synthetic wall's pixels, line r of record n at 8 lines a record.
inline test::TestLogShape wallShape() {
    static const sim::WallTexture wall(7);
    test::TestLogShape shape;
    shape.pixel = [](int n, int r, int x) { return wall.pixel(x, 720, n * 8L + r); };
    return shape;
}

class BenchLog {
public:
    // A new folder /tmp/zarn-bench-NAME-XXXXXX.
    explicit BenchLog(const char* name) {
        std::string pattern = std::string("/tmp/zarn-bench-") + name + "-XXXXXX";
        folder_ = ::mkdtemp(pattern.data());
    }
    ~BenchLog() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    BenchLog(const BenchLog&) = delete;
    BenchLog& operator=(const BenchLog&) = delete;

    // count distinct encoded pictures of the wall, for records that share them.
    void makePayloads(int count, const test::TestLogShape& shape) {
        const std::vector<test::TestRecord> some = test::evenRecords(100000, 80, count);
        payloads_.resize(static_cast<std::size_t>(count));
        for (int n = 0; n < count; ++n) {
            const std::vector<std::uint8_t> bytes =
                test::testRecordBytes(n, some[static_cast<std::size_t>(n)], shape);
            payloads_[static_cast<std::size_t>(n)].assign(bytes.begin() + logrecord::HeadSize,
                                                          bytes.end());
        }
    }
    const std::vector<std::uint8_t>* payload(std::size_t n) const {
        return &payloads_[n % payloads_.size()];
    }

    // Writes the log and reads its header back; the program stops when it cannot.
    void write(const std::vector<test::TestRecord>& records, const test::TestLogShape& shape) {
        ExportSourceResult read =
            readExportSource(test::writeTestLog(folder_ / "log", records, shape));
        if (!read.source) {
            std::fprintf(stderr, "%s\n", read.problem.c_str());
            std::abort();
        }
        source_ = std::move(*read.source);
    }

    const std::filesystem::path& folder() const { return folder_; }
    const ExportSource& source() const { return source_; }
    std::vector<std::filesystem::path> dataFiles() const {
        std::vector<std::filesystem::path> paths;
        for (const ExportDataFile& file : source_.files)
            paths.push_back(file.path);
        return paths;
    }

private:
    std::filesystem::path folder_;
    std::vector<std::vector<std::uint8_t>> payloads_;
    ExportSource source_;
};

} // namespace zarn::bench
