// An output under a temporary name: it replaces the target only on commit, and a job that stops
// before (a cancel, an error) leaves the old target and no temporary file.
#include "platform/PendingFile.h"
#include "platform/FileIo.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;

std::size_t filesIn(const fs::path& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++n;
    return n;
}

TEST(PendingFileTest, TheTargetChangesOnlyOnCommit) {
    TempHome home;
    home.write("out.txt", "old");
    {
        PendingFile pending(home.file("out.txt"));
        pending.stream() << "new, half";
        EXPECT_EQ(home.read("out.txt"), "old");
        EXPECT_EQ(pending.path().parent_path(), home.path());
        // Destroyed without commit: the job stopped.
    }
    EXPECT_EQ(home.read("out.txt"), "old");
    EXPECT_EQ(filesIn(home.path()), 1u);

    PendingFile pending(home.file("out.txt"));
    pending.stream() << "new";
    std::string error;
    ASSERT_TRUE(pending.commit(&error)) << error;
    EXPECT_EQ(home.read("out.txt"), "new");
    EXPECT_FALSE(fs::exists(pending.path()));
}

TEST(PendingFileTest, WritersByNameAndFailures) {
    TempHome home;
    {
        // A writer that opens the file by its name.
        PendingFile pending(home.file("picture.png"));
        ASSERT_TRUE(writeFileAtomically(pending.path(), "bytes"));
        ASSERT_TRUE(pending.commit());
    }
    EXPECT_EQ(home.read("picture.png"), "bytes");

    // Nothing written: no commit, no file.
    PendingFile empty(home.file("empty.txt"));
    std::string error;
    EXPECT_FALSE(empty.commit(&error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(home.file("empty.txt")));

    // A folder that does not exist: the write fails, nothing is left.
    PendingFile nowhere(home.file("missing/out.txt"));
    nowhere.stream() << "x";
    EXPECT_FALSE(nowhere.commit(&error));
    EXPECT_FALSE(fs::exists(home.file("missing")));
    EXPECT_EQ(filesIn(home.path()), 1u);
}

} // namespace
} // namespace zarn::test
