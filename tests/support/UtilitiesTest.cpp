#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>

#include <gtest/gtest.h>

#include "TestMachine.h"
#include "support/Utilities.h"

using namespace support;
using testmachine::MachineSetup;
using testmachine::TestMachine;
using testmachine::WindowsRelease;
namespace fs = std::filesystem;

class CopyFileToTest : public ::testing::Test {
protected:
    TestMachine m;
    Windows& win = m.win();
    void SetUp() override { m.writeFile("C:\\a\\x.exe", "program"); }
};

TEST_F(CopyFileToTest, MissingSourceAndUnwritableDestination) {
    try {
        CopyFileTo(win, "..\\a\\none.exe", "C:\\d.exe");
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_STREQ(e.what(), "Cannot open file ..\\a\\none.exe");
    }
    EXPECT_FALSE(m.exists("C:\\d.exe"));
    try {
        CopyFileTo(win, "C:\\a\\x.exe", "missing\\d.exe");
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_STREQ(e.what(), "Cannot create file C:\\missing\\d.exe");
    }
}

TEST_F(CopyFileToTest, CopiesInChunksOf8192Bytes) {
    m.writeFile("C:\\a\\exact", std::string(8192, 'e'));
    m.writeFile("C:\\a\\more", std::string(8193, 'm'));
    m.readCalls = m.writeCalls = 0;
    CopyFileTo(win, "C:\\a\\exact", "C:\\exact");
    EXPECT_EQ(m.readCalls, 2); // the second read returns 0 bytes
    EXPECT_EQ(m.writeCalls, 1);
    m.readCalls = m.writeCalls = 0;
    CopyFileTo(win, "C:\\a\\more", "C:\\more");
    EXPECT_EQ(m.readCalls, 2);
    EXPECT_EQ(m.writeCalls, 2); // 8192, then 1
    EXPECT_EQ(m.readFile("C:\\more"), std::string(8193, 'm'));
}

TEST_F(CopyFileToTest, ReadOnlyDestinationIsNotReplaced) {
    m.writeFile("C:\\ro.exe", "old");
    fs::permissions(m.host("C:\\ro.exe"), fs::perms::owner_read);
    EXPECT_THROW(CopyFileTo(win, "C:\\a\\x.exe", "C:\\ro.exe"), EFCreateError);
    EXPECT_EQ(m.readFile("C:\\ro.exe"), "old");
}

TEST(FileQueries, FileDateIsLocalTimeAtTwoSecondResolution) {
    ::setenv("TZ", "CET-1", 1);
    ::tzset();
    TestMachine m;
    EXPECT_EQ(FileDateOf(m.win(), "C:\\none.exe"), 0.0);
    m.writeFile("C:\\Mono.exe", "x");
    // 2015-03-04 10:20:31 UTC, an odd second.
    struct timespec times[2] = {{1425464431, 0}, {1425464431, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, m.host("C:\\Mono.exe").c_str(), times, 0), 0);
    const double expected = 42067.0 + (11 * 3600 + 20 * 60 + 30) / 86400.0; // 11:20:30 local
    EXPECT_NEAR(FileDateOf(m.win(), "C:\\MONO.EXE"), expected, 1e-9);
    ::unsetenv("TZ");
    ::tzset();
}

TEST(Processes, RunAndWaitWaitsForTheEnd) {
    TestMachine m;
    m.makeFolders("C:\\DRO2015");
    EXPECT_EQ(RunAndWait(m.win(), "C:\\DRO2015\\none.exe", "C:\\DRO2015", 1), -1);
    m.writeScript("C:\\DRO2015\\Mono.exe", "sleep 0.2\necho unpacked > DRO2015.ver\nexit 7\n");
    EXPECT_EQ(RunAndWait(m.win(), "C:\\DRO2015\\Mono.exe", "C:\\DRO2015", 1), 1);
    EXPECT_EQ(m.readFile("C:\\DRO2015\\DRO2015.ver"), "unpacked\n");
}

TEST(Delay, WaitsAcrossTheWrapOfTheTickCounter) {
    TestMachine m;
    m.clock.value = 0xFFFFFE00u;
    m.clock.stepPerRead = 100;
    Delay(m.win(), 1000);
    // Ten steps of 100 after the start, one look each.
    EXPECT_EQ(m.ui.processMessagesCalls(), 10);
    EXPECT_EQ(m.clock.value, 0xFFFFFE00u + 1100u);

    TestMachine z;
    z.clock.value = 0x80000000u;
    Delay(z.win(), 0);
    EXPECT_EQ(z.ui.processMessagesCalls(), 1);
}

TEST(FreeSpace, ThresholdAndUnits) {
    MachineSetup setup;
    setup.freeBytes = 499ULL * 1048576 + 1048575;
    TestMachine m499(setup);
    EXPECT_EQ(DiskFreeSpace(m499.win(), "MB", "C:", false), 499);
    EXPECT_FALSE(HasEnoughFreeSpace(m499.win(), "C:\\DRO2015", 499));

    setup.freeBytes = 500ULL * 1048576;
    TestMachine m500(setup);
    EXPECT_TRUE(HasEnoughFreeSpace(m500.win(), "C:\\DRO2015", 499));
    EXPECT_EQ(DiskFreeSpace(m500.win(), "mb", "C:", false), 0); // counts in GB
    EXPECT_EQ(DiskFreeSpace(m500.win(), "GB", "C:\\", true), 1);
    EXPECT_EQ(DiskFreeSpace(m500.win(), "MB", "Q:", false), -1);
    EXPECT_FALSE(HasEnoughFreeSpace(m500.win(), "Q:\\DRO", 499));
    EXPECT_FALSE(HasEnoughFreeSpace(m500.win(), "DRO", 499));
}

TEST(SystemFolders, SystemAndDesktop) {
    TestMachine m;
    EXPECT_EQ(SystemDirectory(m.win()), "C:\\windows\\system32");
    EXPECT_EQ(DesktopFolder(m.win()), "C:\\users\\tester\\Desktop");
    fs::remove_all(m.prefix() + "/drive_c/users/tester/Desktop");
    EXPECT_EQ(DesktopFolder(m.win()), "");
}

struct VersionCase {
    WindowsRelease release;
    int major, minor;
    bool vistaOr7;
};

class WindowsVersion : public ::testing::TestWithParam<VersionCase> {};

TEST_P(WindowsVersion, IsCorrectedThroughTheRegistry) {
    MachineSetup setup;
    setup.release = GetParam().release;
    TestMachine m(setup);
    EXPECT_EQ(WindowsMajorVersion(m.win()), GetParam().major);
    EXPECT_EQ(WindowsMinorVersion(m.win()), GetParam().minor);
    EXPECT_EQ(IsWindowsVistaOr7(m.win()), GetParam().vistaOr7);
}

INSTANTIATE_TEST_SUITE_P(Releases, WindowsVersion,
                         ::testing::Values(VersionCase{WindowsRelease::XP, 5, 1, false},
                                           VersionCase{WindowsRelease::Vista, 6, 0, true},
                                           VersionCase{WindowsRelease::Seven, 6, 1, true},
                                           VersionCase{WindowsRelease::Eight, 6, 2, false},
                                           VersionCase{WindowsRelease::EightOne, 6, 3, false},
                                           VersionCase{WindowsRelease::Ten, 10, 0, false},
                                           VersionCase{WindowsRelease::Eleven, 10, 0, false}));

TEST(WindowsVersion64, FollowsTheNativeArchitecture) {
    MachineSetup setup;
    setup.x64 = false;
    TestMachine m32(setup);
    EXPECT_FALSE(IsWindows64(m32.win()));
    TestMachine m64;
    EXPECT_TRUE(IsWindows64(m64.win()));
}

TEST(OneLineFile, WritesTheLineInTheAnsiCodePage) {
    TestMachine m;
    m.makeFolders("C:\\DRO2015");
    WriteOneLineFile(m.win(), "C:\\DRO2015\\KdeJeZas.ttx", "C:\\users\\Jiří\\Desktop\\DRO2015.lnk");
    EXPECT_EQ(m.readFile("C:\\DRO2015\\KdeJeZas.ttx"),
              "C:\\users\\Ji\xF8\xED\\Desktop\\DRO2015.lnk\r\n");
    WriteOneLineFile(m.win(), "C:\\DRO2015\\KdeJeZas.ttx", "x");
    EXPECT_EQ(m.readFile("C:\\DRO2015\\KdeJeZas.ttx"), "x\r\n");
    try {
        WriteOneLineFile(m.win(), "C:\\none\\KdeJeZas.ttx", "x");
        FAIL();
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "Invalid filename"); // the runtime's text for code 3
    }
    m.failWritesTo("full.ttx", 0);
    try {
        WriteOneLineFile(m.win(), "C:\\full.ttx", "x");
        FAIL();
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "Disk full");
    }
}
