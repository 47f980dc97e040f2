// Logs made by the export tests: records at chosen image depths whose mode-16 payloads are
// encoded by the simulated sonde's encoder from rows the test describes, in one or more data
// files, with a header that lists them as a recording writes it.
#pragma once

#include "acquisition/logfiles/LogRecord.h"
#include "acquisition/wire/ImageRows.h"
#include "platform/Format.h"
#include "sim/DctEncoder.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace zarn::test {

// One record: its image depth (0.1 mm units), and how its payload is made.
struct TestRecord {
    long long depthUnits = 0;
    int mode = 16;   // compression mode: 16, 8 (payload of zeros) or 0
    int width = 720; // pixels per line
};

struct TestLogShape {
    std::string name = "WELL1";
    bool down = true;
    int recordsPerFile = 1 << 30;
    // The pixel of column x of line r (0 to 7) of record n.
    std::function<std::uint32_t(int n, int r, int x)> pixel = [](int, int, int) {
        return 0xFF808080u;
    };
    // The raw orientation values of record n (HX, GX, HY, GY, HZ, GZ) and its gamma count.
    std::function<std::array<std::int16_t, 6>(int n)> raw = [](int) {
        return std::array<std::int16_t, 6>{};
    };
    std::function<std::uint16_t(int n)> gamma = [](int) { return std::uint16_t{0}; };
    double gammaCoefficient = 0; // the header says gamma on board when not 0
    int logMode = 0;             // the header's log mode; 12 down or 11 up when 0
};

inline int resolutionCodeOf(int width) {
    for (int code = 1; code <= 7; ++code)
        if (pixelsPerRowOf(code) == width)
            return code;
    return 3;
}

inline std::vector<std::uint8_t> testRecordBytes(int n, const TestRecord& r,
                                                 const TestLogShape& shape) {
    std::vector<std::uint8_t> payload;
    if (r.mode == 16) {
        std::vector<std::uint32_t> rows(static_cast<std::size_t>(8 * r.width));
        for (int line = 0; line < 8; ++line)
            for (int x = 0; x < r.width; ++x)
                rows[static_cast<std::size_t>(line * r.width + x)] =
                    shape.pixel(n, line, x) & 0xFFFFFF;
        sim::DctEncoder encoder;
        EXPECT_TRUE(encoder.encode(rows, r.width, 4, payload));
    } else if (r.mode == 8) {
        payload.assign(64, 0);
    }
    std::vector<std::uint8_t> bytes(logrecord::HeadSize + payload.size(), 0);
    const auto put16 = [&](std::size_t at, std::uint16_t v) {
        bytes[at] = static_cast<std::uint8_t>(v);
        bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    const auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put16(logrecord::Length, static_cast<std::uint16_t>(bytes.size()));
    put32(logrecord::LoggerDepth, static_cast<std::uint32_t>(r.depthUnits));
    put16(logrecord::Speed, static_cast<std::uint16_t>(shape.down ? 500 : -500));
    put32(logrecord::ElapsedMs, static_cast<std::uint32_t>(n * 100));
    bytes[logrecord::Shutter] = 10;
    const std::array<std::int16_t, 6> raw = shape.raw(n);
    constexpr std::size_t RawAt[6] = {logrecord::HX, logrecord::GX, logrecord::HY,
                                      logrecord::GY, logrecord::HZ, logrecord::GZ};
    for (std::size_t i = 0; i < 6; ++i)
        put16(RawAt[i], static_cast<std::uint16_t>(raw[i]));
    put16(logrecord::GammaCount, shape.gamma(n));
    bytes[logrecord::SecondTemperature] = 70;
    bytes[logrecord::ImageMode] =
        static_cast<std::uint8_t>((resolutionCodeOf(r.width) << 5) | r.mode | 4);
    put32(logrecord::ImageDepth, static_cast<std::uint32_t>(r.depthUnits));
    std::copy(payload.begin(), payload.end(), bytes.begin() + logrecord::HeadSize);
    return bytes;
}

// Writes folder/NAME.hed and its data files; returns the header's path.
inline std::filesystem::path writeTestLog(const std::filesystem::path& folder,
                                          const std::vector<TestRecord>& records,
                                          const TestLogShape& shape = {}) {
    std::filesystem::create_directories(folder);
    struct File {
        std::string name;
        long long first = 0, last = 0, count = 0;
    };
    std::vector<File> files;
    std::ofstream data;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (i % static_cast<std::size_t>(shape.recordsPerFile) == 0) {
            const int index = static_cast<int>(files.size()) + 1;
            File file;
            file.name =
                index == 1 ? shape.name + ".lox" : format("%s_%d.lox", shape.name.c_str(), index);
            file.first = records[i].depthUnits;
            files.push_back(file);
            data.close();
            data.open(folder / file.name, std::ios::binary | std::ios::trunc);
        }
        const std::vector<std::uint8_t> bytes =
            testRecordBytes(static_cast<int>(i), records[i], shape);
        data.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        files.back().last = records[i].depthUnits;
        ++files.back().count;
    }
    data.close();
    std::string text =
        format("[General]\r\nVersion=2000\r\nSerialNumber=417\r\nDataFiles=%zu\r\n"
               "OrientationMode=0\r\n%s"
               "[WellInfo]\r\nStartdepth=%lld\r\nEndDepth=%lld\r\nStartTime=0\r\n"
               "EndTime=999999999\r\nLogMode=%d\r\n",
               files.size(),
               shape.gammaCoefficient != 0
                   ? format("GammaOnBoard=yes\r\nGammaCoef=%g\r\n", shape.gammaCoefficient).c_str()
                   : "",
               files.front().first / 10, files.back().last / 10,
               shape.logMode != 0 ? shape.logMode
               : shape.down       ? 12
                                  : 11);
    for (std::size_t i = 0; i < files.size(); ++i)
        text += format("[File%zu]\r\nFileName=%s\r\nStartDepth=%lld\r\nEndDepth=%lld\r\n"
                       "SampleCount=%lld\r\n",
                       i + 1, files[i].name.c_str(), files[i].first / 10, files[i].last / 10,
                       files[i].count);
    const std::filesystem::path header = folder / (shape.name + ".hed");
    std::ofstream(header, std::ios::binary) << text;
    return header;
}

// Records every step units from first, count of them (step negative going up).
inline std::vector<TestRecord> evenRecords(long long first, long long step, int count) {
    std::vector<TestRecord> records;
    for (int i = 0; i < count; ++i)
        records.push_back(TestRecord{first + step * i});
    return records;
}

} // namespace zarn::test
