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
    for (const std::string& package : {std::string("garbage"), std::string("#!/bin/sh\nexit 3\n"),
                                       std::string("#!/bin/sh\nkill -9 $$\n")}) {
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
