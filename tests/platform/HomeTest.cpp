// A settings folder given relative to the working folder (ZARN_HOME or --home) is taken as the
// folder it names now: paths built on it later are absolute, so a file named relative to the
// settings folder lands in DIR, not in DIR/DIR.
#include "platform/Home.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;

TEST(HomeTest, ARelativeFolderIsMadeAbsolute) {
    ::setenv("ZARN_HOME", "relative-home", 1);
    EXPECT_EQ(Home::configDir(), fs::current_path() / "relative-home");
    EXPECT_EQ(Home::stateDir(), fs::current_path() / "relative-home");

    Home::setOverride("given/home");
    EXPECT_EQ(Home::configDir(), fs::current_path() / "given/home");
    EXPECT_TRUE(Home::settingsStoreFile().is_absolute());
    Home::setOverride({});
    ::unsetenv("ZARN_HOME");
    EXPECT_TRUE(Home::configDir().is_absolute());
}

} // namespace
} // namespace zarn::test
