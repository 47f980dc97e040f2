// Shared pieces of the link tests: the recording bridge library opened by path, and a link
// bound through it with a temporary home, recorded messages and an error log that is on.
#pragma once

#include "acquisition/link/USB.h"
#include "platform/ProfileFile.h"
#include "tests/acquisition/link/d2xx/TestD2xx.h"
#include "tests/support/TestSupport.h"

#include <cstdlib>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zarn::test {

using Bytes = std::vector<std::uint8_t>;

inline std::string testBridgePath(const std::string& variant = "zarn_test_d2xx") {
    return std::string(ZARN_TEST_D2XX_DIR) + "/lib" + variant + ".so";
}

// The tests' bridge library, named in ZARN_FTD2XX for the lifetime of the object.
class TestBridge {
public:
    explicit TestBridge(const std::string& variant = "zarn_test_d2xx")
        : path_(testBridgePath(variant)) {
        handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(handle_, nullptr) << dlerror();
        if (handle_) {
            bind(reset_, "TestD2xxReset");
            bind(hold_, "TestD2xxHoldWrites");
            bind(waitHeld_, "TestD2xxWaitHeldWriter");
            bind(chunk_, "TestD2xxSetWriteChunk");
            bind(status_, "TestD2xxSetWriteStatus");
            bind(count_, "TestD2xxWriteCount");
            bind(at_, "TestD2xxWriteAt");
            bind(overlapped_, "TestD2xxOverlapped");
            reset_();
        }
        ::setenv("ZARN_FTD2XX", path_.c_str(), 1);
    }
    ~TestBridge() {
        ::unsetenv("ZARN_FTD2XX");
        if (handle_) {
            reset_();
            dlclose(handle_);
        }
    }
    TestBridge(const TestBridge&) = delete;
    TestBridge& operator=(const TestBridge&) = delete;

    const std::string& path() const { return path_; }
    void hold(bool on) { hold_(on ? 1 : 0); }
    bool waitHeldWriter(int timeoutMs = 5000) { return waitHeld_(timeoutMs) != 0; }
    void writeChunk(std::uint32_t bytes) { chunk_(bytes); }
    void writeStatus(FT_STATUS status) { status_(status); }
    bool overlapped() { return overlapped_() != 0; }

    // Every FT_Write call, in order.
    std::vector<Bytes> writes() {
        std::vector<Bytes> out;
        for (size_t i = 0, n = count_(); i < n; ++i) {
            Bytes bytes(64);
            const size_t length = at_(i, bytes.data(), bytes.size());
            bytes.resize(std::min(length, bytes.size()));
            out.push_back(std::move(bytes));
        }
        return out;
    }
    // All written bytes as one stream.
    Bytes stream() {
        Bytes out;
        for (const Bytes& write : writes())
            out.insert(out.end(), write.begin(), write.end());
        return out;
    }

private:
    template <class Fn> void bind(Fn& fn, const char* name) {
        fn = reinterpret_cast<Fn>(dlsym(handle_, name));
        ASSERT_NE(fn, nullptr) << name;
    }

    std::string path_;
    void* handle_ = nullptr;
    void (*reset_)() = nullptr;
    void (*hold_)(int) = nullptr;
    int (*waitHeld_)(int) = nullptr;
    void (*chunk_)(std::uint32_t) = nullptr;
    void (*status_)(FT_STATUS) = nullptr;
    size_t (*count_)() = nullptr;
    size_t (*at_)(size_t, std::uint8_t*, size_t) = nullptr;
    int (*overlapped_)() = nullptr;
};

// A link bound through the recording library with its device open.
class LinkFixture : public ::testing::Test {
protected:
    void SetUp() override {
        TechnicalSwitches on;
        on.debuggingTools = true;
        logs.setSwitches(on);
        usb = std::make_unique<CUSB>(settings, logs);
        ASSERT_TRUE(usb->bindLibrary());
        ASSERT_EQ(usb->ftOpen(0), FT_OK);
    }
    void TearDown() override { usb.reset(); }

    // Waits for every frame handed over to be written.
    void drain() { ASSERT_TRUE(usb->waitUntilSent(std::chrono::seconds(5))); }

    // The value the error log holds for a location, in any section.
    std::optional<std::string> errorLogEntry(const std::string& location) {
        const ProfileDocument doc = ProfileFile::load(logs.errorLogPath());
        for (const std::string& section : doc.sectionNames())
            if (auto value = doc.get(section, location))
                return value;
        return std::nullopt;
    }

    TempHome home;
    RecordingUserMessages messages;
    DiagnosticLogs logs{home.path()};
    Shared<Configuration> settings;
    TestBridge bridge;
    std::unique_ptr<CUSB> usb;
};

} // namespace zarn::test
