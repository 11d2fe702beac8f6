#include <filesystem>

#include <gtest/gtest.h>

#include "LaunchScriptFiles.h"
#include "TestMachine.h"
#include "support/Errors.h"
#include "support/LaunchScripts.h"

using namespace support;
using testmachine::TestMachine;
namespace fs = std::filesystem;

using testmachine::kDosBoxScriptFile;
using testmachine::kNativeScriptFile;

TEST(LaunchScripts, TemplatesHaveTheirExactSizes) {
    EXPECT_EQ(NativeLaunchScript.size(), 339u);
    EXPECT_EQ(DosBoxLaunchScript.size(), 225u);
    EXPECT_EQ(DosBoxDemoLaunchScript.size(), 225u);
}

class WriteLaunchScriptTest : public ::testing::Test {
protected:
    TestMachine m;
    void SetUp() override { m.makeFolders("C:\\DRO2015"); }
};

TEST_F(WriteLaunchScriptTest, ChoosesTheTemplateByNameAndPackage) {
    WriteLaunchScript(m.win(), "C:\\DRO2015", "DRO2015.bat", "Mono.exe");
    EXPECT_EQ(m.readFile("C:\\DRO2015\\DRO2015.bat"), kNativeScriptFile);
    EXPECT_EQ(kNativeScriptFile.size(), 341u);

    WriteLaunchScript(m.win(), "C:\\DRO2015", "S64.bat", "Mono.exe");
    EXPECT_EQ(m.readFile("C:\\DRO2015\\S64.bat"), kDosBoxScriptFile);
    EXPECT_EQ(kDosBoxScriptFile.size(), 227u);

    WriteLaunchScript(m.win(), "C:\\DRO2015", "S64.bat", "DroDemo.exe");
    EXPECT_EQ(m.readFile("C:\\DRO2015\\S64.bat"), testmachine::kDosBoxDemoScriptFile);
    // The comparisons are case-sensitive.
    WriteLaunchScript(m.win(), "C:\\DRO2015", "S64.bat", "DRODEMO.EXE");
    EXPECT_EQ(m.readFile("C:\\DRO2015\\S64.bat"), kDosBoxScriptFile);
    WriteLaunchScript(m.win(), "C:\\DRO2015", "s64.bat", "Mono.exe");
    EXPECT_EQ(m.readFile("C:\\DRO2015\\S64.bat"), kNativeScriptFile);
}

TEST(PackageState, FailedRestoreKeepsTheFandConfiguration) {
    TestMachine m;
    const std::string dro = "C:\\DRO2015";
    m.writeFile(dro + "\\{rt42}\\fandcfg.dro", std::string(40000, 'b'));
    m.writeFile(dro + "\\{rt42}\\fand.cfg", "current");
    m.failWritesTo("{rt42}/fand.cfg", 10000);
    EXPECT_THROW(RestoreFandConfig(m.win(), dro), EInOutError);
    EXPECT_EQ(m.readFile(dro + "\\{rt42}\\fand.cfg"), "current");
}

class ConfigNtTest : public ::testing::Test {
protected:
    TestMachine m;
    const std::string nt = "C:\\windows\\system32\\Config.nt";
    const std::string dro = "C:\\windows\\system32\\Config.DRO";
};

TEST_F(ConfigNtTest, FilesLinesBecomeFiles211) {
    m.writeFile(nt, "dos=high, umb\r\nREM the FILES setting\r\nfiles=40\r\ndevice=x\r\n");
    EnsureConfigNtFiles(m.win());
    EXPECT_EQ(m.readFile(nt), "dos=high, umb\r\nFILES=211\r\nFILES=211\r\ndevice=x\r\n");
    EXPECT_EQ(m.readFile(dro),
              "dos=high, umb\r\nREM the FILES setting\r\nfiles=40\r\ndevice=x\r\n");
}

TEST_F(ConfigNtTest, NoLineIsAddedAndLineEndsBecomeCrLf) {
    m.writeFile(nt, "dos=high\nEMM=RAM\rdevice=%SystemRoot%\\system32\\himem.sys\x1a");
    EnsureConfigNtFiles(m.win());
    const std::string expected =
        "dos=high\r\nEMM=RAM\r\ndevice=%SystemRoot%\\system32\\himem.sys\r\n";
    EXPECT_EQ(m.readFile(nt), expected);
    EXPECT_EQ(m.readFile(dro), expected);
}

TEST_F(ConfigNtTest, BytesOfOtherCodePagesPassUnchanged) {
    m.writeFile(nt, std::string("REM \xE8\xED\x00sla\r\nfiles=20", 18));
    EnsureConfigNtFiles(m.win());
    EXPECT_EQ(m.readFile(nt), std::string("REM \xE8\xED\x00sla\r\nFILES=211\r\n", 23));
}

TEST_F(ConfigNtTest, MissingConfigNtLeavesTheSystemFolderAlone) {
    EnsureConfigNtFiles(m.win());
    EXPECT_FALSE(m.exists(nt));
    EXPECT_FALSE(m.exists(dro));
}

// A failure while Config.nt is written anew leaves the old one whole.
TEST_F(ConfigNtTest, FailedRewriteKeepsTheOldConfigNt) {
    const std::string original = "files=40\r\n" + std::string(9000, 'r') + "\r\n";
    m.writeFile(nt, original);
    m.failWritesTo("system32/Config.nt", 100);
    try {
        EnsureConfigNtFiles(m.win());
        FAIL();
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "Disk full");
    }
    EXPECT_EQ(m.readFile(nt), original);
    EXPECT_EQ(m.readFile(dro), original);
    for (const auto& e : fs::directory_iterator(m.host("C:\\windows\\system32")))
        EXPECT_EQ(e.path().filename().string().find(".~"), std::string::npos);
}

TEST_F(ConfigNtTest, UnwritableConfigDroStopsBeforeConfigNt) {
    m.writeFile(nt, "files=40\r\n");
    m.writeFile(dro, "old copy");
    fs::permissions(m.host(dro), fs::perms::owner_read);
    EXPECT_THROW(EnsureConfigNtFiles(m.win()), EInOutError);
    EXPECT_EQ(m.readFile(nt), "files=40\r\n");
}

// Read-only files of the user's installation are refused whole, never
// replaced half-way.
TEST_F(ConfigNtTest, ReadOnlyConfigNtIsReportedAndKept) {
    m.writeFile(nt, "files=40\r\n");
    fs::permissions(m.host(nt), fs::perms::owner_read);
    try {
        EnsureConfigNtFiles(m.win());
        FAIL();
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "File access denied");
    }
    EXPECT_EQ(m.readFile(nt), "files=40\r\n");
    EXPECT_EQ(m.readFile(dro), "files=40\r\n");
    for (const auto& e : fs::directory_iterator(m.host("C:\\windows\\system32")))
        EXPECT_EQ(e.path().filename().string().find(".~"), std::string::npos);
}

TEST(PackageState, ReadOnlyFandConfigurationIsNotReplaced) {
    TestMachine m;
    const std::string dro = "C:\\DRO2015";
    m.writeFile(dro + "\\{rt42}\\fandcfg.dro", "backup");
    m.writeFile(dro + "\\{rt42}\\fand.cfg", "current");
    fs::permissions(m.host(dro + "\\{rt42}\\fand.cfg"), fs::perms::owner_read);
    EXPECT_THROW(RestoreFandConfig(m.win(), dro), EFCreateError);
    EXPECT_EQ(m.readFile(dro + "\\{rt42}\\fand.cfg"), "current");
}
