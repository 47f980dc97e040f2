// Shared pieces of the link tests: the recording bridge library opened by path, and a link
// bound through it with a temporary home, recorded messages and an error log that is on.
#pragma once

#include "acquisition/link/USB.h"
#include "platform/ProfileFile.h"
#include "tests/acquisition/link/d2xx/TestD2xx.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
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
            bind(queueReads_, "TestD2xxQueueReads");
            bind(readsLeft_, "TestD2xxReadsLeft");
            bind(readStatus_, "TestD2xxSetReadStatus");
            bind(holdReads_, "TestD2xxHoldReads");
            bind(waitHeldReader_, "TestD2xxWaitHeldReader");
            bind(plugged_, "TestD2xxSetPlugged");
            bind(openCount_, "TestD2xxOpenCount");
            bind(identity_, "TestD2xxSetIdentity");
            bind(journal_, "TestD2xxJournal");
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
    // Queues reads as one script: each entry is what one FT_Read hands out (empty: nothing).
    void queueReads(const std::vector<Bytes>& reads) {
        Bytes all;
        std::vector<std::uint32_t> sizes;
        for (const Bytes& read : reads) {
            all.insert(all.end(), read.begin(), read.end());
            sizes.push_back(static_cast<std::uint32_t>(read.size()));
        }
        queueReads_(all.data(), sizes.data(), sizes.size());
    }
    // Queues the stream as reads of at most `piece` bytes.
    void queueStream(const Bytes& stream, size_t piece = 24) {
        std::vector<Bytes> reads;
        for (size_t at = 0; at < stream.size(); at += piece)
            reads.emplace_back(
                stream.begin() + static_cast<std::ptrdiff_t>(at),
                stream.begin() + static_cast<std::ptrdiff_t>(std::min(stream.size(), at + piece)));
        queueReads(reads);
    }
    size_t readsLeft() { return readsLeft_(); }
    void readStatus(FT_STATUS status) { readStatus_(status); }
    // While on, the reader waits inside FT_Read.
    void holdReads(bool on) { holdReads_(on ? 1 : 0); }
    bool waitHeldReader(int timeoutMs = 5000) { return waitHeldReader_(timeoutMs) != 0; }
    void plugged(bool on) { plugged_(on ? 1 : 0); }
    size_t openCount() { return openCount_(); }
    void identity(std::uint16_t vendor, std::uint16_t product, const char* serial) {
        identity_(vendor, product, serial);
    }
    // The journal of set-up calls, one entry per line.
    std::vector<std::string> journal() {
        std::string text(journal_(nullptr, 0) + 1, '\0');
        journal_(text.data(), text.size());
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(text.substr(start, end - start));
        return lines;
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
    void (*queueReads_)(const std::uint8_t*, const std::uint32_t*, size_t) = nullptr;
    size_t (*readsLeft_)() = nullptr;
    void (*readStatus_)(FT_STATUS) = nullptr;
    void (*holdReads_)(int) = nullptr;
    int (*waitHeldReader_)(int) = nullptr;
    void (*plugged_)(int) = nullptr;
    size_t (*openCount_)() = nullptr;
    void (*identity_)(std::uint16_t, std::uint16_t, const char*) = nullptr;
    size_t (*journal_)(char*, size_t) = nullptr;
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
