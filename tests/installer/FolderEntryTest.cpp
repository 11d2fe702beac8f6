// The target folder fields and the folder picker.
#include "InstallerRig.h"

using namespace installertest;
using installer::TInstal;

namespace {

// Types into the parent folder field and leaves it.
std::string leaveParent(Rig& r, const std::string& typed) {
    r.form->window.VyberAdr.setText(typed);
    r.press(&TInstal::VyberAdrExit);
    return r.form->window.VyberAdr.text();
}

} // namespace

TEST(FolderEntry, SixtyFourBitRulesKeepTheInstallationBelowAFolder) {
    Rig r;
    r.start({"2015", "Mono.exe"});
    // The drive root and the sub-folder: below DRO, without doubling it.
    EXPECT_EQ(leaveParent(r, "c:\\dro2015"), "C:\\DRO");
    EXPECT_EQ(leaveParent(r, "C:"), "C:\\DRO");
    EXPECT_EQ(leaveParent(r, "C:\\DATA\\"), "C:\\DATA");
    EXPECT_TRUE(r.m.ui.shown().empty());
    EXPECT_EQ(r.form->window.focus, "BtnInstal");
}

TEST(FolderEntry, WithoutThe64BitOptionATrailingSubFolderIsDropped) {
    Rig r(machine(WindowsRelease::Seven, false));
    r.start({"2015", "Mono.exe", "", "update"});
    EXPECT_EQ(leaveParent(r, "C:\\DRO2015"), "C:");
    EXPECT_EQ(r.form->window.focus, "btnAktualizovat");
    EXPECT_EQ(leaveParent(r, "C:\\Program Files\\DRO"), "C:\\PROGRAM");
    EXPECT_TRUE(r.m.ui.shown().empty());
}

TEST(FolderEntry, PathWithoutADriveIsRefusedForTheLastGoodOne) {
    Rig r;
    r.start({"2015", "Mono.exe"});
    EXPECT_EQ(leaveParent(r, "D:\\NOWHERE"), "C:\\DRO");
    EXPECT_EQ(leaveParent(r, "C:\\TOOLS"), "C:\\TOOLS");
    EXPECT_EQ(leaveParent(r, "\\\\server\\share"), "C:\\TOOLS");
    EXPECT_EQ(leaveParent(r, "DRO"), "C:\\TOOLS");
    EXPECT_EQ(r.texts(), (std::vector<std::string>{
                             "D:\\NOWHERE je neplatná cesta. Nastavena cesta C:\\DRO",
                             "\\\\SERVER\\SHARE je neplatná cesta. Nastavena cesta C:\\TOOLS",
                             "DRO je neplatná cesta. Nastavena cesta C:\\TOOLS"}));
    EXPECT_EQ(r.m.ui.shown()[0].title, "Varování");
}

TEST(FolderEntry, ProbeRemovesOnlyTheFoldersItMade) {
    Rig r;
    r.m.makeFolders("C:\\KEEP");
    r.start({"2015", "Mono.exe"});
    EXPECT_EQ(leaveParent(r, "C:\\NEW\\DEEP\\PATH"), "C:\\NEW\\DEEP\\PATH");
    EXPECT_FALSE(r.m.exists("C:\\NEW"));
    EXPECT_EQ(leaveParent(r, "C:\\KEEP"), "C:\\KEEP");
    EXPECT_TRUE(r.m.exists("C:\\KEEP"));
    // A file in the way is no folder.
    r.m.writeFile("C:\\FILE", "x");
    EXPECT_EQ(leaveParent(r, "C:\\FILE\\SUB"), "C:\\KEEP");
    EXPECT_EQ(r.m.readFile("C:\\FILE"), "x");
}

TEST(FolderEntry, EmptySubFolderGetsTheDefault) {
    for (const char* package : {"Mono.exe", "DroDemo.exe"}) {
        Rig r(machine(WindowsRelease::Ten, false));
        TInstal& f = r.start({"2015", package});
        f.window.EdSlozka.setText("   ");
        r.press(&TInstal::EdSlozkaExit);
        EXPECT_EQ(f.window.EdSlozka.text(), "DRO2015");
        EXPECT_EQ(r.texts(), (std::vector<std::string>{
                                 "Údaj Instalovat do složky musí být vyplněn!\n\r\n\rNastaví se "
                                 "implicitní složka DRO2015."}));
        f.window.EdSlozka.setText("  my dro");
        r.press(&TInstal::EdSlozkaExit);
        EXPECT_EQ(f.window.EdSlozka.text(), "MY");
    }
}

TEST(FolderEntry, PickerShowsTheChosenFolderAndPutsDriveRootsBelowDro) {
    Rig r;
    TInstal& f = r.start({"2015", "Mono.exe"});
    r.m.ui.answer("D:\\");
    r.press(&TInstal::BtnProjitClick);
    EXPECT_EQ(f.window.VyberAdr.text(), "D:\\DRO");
    EXPECT_EQ(f.TargetFolder, "D:\\DRO");
    EXPECT_EQ(r.m.ui.shown()[0].title, "Vyberte adresář");

    r.m.ui.answer("C:\\users\\tester");
    r.press(&TInstal::BtnProjitClick);
    EXPECT_EQ(f.window.VyberAdr.text(), "C:\\USERS\\TESTER");

    r.m.ui.answer(""); // cancelled: the field keeps its folder
    r.press(&TInstal::BtnProjitClick);
    EXPECT_EQ(f.window.VyberAdr.text(), "C:\\USERS\\TESTER");
    EXPECT_TRUE(r.m.ui.windowsEnabled());
}

TEST(FolderEntry, InstallationGoesWhereTheFieldsSay) {
    Rig r(machine(WindowsRelease::Ten, false));
    TInstal& f = r.start({"2015", "Mono.exe"});
    f.window.EdSlozka.setText("dro15");
    r.press(&TInstal::EdSlozkaExit);
    leaveParent(r, "C:\\ucto\\DRO15");
    EXPECT_EQ(f.window.VyberAdr.text(), "C:\\UCTO");
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    EXPECT_EQ(r.texts()[0], "Instalovat DRO2015 do složky C:\\UCTO\\DRO15\\?");
    EXPECT_TRUE(r.m.exists("C:\\UCTO\\DRO15\\DRO2015.bat"));
}
