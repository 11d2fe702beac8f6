// The desktop shortcut made in an emulated Windows: the template for the
// Windows version, the free name, the missing template, a damaged template,
// and the link and location file that result.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "LinkTestSupport.h"
#include "platform/LinuxWindows.h"
#include "platform/ScriptedUserInterface.h"
#include "support/DesktopShortcut.h"
#include "support/Errors.h"

namespace fs = std::filesystem;
using namespace platform;
using namespace linktest;

namespace {

const char* const kTemplates[] = {"DroWin7.sss", "DroWin7.s64", "DroWin8.sss", "DroWin10.sss"};

// An emulated Windows of the given version (the registry's CurrentVersion and
// CurrentMajorVersionNumber; no major number before Windows 10) with the
// package unpacked into C:\<folder>.
class Machine : public ::testing::Test {
protected:
    void TearDown() override {
        win_.reset();
        if (!root_.empty())
            fs::remove_all(root_);
    }

    void boot(const std::string& currentVersion, int majorNumber,
              const std::string& folder = "DRO2016", const std::string& user = "ucetni") {
        std::string pattern = (fs::temp_directory_path() / "shortcut-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        options_.prefix = (root_ / "prefix").string();
        options_.runtimeDir = (root_ / "run").string();
        options_.user = user;
        options_.ui = &ui_;
        makeLinuxWindows(options_); // lays the prefix out
        std::ofstream reg(root_ / "prefix" / "system.reg");
        reg << "WINE REGISTRY Version 2\n\n[Software\\\\Microsoft\\\\Windows "
               "NT\\\\CurrentVersion]\n"
            << "\"CurrentVersion\"=\"" << currentVersion << "\"\n";
        if (majorNumber)
            reg << "\"CurrentMajorVersionNumber\"=dword:" << majorNumber << "\n"
                << "\"CurrentMinorVersionNumber\"=dword:0\n";
        reg.close();
        win_ = makeLinuxWindows(options_);

        install_ = root_ / "prefix" / "drive_c" / folder;
        desktop_ = root_ / "prefix" / "drive_c" / "users" / user / "Desktop";
        fs::create_directories(install_);
        for (const char* t : kTemplates)
            fs::copy_file(kFixtures / t, install_ / t);
        std::ofstream(install_ / "S64.bat") << "@echo off\r\n";
    }

    void create(const std::string& folder = "C:\\DRO2016", bool is64 = true) {
        support::CreateDesktopShortcut(*win_, "2016", folder, folder,
                                       is64 ? "\\S64.bat" : "\\Dro2016.bat", "DRO2016.lnk",
                                       "DRO2016.ico", is64);
    }

    fs::path root_, install_, desktop_;
    ScriptedUserInterface ui_;
    LinuxWindowsOptions options_;
    std::unique_ptr<Windows> win_;
};

} // namespace

TEST_F(Machine, TemplateFollowsTheWindowsVersionAndThe64BitOption) {
    struct Case {
        std::string version;
        int major;
        bool is64;
        std::string expected;
    };
    const Case cases[] = {
        {"6.0", 0, true, "DroWin7.s64"},   {"6.1", 0, true, "DroWin7.s64"},
        {"6.1", 0, false, "DroWin7.sss"},  {"6.3", 0, true, "DroWin8.sss"},
        {"6.3", 10, true, "DroWin10.sss"}, {"6.3", 10, false, "DroWin10.sss"},
    };
    for (const Case& c : cases) {
        boot(c.version, c.major);
        EXPECT_EQ(support::LinkTemplateFile(*win_, c.is64), c.expected) << c.version << c.major;
        TearDown();
    }
}

TEST_F(Machine, ShortcutPointsAtTheScriptAndKeepsTheTemplatesData) {
    boot("6.3", 10);
    create();
    const fs::path link = desktop_ / "DRO2016.lnk";
    ASSERT_TRUE(fs::exists(link));
    EXPECT_TRUE(ui_.shown().empty());
    EXPECT_EQ(readBytes(install_ / "KdeJeZas.ttx"), "C:\\users\\ucetni\\Desktop\\DRO2016.lnk\r\n");

    const std::string report = lnkinfo(link);
    EXPECT_TRUE(shows(report, "Local path", "C:\\DRO2016\\S64.bat")) << report;
    EXPECT_TRUE(shows(report, "Working directory", "C:\\DRO2016")) << report;
    EXPECT_TRUE(shows(report, "Icon location", "C:\\DRO2016\\DRO2016.ico")) << report;
    EXPECT_TRUE(shows(report, "Description", "Účetnictví DRO 2015 – Windows 10")) << report;
    EXPECT_TRUE(shows(report, "Command line arguments", "/m /x")) << report;

    // Show command and hot key; the rest of the template's data is checked
    // byte for byte by the link file tests.
    EXPECT_EQ(readBytes(link).substr(0x3C, 6),
              readBytes(kFixtures / "DroWin10.sss").substr(0x3C, 6));
}

TEST_F(Machine, FirstFreeNameIsTakenAndRecorded) {
    boot("6.1", 0);
    std::ofstream(desktop_ / "DRO2016.lnk") << "someone else's";
    fs::create_directory(desktop_ / "DRO2016_1.lnk");
    create("C:\\DRO2016", false);
    EXPECT_EQ(readBytes(desktop_ / "DRO2016.lnk"), "someone else's");
    EXPECT_TRUE(fs::is_directory(desktop_ / "DRO2016_1.lnk"));
    ASSERT_TRUE(fs::exists(desktop_ / "DRO2016_2.lnk"));
    EXPECT_TRUE(
        shows(lnkinfo(desktop_ / "DRO2016_2.lnk"), "Local path", "C:\\DRO2016\\Dro2016.bat"));
    EXPECT_EQ(readBytes(install_ / "KdeJeZas.ttx"),
              "C:\\users\\ucetni\\Desktop\\DRO2016_2.lnk\r\n");

    // A second run makes another shortcut and replaces the record.
    create("C:\\DRO2016", false);
    EXPECT_TRUE(fs::exists(desktop_ / "DRO2016_3.lnk"));
    EXPECT_EQ(readBytes(install_ / "KdeJeZas.ttx"),
              "C:\\users\\ucetni\\Desktop\\DRO2016_3.lnk\r\n");
}

TEST_F(Machine, MissingTemplateShowsOneMessageAndCreatesNothing) {
    boot("6.3", 10);
    fs::remove(install_ / "DroWin10.sss");
    create();
    ASSERT_EQ(ui_.shown().size(), 1u);
    EXPECT_EQ(ui_.shown()[0].title, "Informace");
    EXPECT_EQ(ui_.shown()[0].style, kMbOk);
    EXPECT_EQ(ui_.shown()[0].text, "Zástupce programu DRO2016 nelze vytvořit!\r\n\r\n"
                                   "Nenalezen soubor C:\\DRO2016\\DroWin10.sss.");
    EXPECT_TRUE(fs::is_empty(desktop_));
    EXPECT_FALSE(fs::exists(install_ / "KdeJeZas.ttx"));
}

TEST_F(Machine, DamagedTemplateRaisesTheSystemErrorAndLeavesTheCopy) {
    boot("6.3", 10);
    const std::string damaged = readBytes(kFixtures / "DroWin10.sss").substr(0, 300);
    std::ofstream(install_ / "DroWin10.sss", std::ios::binary | std::ios::trunc) << damaged;
    try {
        create();
        FAIL() << "no error";
    } catch (const support::EOSError& e) {
        EXPECT_EQ(e.code(), 0x80070026u);
        EXPECT_EQ(std::string(e.what()),
                  "System Error.  Code: 0x80070026.\r\nReached the end of the file.");
    }
    EXPECT_EQ(readBytes(desktop_ / "DRO2016.lnk"), damaged);
    EXPECT_FALSE(fs::exists(install_ / "KdeJeZas.ttx"));
}

TEST_F(Machine, CzechNamesInTheLinkAndTheRecord) {
    boot("6.3", 10, "Účetnictví", "Účetní");
    create("C:\\Účetnictví");
    const fs::path link = desktop_ / "DRO2016.lnk";
    const std::string report = lnkinfo(link);
    EXPECT_TRUE(shows(report, "Local path", "C:\\Účetnictví\\S64.bat")) << report;
    EXPECT_TRUE(shows(report, "Working directory", "C:\\Účetnictví")) << report;
    EXPECT_TRUE(shows(report, "Icon location", "C:\\Účetnictví\\DRO2016.ico")) << report;
    // The record is in code page 1250.
    EXPECT_EQ(readBytes(install_ / "KdeJeZas.ttx"), "C:\\users\\\xDA\xE8"
                                                    "etn\xED\\Desktop\\DRO2016.lnk\r\n");
}
