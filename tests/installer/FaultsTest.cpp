// Faults of the disk and of the package's programs, and hostile names: each
// run ends as the window's rules say, and nothing of the user's installation
// (fand.cfg, Config.nt) is lost.
#include "InstallerRig.h"

using namespace installertest;
using installer::TInstal;

namespace {

const std::string kConfigNt = "C:\\windows\\system32\\Config.nt";

} // namespace

TEST(Faults, DiskFullDuringThePackageCopyKeepsTheInstallation) {
    Rig r;
    r.existingInstallation(kTarget);
    r.m.failWritesTo("DRO2015/Mono.exe", 100);
    TInstal& f = r.start({"2015", "Mono.exe"});
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    ASSERT_EQ(r.texts().size(), 2u);
    EXPECT_EQ(r.texts()[1], "Disk full.");
    EXPECT_FALSE(f.closed());
    // No partial package file, nothing started, nothing of the user's lost.
    EXPECT_FALSE(r.m.exists(kTarget + "\\Mono.exe"));
    for (const auto& e : fs::directory_iterator(r.hostTarget()))
        EXPECT_EQ(e.path().filename().string().find(".~"), std::string::npos) << e.path();
    EXPECT_EQ(r.programs(), "");
    EXPECT_EQ(r.m.readFile(kTarget + "\\{rt42}\\fand.cfg"), "user's own configuration\r\n");
    EXPECT_EQ(r.m.readFile(kConfigNt), "dos=high\r\nfiles=40\r\n");
}

TEST(Faults, PackageFileThatCannotStartOrFailsLeavesTheUsersFilesWhole) {
    for (const std::string& package :
         {std::string("#!/bin/sh\nexit 3\n"), std::string("#!/bin/sh\nkill -9 $$\n")}) {
        SCOPED_TRACE(package);
        Rig r;
        r.existingInstallation(kTarget);
        r.m.writeFile(kInstallerFolder + "\\Mono.exe", package);
        TInstal& f = r.start({"2015", "Mono.exe"});
        r.m.ui.answer("OK");
        r.press(&TInstal::BtnInstalClick);
        // The run goes on as if the package had been unpacked.
        EXPECT_TRUE(f.closed());
        EXPECT_EQ(r.m.readFile(kTarget + "\\{rt42}\\fand.cfg"), "user's own configuration\r\n");
        EXPECT_EQ(r.m.readFile(kTarget + "\\{rt42}\\fandcfg.dro"), "user's own configuration\r\n");
        EXPECT_EQ(r.m.readFile(kConfigNt), "dos=high\r\nFILES=211\r\n");
        EXPECT_EQ(r.m.readFile("C:\\windows\\system32\\Config.DRO"), "dos=high\r\nfiles=40\r\n");
    }
    // One that cannot be started at all ends the run with the system's text.
    Rig r;
    r.existingInstallation(kTarget);
    r.m.writeFile(kInstallerFolder + "\\Mono.exe", "garbage");
    TInstal& f = r.start({"2015", "Mono.exe"});
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    ASSERT_EQ(r.texts().size(), 2u);
    EXPECT_EQ(r.texts()[1], "%1 is not a valid Win32 application.");
    EXPECT_FALSE(f.closed());
    EXPECT_FALSE(r.m.exists(kTarget + "\\S64.bat"));
    r.press(&TInstal::BtnZrusClick);
    EXPECT_TRUE(f.closed());
    EXPECT_EQ(r.texts().size(), 2u);
}

// A run that an error ends claims no installation: closing shows no success
// and makes no shortcut, puts the user's configuration back and deletes
// nothing that the run did not copy.
TEST(Faults, FailedRunClaimsNoInstallation) {
    Rig r;
    r.existingInstallation(kTarget);
    r.m.makeFolders("C:\\windows\\system32\\Config.DRO"); // Config.DRO cannot be written
    TInstal& f = r.start({"2015", "Mono.exe", "X"});
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    ASSERT_EQ(r.texts().size(), 2u);
    EXPECT_FALSE(f.closed());
    EXPECT_NE(r.m.readFile(kTarget + "\\{rt42}\\fand.cfg"), "user's own configuration\r\n");
    r.press(&TInstal::BtnZrusClick);
    EXPECT_TRUE(f.closed());
    EXPECT_EQ(r.texts().size(), 2u);
    EXPECT_EQ(r.m.readFile(kTarget + "\\{rt42}\\fand.cfg"), "user's own configuration\r\n");
    EXPECT_TRUE(fs::is_empty(r.m.host("C:\\users\\tester\\Desktop")));

    // An update whose copy fails: the installation's own package file stays.
    Rig u;
    u.existingInstallation(kTarget);
    u.m.writeFile(kTarget + "\\Mono.exe", "the installation's own");
    u.m.failWritesTo("DRO2015/Mono.exe", 100);
    TInstal& g = u.start({"2015", "Mono.exe", "X", "update"});
    u.m.ui.answer("OK");
    u.press(&TInstal::btnAktualizovatClick);
    ASSERT_EQ(u.texts(), (std::vector<std::string>{
                             "Aktualizovat DRO2015 ve složce C:\\DRO\\DRO2015\\?", "Disk full."}));
    u.press(&TInstal::BtnZrusClick);
    EXPECT_TRUE(g.closed());
    EXPECT_EQ(u.texts().size(), 2u);
    EXPECT_EQ(u.m.readFile(kTarget + "\\Mono.exe"), "the installation's own");
}

// A damaged link template: the error is shown, its copy leaves the desktop,
// the configuration is put back and the installer closes.
TEST(Faults, ShortcutThatCannotBeMadeStillClosesTheInstaller) {
    Rig r;
    r.existingInstallation(kTarget);
    r.m.writeScript(kInstallerFolder + "\\Mono.exe",
                    "/bin/sh '" + kSamplePackage +
                        "/Mono.exe' || exit 1\n"
                        "head -c 300 DroWin10.sss > t && mv t DroWin10.sss\n");
    TInstal& f = r.start({"2015", "Mono.exe"});
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    ASSERT_EQ(r.texts().size(), 3u);
    EXPECT_EQ(r.texts()[1], "DRO nainstalováno do zvolenéné složky C:\\DRO\\DRO2015");
    EXPECT_EQ(r.texts()[2], "System Error.  Code: 0x80070026.\r\nReached the end of the file.");
    EXPECT_TRUE(f.closed());
    EXPECT_TRUE(fs::is_empty(r.m.host("C:\\users\\tester\\Desktop")));
    EXPECT_EQ(r.m.readFile(kTarget + "\\{rt42}\\fand.cfg"), "user's own configuration\r\n");
}

// A folder with a blank: the package runs from it, and C:\Program.exe, which
// an unquoted command line would start, never does.
TEST(Faults, FolderWithABlankStartsThePackageOnly) {
    Rig r;
    r.m.makeFolders("C:\\Program Files");
    r.m.writeScript("C:\\Program.exe",
                    "printf 'Program.exe %s\\n' \"$*\" >> \"$DRO_PROGRAM_LOG\"\n");
    TInstal& f = r.start({"2015", "Mono.exe"});
    r.m.ui.answer("C:\\Program Files");
    r.press(&TInstal::BtnProjitClick);
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    EXPECT_TRUE(f.closed());
    EXPECT_EQ(r.programs(), "Mono.exe " + r.m.host("C:\\Program Files\\DRO2015") + "\n");
    EXPECT_EQ(r.texts().back(), "DRO nainstalováno do zvolenéné složky C:\\PROGRAM FILES\\DRO2015");
}

TEST(Faults, VanishedDriveIsRefusedAndNothingIsWritten) {
    Rig r;
    TInstal& f = r.start({"2015", "Mono.exe"});
    f.window.VyberAdr.setText("Q:\\DRO");
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    EXPECT_TRUE(f.closed());
    EXPECT_EQ(r.programs(), "");
    EXPECT_EQ(r.m.readFile(kConfigNt), "dos=high\r\nfiles=40\r\n");
}

// Folder names reach the command line of the package file unquoted, but no
// shell ever reads it: nothing but the package starts.
TEST(Faults, HostileFolderNamesStartNothingElse) {
    for (const std::string& parent :
         {std::string("C:\\A;TOUCH"), std::string("C:\\$(TOUCH"), std::string("C:\\`TOUCH`")}) {
        SCOPED_TRACE(parent);
        Rig r;
        TInstal& f = r.start({"2015", "Mono.exe"});
        f.window.VyberAdr.setText(parent);
        r.m.ui.answer("OK");
        r.press(&TInstal::BtnInstalClick);
        EXPECT_TRUE(f.closed());
        EXPECT_EQ(r.programs(), "Mono.exe " + r.m.host(parent + "\\DRO2015") + "\n");
        EXPECT_TRUE(r.m.exists(parent + "\\DRO2015\\S64.bat"));
        for (const auto& e : fs::recursive_directory_iterator(r.m.root()))
            EXPECT_NE(e.path().filename().string(), "TOUCH") << e.path();
    }
    // A quote is no part of a Windows name: the folder cannot be made.
    Rig r;
    TInstal& f = r.start({"2015", "Mono.exe"});
    f.window.VyberAdr.setText("C:\\A\"B");
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    EXPECT_TRUE(f.closed());
    EXPECT_EQ(r.programs(), "");
}
