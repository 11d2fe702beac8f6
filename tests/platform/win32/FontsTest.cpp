// The installed fonts as GDI lists them for the screen.
#include <algorithm>

#include <gtest/gtest.h>

#include "platform/Host.h"
#include "platform/ScriptedUserInterface.h"

using namespace platform;

TEST(Win32Fonts, EveryFamilyOnceInOrderUnlessTheOptionsNameThem) {
    ScriptedUserInterface ui;
    HostOptions options;
    options.ui = &ui;
    const auto names = makeHostWindows(options)->installedFontNames();
    ASSERT_FALSE(names.empty());
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
    EXPECT_EQ(std::count(names.begin(), names.end(), ""), 0);

    options.fontNames = [] { return std::vector<std::string>{"Courier New CE", "Arial"}; };
    EXPECT_EQ(makeHostWindows(options)->installedFontNames(),
              (std::vector<std::string>{"Courier New CE", "Arial"}));
}
