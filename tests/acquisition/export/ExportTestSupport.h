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
#include <optional>
#include <string>
#include <vector>

namespace zarn::test {

// One record: its image depth (0.1 mm units), and how its payload is made.
struct TestRecord {
    long long depthUnits = 0;
    int mode = 16;   // compression mode: 16, 8 (payload of zeros) or 0
    int width = 720; // pixels per line
    int gamma = 0;   // raw gamma count
    // Raw orientation sensor values (accelerometer, magnetometer).
    int gx = 0, gy = 0, gz = 0, hx = 0, hy = 0, hz = 0;
    std::optional<int> speed; // 0.01 m/min; 5 m/min in the log's direction else
    // A payload made beforehand (a mode-16 one: mode stays 16), in place of encoding one.
    const std::vector<std::uint8_t>* payload = nullptr;
};

// A record's six sensor values from readings of the sensors (gx, gy, gz, hx, hy, hz, as the
// simulator's OrientationSensors gives them), rounded to whole counts.
template <class Readings> void setSensors(TestRecord& r, const Readings& s) {
    const auto counts = [](double v) { return static_cast<int>(std::lround(v)); };
    r.gx = counts(s.gx);
    r.gy = counts(s.gy);
    r.gz = counts(s.gz);
    r.hx = counts(s.hx);
    r.hy = counts(s.hy);
    r.hz = counts(s.hz);
}

struct TestLogShape {
    std::string name = "WELL1";
    bool down = true;
    int recordsPerFile = 1 << 30;
    // [General] sensor offsets (cm) and gamma sensor; the header reader's defaults.
    int cameraOffset = 8, deviationOffset = 107, gammaOffset = 145;
    bool gammaOnBoard = false;
    double gammaCoef = 1.0;
    // [WellInfo] LogMode; 12 down or 11 up by the direction else.
    std::optional<int> logMode;
    std::string wellInfo; // more [WellInfo] lines ("Company=ACME\r\n")
    // The pixel of column x of line r (0 to 7) of record n.
    std::function<std::uint32_t(int n, int r, int x)> pixel = [](int, int, int) {
        return 0xFF808080u;
    };
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
    if (r.payload) {
        payload = *r.payload;
    } else if (r.mode == 16) {
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
    put16(logrecord::Speed, static_cast<std::uint16_t>(r.speed.value_or(shape.down ? 500 : -500)));
    put16(logrecord::GammaCount, static_cast<std::uint16_t>(r.gamma));
    put16(logrecord::GX, static_cast<std::uint16_t>(r.gx));
    put16(logrecord::GY, static_cast<std::uint16_t>(r.gy));
    put16(logrecord::GZ, static_cast<std::uint16_t>(r.gz));
    put16(logrecord::HX, static_cast<std::uint16_t>(r.hx));
    put16(logrecord::HY, static_cast<std::uint16_t>(r.hy));
    put16(logrecord::HZ, static_cast<std::uint16_t>(r.hz));
    put32(logrecord::ElapsedMs, static_cast<std::uint32_t>(n * 100));
    bytes[logrecord::Shutter] = 10;
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
    std::string text = format(
        "[General]\r\nVersion=2000\r\nSerialNumber=417\r\nDataFiles=%zu\r\nOrientationMode=0\r\n"
        "CameraOffset=%d\r\nDeviationOffset=%d\r\nGammaOnBoard=%s\r\n"
        "GammaOffset=%d\r\nGammaCoef=%.6G\r\n"
        "[WellInfo]\r\nStartdepth=%lld\r\nEndDepth=%lld\r\nStartTime=0\r\n"
        "EndTime=999999999\r\nLogMode=%d\r\n",
        files.size(), shape.cameraOffset, shape.deviationOffset, shape.gammaOnBoard ? "yes" : "no",
        shape.gammaOffset, shape.gammaCoef, files.front().first / 10, files.back().last / 10,
        shape.logMode.value_or(shape.down ? 12 : 11));
    text += shape.wellInfo;
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
    for (int i = 0; i < count; ++i) {
        TestRecord record;
        record.depthUnits = first + step * i;
        records.push_back(record);
    }
    return records;
}

} // namespace zarn::test
