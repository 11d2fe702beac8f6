// Start-up: command line, modes, captions, the finished-state display, the
// 64-bit option and the help link.
#include "InstallerRig.h"
#include "support/Utilities.h"

using namespace installertest;
using installer::TInstal;
using platform::kMbIconError;

TEST(StartUp, FullPackageOn64BitWindowsPreparesTheWindow) {
    Rig r;
    TInstal& f = r.start({"2015", "Mono.exe"});
    const double date = support::FileDateOf(r.m.win(), kInstallerFolder + "\\Mono.exe");
    EXPECT_EQ(f.window.caption, "Instalace programu DRO2015  sestavena dne " +
                                    installer::FormatShortDate(date, "d.M.yyyy"));
    EXPECT_EQ(f.InstallerFolder, kInstallerFolder);
    EXPECT_EQ(f.TargetFolder, "C:\\DRO");
    EXPECT_EQ(f.window.VyberAdr.text(), "C:\\DRO");
    EXPECT_EQ(f.window.EdSlozka.text(), "DRO2015");
    EXPECT_TRUE(f.window.ChckJeto64bit.checked);
    EXPECT_TRUE(f.window.EdSlozka.enabled);
    EXPECT_TRUE(f.window.BtnInstal.usable());
    EXPECT_FALSE(f.window.btnAktualizovat.visible);
    EXPECT_FALSE(f.window.UkazPrubeh.visible);
    EXPECT_EQ(f.window.focus, "VyberAdr");
    EXPECT_TRUE(r.m.ui.shown().empty());

    // Closing an idle installer says nothing and leaves everything alone.
    r.press(&TInstal::BtnZrusClick);
    EXPECT_TRUE(f.closed());
    EXPECT_TRUE(r.m.ui.shown().empty());
    EXPECT_TRUE(r.m.exists(kInstallerFolder + "\\Mono.exe"));
}

TEST(StartUp, WrongParametersCloseTheInstaller) {
    const std::vector<std::vector<std::string>> cases{{"0", "Mono.exe"},     {"-5", "Mono.exe"},
                                                      {"2015", "lan.exe"},   {"2015", "LAN.EXE"},
                                                      {"2015", "Setup.exe"}, {"2015"}};
    for (const auto& args : cases) {
        Rig r;
        TInstal& f = r.start(args);
        EXPECT_TRUE(f.closed()) << args.size();
        ASSERT_EQ(r.m.ui.shown().size(), 1u);
        EXPECT_EQ(r.m.ui.shown()[0].text, "Chybné vstupní parametry, program se ukončí.");
        EXPECT_EQ(r.m.ui.shown()[0].title, "Varování");
        EXPECT_EQ(r.m.ui.shown()[0].style, platform::kMbOk | kMbIconError);
    }
}

TEST(StartUp, VersionThatIsNoNumberIsReportedThenTheInstallerCloses) {
    Rig r;
    TInstal& f = r.start({"2015a", "Mono.exe"});
    EXPECT_TRUE(f.closed());
    EXPECT_EQ(r.texts(),
              (std::vector<std::string>{"'2015a' is not a valid integer value.",
                                        "Chybné vstupní parametry, program se ukončí."}));
    EXPECT_EQ(r.m.ui.shown()[0].title, "Instalace DRO");
}

TEST(StartUp, LanPackageIsAcceptedByItsExactNameAndHasNo64BitOption) {
    Rig r;
    TInstal& f = r.start({"2015", "Lan.exe"});
    EXPECT_FALSE(f.closed());
    EXPECT_TRUE(f.isLanPackage());
    EXPECT_FALSE(f.window.ChckJeto64bit.checked);
    EXPECT_FALSE(f.window.ChckJeto64bit.visible);
}

TEST(StartUp, DemoPackageNamesItsFolderDemoAndUpperCasesItWithThe64BitOption) {
    Rig r;
    TInstal& f = r.start({"2015", "DroDemo.exe"});
    EXPECT_EQ(f.window.caption.substr(0, 32), "Instalace demoverze DRO2015  ses");
    EXPECT_EQ(f.window.EdSlozka.text(), "Demo2015");
    EXPECT_FALSE(f.window.EdSlozka.enabled); // 64-bit Windows

    f.window.ChckJeto64bit.checked = false;
    r.press(&TInstal::ChckJeto64bitClick);
    EXPECT_TRUE(f.window.EdSlozka.enabled);
    EXPECT_EQ(f.window.EdSlozka.text(), "Demo2015");
    f.window.ChckJeto64bit.checked = true;
    r.press(&TInstal::ChckJeto64bitClick);
    EXPECT_FALSE(f.window.EdSlozka.enabled);
    EXPECT_EQ(f.window.EdSlozka.text(), "DEMO2015");
}

TEST(StartUp, UpdateModeOffersOnlyTheUpdateAndClose) {
    Rig r(machine(WindowsRelease::Seven, false));
    TInstal& f = r.start({"2015", "Mono.exe", "-", "update"});
    EXPECT_EQ(f.window.caption.substr(0, 30), "Aktualizace programu DRO2015  ");
    EXPECT_FALSE(f.window.BtnInstal.visible);
    EXPECT_TRUE(f.window.btnAktualizovat.usable());
    EXPECT_FALSE(f.window.ChckJeto64bit.visible);
    EXPECT_EQ(f.window.BtnZrus.text(), "Zrušit");
}

TEST(StartUp, MissingPackageFileLeavesOnlyTheCloseButton) {
    Rig r;
    ASSERT_EQ(r.m.win().deleteFile(kInstallerFolder + "\\InetM.exe"), platform::kErrorSuccess);
    TInstal& f = r.start({"2015", "InetM.exe"});
    EXPECT_NE(f.window.caption.find("sestavena dne 30.12.1899"), std::string::npos);
    EXPECT_FALSE(f.window.BtnInstal.enabled);
    EXPECT_TRUE(f.window.LblKonec.visible);
    EXPECT_EQ(f.window.LblKonec.text(), "Soubor pro instalaci (aktualizací) DRO nenalezen!");
    EXPECT_EQ(f.window.BtnZrus.text(), "&Konec");
    EXPECT_FALSE(f.window.BtnProjit.visible);
    EXPECT_TRUE(f.window.EdSlozka.readOnly);
    EXPECT_TRUE(r.m.ui.shown().empty());
    r.press(&TInstal::BtnZrusClick);
    EXPECT_TRUE(f.closed());
    EXPECT_TRUE(r.m.ui.shown().empty());
}

TEST(StartUp, ShortDateFollowsTheUsersRegionalSetting) {
    EXPECT_EQ(installer::FormatShortDate(0, "d.M.yyyy"), "30.12.1899");
    EXPECT_EQ(installer::FormatShortDate(42005.75, "dd.MM.yyyy"), "01.01.2015");
    EXPECT_EQ(installer::FormatShortDate(42036, "M/d/yy"), "2/1/15");
    EXPECT_EQ(installer::FormatShortDate(42036, "yyyy-MM-dd' r.'"), "2015-02-01 r.");

    Rig r;
    std::ofstream(r.m.prefix() + "/user.reg")
        << "WINE REGISTRY Version 2\n\n[Control Panel\\\\International] 1700000000\n"
           "\"sShortDate\"=\"yyyy-MM-dd\"\n";
    auto win = r.m.another(r.m.ui);
    EXPECT_EQ(installer::ShortDatePattern(*win), "yyyy-MM-dd");
    EXPECT_EQ(installer::ShortDatePattern(r.m.win()), "d.M.yyyy");
}

TEST(StartUp, HelpLinkOpensTheInstallationNotesOrTheHomePage) {
    Rig r;
    // A desktop opener that notes what it was asked to open.
    const std::string bin = r.m.root() + "/bin";
    fs::create_directories(bin);
    const std::string opened = r.m.root() + "/opened";
    std::ofstream(bin + "/xdg-open") << "#!/bin/sh\necho \"$1\" >> " << opened << "\n";
    fs::permissions(bin + "/xdg-open", fs::perms::owner_all);
    const std::string path = std::getenv("PATH");
    ::setenv("PATH", (bin + ":" + path).c_str(), 1);

    r.start({"2015", "Mono.exe"});
    r.press(&TInstal::lblWWWdroClick);
    EXPECT_TRUE(waitForText(opened, std::string(installer::kMakerWebSite) + "/Upgr15.html\n"));

    Rig u;
    u.start({"2015", "Mono.exe", "", "update"});
    u.press(&TInstal::lblWWWdroClick);
    EXPECT_TRUE(waitForText(opened, std::string(installer::kMakerWebSite) + "\n"));
    ::setenv("PATH", path.c_str(), 1);
}
