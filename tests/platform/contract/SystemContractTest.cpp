// What Windows tells a program about itself: registry, version, processor,
// error texts, disk space and system folders.
#include <cctype>

#include <gtest/gtest.h>

#include "Sandbox.h"
#include "platform/Encoding.h"

#ifdef _WIN32
#include "platform/win32/Support.h"
#endif

using namespace platform;
using contract::Sandbox;

namespace {
const char* const kVersionKey = "Software\\Microsoft\\Windows NT\\CurrentVersion";
}

TEST(SystemContract, RegistryVersionAndProcessor) {
    Sandbox sb;
    auto& win = sb.win();
    auto current = win.registryString(RegistryHive::LocalMachine, kVersionKey, "CurrentVersion");
    ASSERT_TRUE(current);
    ASSERT_GE(current->size(), 3u);
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(current->front()))) << *current;
    EXPECT_NE(current->find('.'), std::string::npos) << *current;
    // The key and value names are matched without regard to case; a value
    // of another type or a missing one reads as nothing.
    EXPECT_EQ(
        win.registryString(RegistryHive::LocalMachine, upperCase(kVersionKey), "currentversion"),
        current);
    EXPECT_FALSE(win.registryDword(RegistryHive::LocalMachine, kVersionKey, "CurrentVersion"));
    EXPECT_FALSE(win.registryString(RegistryHive::LocalMachine, kVersionKey, "NoSuchValueOfDro"));
    EXPECT_FALSE(win.registryString(RegistryHive::CurrentUser, "Software\\NoSuchKeyOfDro", "x"));

    // A program without a compatibility manifest is told Windows 8 at most.
    const VersionInfo v = win.reportedVersion();
    EXPECT_TRUE(v.major == 5 || v.major == 6) << v.major << "." << v.minor;
    if (v.major == 6) {
        EXPECT_LE(v.minor, 2u);
    }
    EXPECT_GT(v.build, 0u);

    const std::uint16_t arch = win.nativeProcessorArchitecture();
    EXPECT_TRUE(arch == kProcessorArchitectureIntel || arch == kProcessorArchitectureAmd64) << arch;
}

TEST(SystemContract, ErrorTextsAreTheSystemOnes) {
    Sandbox sb;
    auto& win = sb.win();
    const std::string notFound = win.formatMessage(kErrorFileNotFound);
    const std::string denied = win.formatMessage(kErrorAccessDenied);
    // An HRESULT of a Win32 error reads as the error; a code without a text
    // has none. The line end that FormatMessage leaves is gone.
    EXPECT_EQ(win.formatMessage(static_cast<std::uint32_t>(hresultFromWin32(kErrorAccessDenied))),
              denied);
    EXPECT_EQ(win.formatMessage(0x2000ABCDu), "");
    ASSERT_FALSE(denied.empty());
    EXPECT_EQ(denied.find_first_of("\r\n"), std::string::npos) << denied;
    EXPECT_NE(denied.back(), ' ');
#ifdef _WIN32
    // Wine has texts of its own; Windows gives them in the user's language.
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (ntdll && ::GetProcAddress(ntdll, "wine_get_version"))
        GTEST_SKIP() << "Wine's texts: " << notFound << " / " << denied;
    if (PRIMARYLANGID(::GetUserDefaultUILanguage()) != LANG_ENGLISH)
        GTEST_SKIP() << "the system's messages are not in English";
#endif
    EXPECT_EQ(notFound, "The system cannot find the file specified.");
    EXPECT_EQ(denied, "Access is denied.");
}

TEST(SystemContract, DiskSpaceAndSystemFolders) {
    Sandbox sb;
    auto& win = sb.win();
    auto space = win.diskFreeSpace(sb.root());
    ASSERT_TRUE(space) << space.error();
    EXPECT_GT(space->total, 0u);
    EXPECT_LE(space->totalFree, space->total);
    EXPECT_LE(space->freeToCaller, space->totalFree);
    auto drive = win.diskFreeSpace(sb.root().substr(0, 2));
    ASSERT_TRUE(drive) << drive.error();
    EXPECT_GT(drive->total, 0u);
    EXPECT_EQ(win.diskFreeSpace(sb.path("none\\deeper")).error(), kErrorPathNotFound);

    auto system = win.systemDirectory();
    ASSERT_TRUE(system);
    EXPECT_TRUE(equalsIgnoreCase(system->substr(system->size() - 9), "\\system32")) << *system;
    auto attributes = win.fileAttributes(*system);
    ASSERT_TRUE(attributes);
    EXPECT_TRUE(*attributes & kFileAttributeDirectory);

    const std::uint32_t before = win.tickCount();
    const std::uint32_t after = win.tickCount();
    EXPECT_LT(after - before, 10000u);
}
