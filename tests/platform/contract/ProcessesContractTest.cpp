// How Windows starts programs: exit codes, working folders, missing programs.
#include <gtest/gtest.h>

#include "Sandbox.h"

using namespace platform;
using contract::Sandbox;

TEST(ProcessesContract, ExitCodesAndWorkingFolderReachTheCaller) {
    Sandbox sb;
    auto& win = sb.win();
    auto plain = win.createProcess(sb.exitCommand(7), "", kSwHide);
    ASSERT_TRUE(plain) << plain.error();
    EXPECT_EQ((*plain)->wait(), 7u);
    EXPECT_EQ((*plain)->wait(), 7u);

    ASSERT_EQ(win.createDirectory(sb.path("work")), kErrorSuccess);
    auto inFolder = win.createProcess(sb.exitCommand(0, "marker.txt"), sb.path("work"), kSwHide);
    ASSERT_TRUE(inFolder) << inFolder.error();
    EXPECT_EQ((*inFolder)->wait(), 0u);
    EXPECT_TRUE(sb.exists("work\\marker.txt"));
    EXPECT_FALSE(sb.exists("marker.txt"));

    // Two programs at once end each with its own code.
    auto first = win.createProcess(sb.exitCommand(3), sb.root(), kSwHide);
    auto second = win.createProcess(sb.exitCommand(4), sb.root(), kSwHide);
    ASSERT_TRUE(first && second);
    EXPECT_EQ((*second)->wait(), 4u);
    EXPECT_EQ((*first)->wait(), 3u);
}

TEST(ProcessesContract, MissingProgramsAndFoldersAreReported) {
    Sandbox sb;
    auto& win = sb.win();
    const auto missing = std::string("\"").append(sb.path("missing.exe")).append("\" /x");
    EXPECT_EQ(win.createProcess(missing, "", kSwHide).error(), kErrorFileNotFound);
    EXPECT_EQ(win.createProcess("no-such-program-of-dro", "", kSwHide).error(), kErrorFileNotFound);
    EXPECT_EQ(win.createProcess(sb.exitCommand(0), sb.path("none"), kSwHide).error(),
              kErrorDirectory);

    // The running program is named by a full path.
    const std::string self = win.modulePath();
    ASSERT_GT(self.size(), 3u);
    EXPECT_EQ(self.substr(1, 2), ":\\") << self;
}

TEST(ProcessesContract, HeldProgramStillStarts) {
    Sandbox sb;
    auto& win = sb.win();
    const std::string program = sb.programCopy("held.exe");
    auto hold = win.holdFile(program);
    ASSERT_TRUE(hold) << hold.error();
    auto started = win.createProcess("\"" + program + "\" /c exit 5", sb.root(), kSwHide);
    ASSERT_TRUE(started) << started.error();
    EXPECT_EQ((*started)->wait(), 5u);
    EXPECT_EQ(win.deleteFile(program), kErrorSharingViolation);
}
