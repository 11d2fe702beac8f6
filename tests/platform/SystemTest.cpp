#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "TestMachine.h"
#include "linux/WineRegistry.h"

using namespace platform;
using testmachine::MachineSetup;
using testmachine::TestMachine;
using testmachine::WindowsRelease;

TEST(WineRegistryTest, ReadsWinesTextFormat) {
    WineRegistry reg;
    reg.parse("WINE REGISTRY Version 2\n"
              ";; All keys relative to \\\\Machine\n\n"
              "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion] 1700000000\n"
              "#time=1d9\n"
              "\"CurrentVersion\"=\"6.3\"\n"
              "\"CurrentMajorVersionNumber\"=dword:0000000a\n"
              "\"Path\"=str(2):\"%SystemRoot%\\\\system32\"\n"
              "\"Owner\"=\"Ji\\x0159\\xed \\\"J\\\"\"\n"
              "\"Bin\"=hex:01,02,\\\n  03\n"
              "@=\"default\"\n"
              "\n[Other] 1\n\"CurrentVersion\"=\"x\"\n");
    const char* key = "SOFTWARE\\microsoft\\WINDOWS NT\\CurrentVersion";
    ASSERT_TRUE(reg.find(key, "currentversion"));
    EXPECT_EQ(reg.find(key, "CurrentVersion")->text, "6.3");
    EXPECT_EQ(reg.find(key, "CurrentMajorVersionNumber")->dword, 10u);
    EXPECT_EQ(reg.find(key, "Path")->text, "%SystemRoot%\\system32");
    EXPECT_EQ(reg.find(key, "Owner")->text, "Jiří \"J\"");
    EXPECT_EQ(reg.find(key, "Bin")->type, WineRegistry::Value::Other);
    EXPECT_EQ(reg.find(key, "")->text, "default");
    EXPECT_EQ(reg.find("Other", "CurrentVersion")->text, "x");
    EXPECT_EQ(reg.find(key, "Missing"), nullptr);
}

struct VersionCase {
    WindowsRelease release;
    std::uint32_t reportedMajor, reportedMinor;
};

class ReportedVersion : public ::testing::TestWithParam<VersionCase> {};

// A program without a compatibility manifest is told 6.2 at most.
TEST_P(ReportedVersion, IsCappedAtWindows8) {
    MachineSetup setup;
    setup.release = GetParam().release;
    TestMachine m(setup);
    const auto v = m.win().reportedVersion();
    EXPECT_EQ(v.major, GetParam().reportedMajor);
    EXPECT_EQ(v.minor, GetParam().reportedMinor);
}

INSTANTIATE_TEST_SUITE_P(Releases, ReportedVersion,
                         ::testing::Values(VersionCase{WindowsRelease::XP, 5, 1},
                                           VersionCase{WindowsRelease::Seven, 6, 1},
                                           VersionCase{WindowsRelease::Eight, 6, 2},
                                           VersionCase{WindowsRelease::EightOne, 6, 2},
                                           VersionCase{WindowsRelease::Ten, 6, 2},
                                           VersionCase{WindowsRelease::NoRegistry, 6, 2}));

TEST(System, WithoutRegistryFileTheMachineIsWindows10) {
    MachineSetup setup;
    setup.release = WindowsRelease::NoRegistry;
    TestMachine m(setup);
    const char* key = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    EXPECT_EQ(m.win().registryDword(RegistryHive::LocalMachine, key, "CurrentMajorVersionNumber"),
              10u);
    EXPECT_EQ(m.win().registryString(RegistryHive::LocalMachine, key, "CurrentVersion"), "6.3");
    EXPECT_FALSE(
        m.win().registryString(RegistryHive::LocalMachine, key, "CurrentMajorVersionNumber"));
}

TEST(System, ArchitectureFollowsSyswow64) {
    MachineSetup setup;
    setup.x64 = false;
    TestMachine m32(setup);
    EXPECT_EQ(m32.win().nativeProcessorArchitecture(), kProcessorArchitectureIntel);
    TestMachine m64;
    EXPECT_EQ(m64.win().nativeProcessorArchitecture(), kProcessorArchitectureAmd64);
}

TEST(System, FreeSpaceOfTheDrive) {
    MachineSetup setup;
    setup.freeBytes = 500ULL * 1048576;
    TestMachine m(setup);
    auto s = m.win().diskFreeSpace("C:");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->freeToCaller, 500ULL * 1048576);
    EXPECT_EQ(m.win().diskFreeSpace("Q:").error(), kErrorPathNotFound);

    TestMachine real;
    auto r = real.win().diskFreeSpace("C:\\windows");
    ASSERT_TRUE(r);
    EXPECT_GT(r->total, 0u);
    EXPECT_LE(r->freeToCaller, r->total);
}

TEST(System, TickCountComesFromTheClock) {
    TestMachine m;
    m.clock.value = 0xFFFFFFF0u;
    EXPECT_EQ(m.win().tickCount(), 0xFFFFFFF0u);
}

TEST(System, InstalledFontsIncludeTheCourierNewSubstitute) {
    TestMachine m;
    const auto names = m.win().installedFontNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "Liberation Mono"), names.end());
}

TEST(System, ErrorTexts) {
    TestMachine m;
    EXPECT_EQ(m.win().formatMessage(kErrorAccessDenied), "Access is denied.");
    EXPECT_EQ(m.win().formatMessage(0x80070002u), "The system cannot find the file specified.");
    EXPECT_EQ(m.win().formatMessage(0x80004001u), "Not implemented");
}

TEST(SingleInstance, SecondMutexSeesTheFirstAndGetsItsMessage) {
    TestMachine m;
    ScriptedUserInterface otherUi;
    auto other = m.another(otherUi);

    auto first = m.win().createMutex("Instal DRO");
    EXPECT_FALSE(first->alreadyExisted());
    const auto message = m.win().registerWindowMessage("Instal DRO");
    EXPECT_GE(message, 0xC000u);

    auto second = other->createMutex("Instal DRO");
    EXPECT_TRUE(second->alreadyExisted());
    EXPECT_EQ(other->registerWindowMessage("INSTAL dro"), message);
    other->broadcastMessage(message);
    EXPECT_EQ(m.win().takeReceivedMessages(), std::vector<std::uint32_t>{message});
    EXPECT_TRUE(m.win().takeReceivedMessages().empty());

    // Once the first one ends, the name is free again.
    first.reset();
    second.reset();
    EXPECT_FALSE(other->createMutex("Instal DRO")->alreadyExisted());
}
