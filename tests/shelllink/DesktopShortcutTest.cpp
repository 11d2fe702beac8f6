// The desktop shortcut made in an emulated Windows: the template for the
// Windows version, the free name, the missing template, a damaged template,
// and the link and location file that result.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "LinkTestSupport.h"
#include "TestMachine.h"
#include "linux/ShellLinkFile.h"
#include "support/DesktopShortcut.h"
#include "support/Errors.h"

using namespace platform;
using namespace linktest;
using testmachine::TestMachine;
using testmachine::WindowsRelease;

namespace {

const char* const kTemplates[] = {"DroWin7.sss", "DroWin7.s64", "DroWin8.sss", "DroWin10.sss"};
const std::string kDesktop = "C:\\users\\tester\\Desktop\\";

// A machine with the package unpacked into the installation folder.
std::unique_ptr<TestMachine> machineWithPackage(WindowsRelease release,
                                                const std::string& folder = "C:\\DRO2016") {
    testmachine::MachineSetup setup;
    setup.release = release;
    auto m = std::make_unique<TestMachine>(setup);
    m->makeFolders(folder);
    for (const char* t : kTemplates)
        m->writeFile(folder + "\\" + t, readBytes(kFixtures / t));
    m->writeFile(folder + "\\S64.bat", "@echo off\r\n");
    return m;
}

void create(TestMachine& m, const std::string& folder = "C:\\DRO2016", bool is64 = true) {
    support::CreateDesktopShortcut(m.win(), "2016", folder, folder,
                                   is64 ? "\\S64.bat" : "\\Dro2016.bat", "DRO2016.lnk",
                                   "DRO2016.ico", is64);
}

} // namespace

TEST(DesktopShortcut, TemplateFollowsTheWindowsVersionAndThe64BitOption) {
    struct Case {
        WindowsRelease release;
        bool is64;
        const char* expected;
    };
    const Case cases[] = {
        {WindowsRelease::Vista, true, "DroWin7.s64"},
        {WindowsRelease::Seven, true, "DroWin7.s64"},
        {WindowsRelease::Seven, false, "DroWin7.sss"},
        {WindowsRelease::Eight, true, "DroWin8.sss"},
        {WindowsRelease::EightOne, true, "DroWin8.sss"},
        {WindowsRelease::Ten, true, "DroWin10.sss"},
        {WindowsRelease::Eleven, false, "DroWin10.sss"},
    };
    for (const Case& c : cases) {
        testmachine::MachineSetup setup;
        setup.release = c.release;
        TestMachine m(setup);
        EXPECT_EQ(support::LinkTemplateFile(m.win(), c.is64), c.expected) << c.expected;
    }
}

TEST(DesktopShortcut, PointsAtTheScriptAndKeepsTheTemplatesData) {
    auto m = machineWithPackage(WindowsRelease::Ten);
    create(*m);
    const std::string link = kDesktop + "DRO2016.lnk";
    ASSERT_TRUE(m->exists(link));
    EXPECT_TRUE(m->ui.shown().empty());
    EXPECT_EQ(m->readFile("C:\\DRO2016\\KdeJeZas.ttx"), link + "\r\n");

    const std::string report = lnkinfo(m->host(link));
    EXPECT_TRUE(shows(report, "Local path", "C:\\DRO2016\\S64.bat")) << report;
    EXPECT_TRUE(shows(report, "Working directory", "C:\\DRO2016")) << report;
    EXPECT_TRUE(shows(report, "Icon location", "C:\\DRO2016\\DRO2016.ico")) << report;
    EXPECT_TRUE(shows(report, "Description", "Účetnictví DRO 2015 – Windows 10")) << report;
    EXPECT_TRUE(shows(report, "Command line arguments", "/m /x")) << report;
    EXPECT_TRUE(shows(report, "Machine identifier", "ucetni-pc")) << report;
    // Show command and hot key; the rest of the template's data is checked
    // byte for byte by the link file tests.
    EXPECT_EQ(m->readFile(link).substr(0x3C, 6),
              readBytes(kFixtures / "DroWin10.sss").substr(0x3C, 6));
}

TEST(DesktopShortcut, FirstFreeNameIsTakenAndRecorded) {
    auto m = machineWithPackage(WindowsRelease::Seven);
    m->writeFile(kDesktop + "DRO2016.lnk", "someone else's");
    m->makeFolders(kDesktop + "DRO2016_1.lnk");
    create(*m, "C:\\DRO2016", false);
    EXPECT_EQ(m->readFile(kDesktop + "DRO2016.lnk"), "someone else's");
    ASSERT_TRUE(m->exists(kDesktop + "DRO2016_2.lnk"));
    EXPECT_TRUE(shows(lnkinfo(m->host(kDesktop + "DRO2016_2.lnk")), "Local path",
                      "C:\\DRO2016\\Dro2016.bat"));
    EXPECT_EQ(m->readFile("C:\\DRO2016\\KdeJeZas.ttx"), kDesktop + "DRO2016_2.lnk\r\n");

    // A second run makes another shortcut and replaces the record.
    create(*m, "C:\\DRO2016", false);
    EXPECT_TRUE(m->exists(kDesktop + "DRO2016_3.lnk"));
    EXPECT_EQ(m->readFile("C:\\DRO2016\\KdeJeZas.ttx"), kDesktop + "DRO2016_3.lnk\r\n");
}

TEST(DesktopShortcut, MissingTemplateShowsOneMessageAndCreatesNothing) {
    auto m = machineWithPackage(WindowsRelease::EightOne);
    ASSERT_EQ(m->win().deleteFile("C:\\DRO2016\\DroWin8.sss"), kErrorSuccess);
    create(*m);
    ASSERT_EQ(m->ui.shown().size(), 1u);
    EXPECT_EQ(m->ui.shown()[0].title, "Informace");
    EXPECT_EQ(m->ui.shown()[0].style, kMbOk);
    EXPECT_EQ(m->ui.shown()[0].text, "Zástupce programu DRO2016 nelze vytvořit!\r\n\r\n"
                                     "Nenalezen soubor C:\\DRO2016\\DroWin8.sss.");
    EXPECT_FALSE(m->win().findFiles(kDesktop + "*.lnk").ok());
    EXPECT_FALSE(m->exists("C:\\DRO2016\\KdeJeZas.ttx"));
}

TEST(DesktopShortcut, DamagedTemplateRaisesTheSystemErrorAndRemovesTheCopy) {
    auto m = machineWithPackage(WindowsRelease::Ten);
    const std::string damaged = readBytes(kFixtures / "DroWin10.sss").substr(0, 300);
    m->writeFile("C:\\DRO2016\\DroWin10.sss", damaged);
    try {
        create(*m);
        FAIL() << "no error";
    } catch (const support::EOSError& e) {
        EXPECT_EQ(e.code(), 0x80070026u);
        EXPECT_EQ(std::string(e.what()),
                  "System Error.  Code: 0x80070026.\r\nReached the end of the file.");
    }
    EXPECT_FALSE(m->win().findFiles(kDesktop + "*.lnk").ok());
    EXPECT_FALSE(m->exists("C:\\DRO2016\\KdeJeZas.ttx"));
}

TEST(DesktopShortcut, CzechInstallationFolder) {
    auto m = machineWithPackage(WindowsRelease::Ten, "C:\\Účetnictví");
    create(*m, "C:\\Účetnictví");
    const std::string report = lnkinfo(m->host(kDesktop + "DRO2016.lnk"));
    EXPECT_TRUE(shows(report, "Local path", "C:\\Účetnictví\\S64.bat")) << report;
    EXPECT_TRUE(shows(report, "Working directory", "C:\\Účetnictví")) << report;
    EXPECT_TRUE(shows(report, "Icon location", "C:\\Účetnictví\\DRO2016.ico")) << report;
    EXPECT_TRUE(shows(report, "Long name", "Účetnictví")) << report;
}

TEST(DesktopShortcut, LinkRecordsWhatTheDirectorySearchFindsOfTheTarget) {
    auto m = machineWithPackage(WindowsRelease::Ten);
    m->writeFile("C:\\DRO2016\\S64.bat", std::string(1234, 'x'));
    const std::string link = m->host("C:\\DRO2016\\DroWin10.sss");
    const ShellLinkChange change{false, "C:\\DRO2016\\S64.bat", "C:\\DRO2016",
                                 "C:\\DRO2016\\DRO2016.ico", 0};
    ASSERT_EQ(shelllink::updateLinkFile(link, change, shelllink::lookupThrough(m->win())).result,
              kSOk);
    const std::string report = lnkinfo(link);
    EXPECT_TRUE(shows(report, "File size", "1234 bytes")) << report;
    EXPECT_TRUE(shows(report, "Local path", "C:\\DRO2016\\S64.bat")) << report;
}
