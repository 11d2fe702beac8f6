// The installation run and the completion of the close step, with their
// failure paths, on Windows XP, 7 and 10.
#include "InstallerRig.h"
#include "LaunchScriptFiles.h"

using namespace installertest;
using installer::TInstal;

namespace {

const std::string kDone = "DRO nainstalováno do zvolenéné složky C:\\DRO\\DRO2015";

} // namespace

TEST(InstallRun, FullInstallationOn64BitWindows10) {
    Rig r;
    TInstal& f = r.start({"2015", "Mono.exe"});
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);

    ASSERT_EQ(r.texts(), (std::vector<std::string>{
                             "Instalovat DRO2015 do složky C:\\DRO\\DRO2015\\?", kDone}));
    const auto& question = r.m.ui.shown()[0];
    EXPECT_EQ(question.title, "Dotaz");
    EXPECT_EQ(question.buttons, (std::vector<std::string>{"OK", "&Storno"}));
    EXPECT_EQ(r.m.ui.shown()[1].title, "Informace");
    EXPECT_EQ(r.m.ui.shown()[1].style, platform::kMbOk);
    EXPECT_TRUE(f.closed());

    // The package ran in the target, then the machine was adapted.
    EXPECT_EQ(r.programs(), "Mono.exe " + r.hostTarget() + "\n");
    EXPECT_EQ(r.m.readFile(kTarget + "\\S64.bat"), testmachine::kDosBoxScriptFile);
    EXPECT_FALSE(r.m.exists(kTarget + "\\DRO2015.bat"));
    EXPECT_EQ(r.m.readFile("C:\\windows\\system32\\Config.nt"), "dos=high\r\nFILES=211\r\n");
    EXPECT_EQ(r.m.readFile("C:\\windows\\system32\\Config.DRO"), "dos=high\r\nfiles=40\r\n");
    EXPECT_EQ(r.m.readFile(kTarget + "\\KdeJeZas.ttx"),
              "C:\\users\\tester\\Desktop\\DRO2015.lnk\r\n");
    EXPECT_TRUE(r.m.exists("C:\\users\\tester\\Desktop\\DRO2015.lnk"));
    EXPECT_FALSE(r.m.exists(kTarget + "\\Ikon.ini"));
    // Without "X" the package file and the archive piece stay.
    EXPECT_TRUE(r.m.exists(kTarget + "\\Mono.exe"));
    EXPECT_TRUE(r.m.exists(kTarget + "\\Sg.000"));
    EXPECT_TRUE(r.m.exists(kInstallerFolder + "\\Mono.exe"));
}

TEST(InstallRun, DeleteFlagRemovesTheArchivePieceAndTheCopiedPackageFile) {
    Rig r;
    TInstal& f = r.start({"2015", "InetS.exe", "X"});
    r.m.ui.answer("ok");
    r.press(&TInstal::BtnInstalClick);
    EXPECT_TRUE(f.closed());
    EXPECT_TRUE(r.m.exists(kTarget + "\\DRO.RDB"));
    EXPECT_FALSE(r.m.exists(kTarget + "\\Sg.000"));
    EXPECT_FALSE(r.m.exists(kTarget + "\\InetS.exe"));
    EXPECT_TRUE(r.m.exists(kInstallerFolder + "\\InetS.exe"));
}

TEST(InstallRun, RefusedQuestionChangesNothing) {
    for (const char* answer : {"Storno", ""}) {
        Rig r;
        TInstal& f = r.start({"2015", "Mono.exe", "X"});
        r.m.ui.answer(answer);
        r.press(&TInstal::BtnInstalClick);
        EXPECT_FALSE(f.closed());
        EXPECT_TRUE(f.NothingInstalled);
        EXPECT_TRUE(f.window.BtnInstal.usable());
        EXPECT_FALSE(r.m.exists("C:\\DRO"));
        EXPECT_EQ(r.m.ui.shown().size(), 1u);
    }
}

TEST(InstallRun, TooLittleFreeSpaceClosesWithoutInstalling) {
    Rig r(machine(testmachine::WindowsRelease::Ten, true, 499ULL << 20));
    TInstal& f = r.start({"2015", "Mono.exe"});
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    ASSERT_EQ(r.texts().size(), 2u);
    EXPECT_EQ(r.texts()[1], "Na disku C: není dostatek volného místa!");
    EXPECT_EQ(r.m.ui.shown()[1].title, "Varování");
    EXPECT_TRUE(f.closed());
    EXPECT_FALSE(r.m.exists(kTarget));

    // A network target names its share, as the free-space query asks it.
    Rig unc;
    TInstal& g = unc.start({"2015", "Mono.exe"});
    g.window.VyberAdr.setText("\\\\SERVER\\SHARE");
    unc.m.ui.answer("OK");
    unc.press(&TInstal::BtnInstalClick);
    ASSERT_EQ(unc.texts().size(), 2u);
    EXPECT_EQ(unc.texts()[1], "Na disku \\\\SERVER\\SHARE není dostatek volného místa!");
}

TEST(InstallRun, OtherVersionInTheTargetKeepsTheInstallerOpen) {
    Rig r;
    r.existingInstallation(kTarget, "2014");
    TInstal& f = r.start({"2015", "Mono.exe"});
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    ASSERT_EQ(r.texts().size(), 2u);
    EXPECT_EQ(r.texts()[1], "Ve zvolené složce je jiná verze programu než DRO2015!\r\n"
                            "Zvolený adresář C:\\DRO\\DRO2015 není prázdný.");
    EXPECT_FALSE(f.closed());
    EXPECT_TRUE(f.NothingInstalled);
    EXPECT_TRUE(f.window.BtnInstal.usable());
    EXPECT_FALSE(f.window.VyberAdr.readOnly);
    // The controls that the run disabled are back for another choice.
    for (const auto* c : {&f.window.VyberAdr, &f.window.EdSlozka, &f.window.BtnProjit,
                          &f.window.ChckJeto64bit, &f.window.BtnZrus})
        EXPECT_TRUE(c->usable()) << c->name();
    EXPECT_FALSE(r.m.exists(kTarget + "\\Mono.exe"));
}

TEST(InstallRun, SameVersionIsReinstalledKeepingTheUsersFandConfiguration) {
    Rig r;
    r.existingInstallation(kTarget);
    r.m.writeFile(kTarget + "\\{rt42}\\fandwork.$$$", "");
    TInstal& f = r.start({"2015", "Mono.exe"});
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    ASSERT_EQ(r.texts().size(), 3u);
    EXPECT_EQ(r.texts()[1], "Program DRO2015 je pravděpodobně spuštěn!!!\n\r\n\rUkončete DRO2015 "
                            "a pokračujte v instalci tlačítkem OK.");
    EXPECT_EQ(r.texts()[2], kDone);
    EXPECT_TRUE(f.closed());
    EXPECT_EQ(r.m.readFile(kTarget + "\\{rt42}\\fandcfg.dro"), "user's own configuration\r\n");
    EXPECT_EQ(r.m.readFile(kTarget + "\\{rt42}\\fand.cfg"), "user's own configuration\r\n");
}

TEST(InstallRun, DemoOverAnExistingInstallationIsRefused) {
    Rig r;
    r.existingInstallation("C:\\DRO\\Demo2015");
    TInstal& f = r.start({"2015", "DroDemo.exe", "X"});
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    ASSERT_EQ(r.texts().size(), 2u);
    EXPECT_EQ(r.texts()[1], "Ve zvolené složce již existuje demoverze DRO.\n\rPřepsání souborů "
                            "demoverze je zakázano!");
    EXPECT_TRUE(f.closed());
    EXPECT_FALSE(r.m.exists("C:\\DRO\\Demo2015\\DroDemo.exe"));
    EXPECT_FALSE(r.m.exists("C:\\DRO\\Demo2015\\{rt42}\\fandcfg.dro"));
    EXPECT_EQ(r.m.readFile("C:\\DRO\\Demo2015\\{rt42}\\fand.cfg"), "user's own configuration\r\n");
}

TEST(InstallRun, FolderThatCannotBeMadeClosesTheInstaller) {
    Rig r;
    r.m.writeFile("C:\\BLOCK", "a file where the folder should be");
    TInstal& f = r.start({"2015", "Mono.exe", "X"});
    f.window.VyberAdr.setText("C:\\BLOCK");
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    ASSERT_EQ(r.texts().size(), 2u);
    EXPECT_EQ(r.texts()[1], "Nepodařilo se založit složku pro instalaci!\n\rPřekontrolujte "
                            "přístupová práva a zkuste instalaci znovu.");
    EXPECT_TRUE(f.closed());
    EXPECT_FALSE(f.window.CheckBxZrus.checked);
    EXPECT_EQ(r.m.readFile("C:\\BLOCK"), "a file where the folder should be");
}

TEST(InstallRun, CopyErrorEndsTheRunAndLeavesTheWindowAsFarAsItGot) {
    Rig r;
    TInstal& f = r.start({"2015", "Mono.exe"});
    ASSERT_EQ(r.m.win().deleteFile(kInstallerFolder + "\\Mono.exe"), platform::kErrorSuccess);
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    ASSERT_EQ(r.texts().size(), 2u);
    EXPECT_EQ(r.texts()[1], "Cannot open file C:\\program\\Mono.exe.");
    EXPECT_EQ(r.m.ui.shown()[1].title, "Instalace DRO");
    EXPECT_FALSE(f.closed());
    EXPECT_TRUE(f.window.VyberAdr.readOnly);
    EXPECT_FALSE(f.window.BtnInstal.enabled);
    EXPECT_TRUE(f.window.BtnZrus.usable());
    // Closing now is no completion: no shortcut, no configuration work.
    r.press(&TInstal::BtnZrusClick);
    EXPECT_TRUE(f.closed());
    EXPECT_FALSE(r.m.exists(kTarget + "\\KdeJeZas.ttx"));
}

TEST(InstallRun, WindowsXpGetsTheIconIniAndStartsTheIconTool) {
    Rig r(machine(testmachine::WindowsRelease::XP, false));
    TInstal& f = r.start({"2015", "Mono.exe"});
    EXPECT_FALSE(f.window.ChckJeto64bit.checked);
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    EXPECT_TRUE(f.closed());
    EXPECT_EQ(
        r.m.readFile(kTarget + "\\Ikon.ini"),
        crlf({"[DRO]", "Aplikace=C:\\DRO\\DRO2015\\DRO2015.BAT",
              "Umisteni=C:\\DRO\\DRO2015\\DRO2015", "Ikona=C:\\DRO\\DRO2015\\DRO2015\\Dro2015.ICO",
              "IkonaP=Dro2015.pif", "MasterXP=C:\\DRO\\DRO2015\\DRO2015\\Dro.wXP",
              "Master98=C:\\DRO\\DRO2015\\DRO2015\\Dro.w98", "verze=2015", "Status=1"}));
    EXPECT_EQ(r.m.readFile(kTarget + "\\DRO2015.bat"), testmachine::kNativeScriptFile);
    EXPECT_FALSE(r.m.exists(kTarget + "\\KdeJeZas.ttx"));
    EXPECT_TRUE(fs::is_empty(r.m.host("C:\\users\\tester\\Desktop")));
    EXPECT_TRUE(waitForText(r.log, "Ikon.exe " + r.hostTarget() + "\n"));
}

TEST(InstallRun, DemoOnWindowsXpNamesTheDemoScriptInTheIconIni) {
    Rig r(machine(testmachine::WindowsRelease::XP, false));
    r.start({"2015", "DroDemo.exe"});
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    const std::string ini = r.m.readFile("C:\\DRO\\Demo2015\\Ikon.ini");
    EXPECT_NE(ini.find("\r\nAplikace=C:\\DRO\\Demo2015\\Demo2015.BAT\r\n"), std::string::npos);
    EXPECT_TRUE(r.m.exists("C:\\DRO\\Demo2015\\Demo2015.bat"));
}

TEST(InstallRun, Windows7WithoutTheFontRunsTheFontInstaller) {
    Rig r(machine(testmachine::WindowsRelease::Seven, false));
    TInstal& f = r.start({"2015", "Mono.exe"});
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    ASSERT_EQ(r.texts().size(), 3u);
    EXPECT_EQ(r.texts()[1], "Pro provoz DRO ve WIN7 je potřeba nainstalovat font\n\r\n\rZuva "
                            "Voza. Jeho instalaci potvrďte v následujícím dialogu.");
    EXPECT_EQ(r.m.ui.shown()[1].title, "Informace");
    EXPECT_EQ(r.texts()[2], kDone);
    EXPECT_TRUE(f.closed());
    EXPECT_FALSE(f.window.RichEdFont.visible);
    EXPECT_NE(r.programs().find("Fontinst.exe " + r.hostTarget() + "/{tisk}\n"), std::string::npos);
    EXPECT_TRUE(r.m.exists("C:\\windows\\Fonts\\ZuvaVoza.ttf"));
    EXPECT_EQ(r.m.readFile(kTarget + "\\DRO2015.bat"), testmachine::kNativeScriptFile);
    EXPECT_TRUE(r.m.exists("C:\\users\\tester\\Desktop\\DRO2015.lnk"));
}

TEST(InstallRun, Windows7WithTheFontInstalledAsksNothing) {
    Rig r(machine(testmachine::WindowsRelease::Seven, false));
    fs::create_directories(r.m.host("C:\\windows\\Fonts"));
    fs::copy_file(std::string(DRO_SOURCE_DIR) + "/examples/package/ZuvaVoza.ttf",
                  r.m.host("C:\\windows\\Fonts") + "/ZuvaVoza.ttf");
    r.start({"2015", "Mono.exe"});
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    EXPECT_EQ(r.texts().size(), 2u);
    EXPECT_EQ(r.programs().find("Fontinst.exe"), std::string::npos);
}

TEST(InstallRun, Windows7With64BitOptionSkipsTheFontCheck) {
    Rig r(machine(testmachine::WindowsRelease::Seven, true));
    r.start({"2015", "Mono.exe"});
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    EXPECT_EQ(r.texts().size(), 2u);
    EXPECT_EQ(r.m.readFile(kTarget + "\\S64.bat"), testmachine::kDosBoxScriptFile);
}

TEST(InstallRun, DemoOn64BitWindowsGetsTheDemoScriptAndLink) {
    Rig r;
    TInstal& f = r.start({"2015", "DroDemo.exe", "X"});
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    EXPECT_TRUE(f.closed());
    const std::string target = "C:\\DRO\\Demo2015";
    EXPECT_EQ(r.m.readFile(target + "\\S64.bat"), testmachine::kDosBoxDemoScriptFile);
    EXPECT_EQ(r.m.readFile(target + "\\KdeJeZas.ttx"),
              "C:\\users\\tester\\Desktop\\Demo2015.lnk\r\n");
    EXPECT_FALSE(r.m.exists(target + "\\DroDemo.exe"));
}

TEST(InstallRun, LanPackageWritesTavelIniCopiesTheHelpFilesAndStartsTavel) {
    Rig r;
    TInstal& f = r.start({"2015", "Lan.exe", "X"});
    r.m.ui.answer("OK");
    r.press(&TInstal::BtnInstalClick);
    EXPECT_TRUE(f.closed());
    EXPECT_EQ(r.m.readFile(kTarget + "\\Tavel.ini"),
              crlf({"[DRO-TAVEL]", "UfandL=C:\\Ufand42L", "WORK=C:\\Ufand42L\\WORK15",
                    "BAT=C:\\Ufand42L\\WORK15", "LANNODE=1", "BATEDIT=NE", "Rok=2015"}));
    for (const char* name : {"Cibhelp.000", "Cishelp.t00", "Cijhelp.000"})
        EXPECT_EQ(r.m.readFile(kTarget + "\\WORK\\" + name),
                  r.m.readFile(kTarget + "\\CIS\\" + name));
    EXPECT_EQ(r.m.readFile(kTarget + "\\WORK\\Dro.cat"), r.m.readFile(kTarget + "\\Dro.cat"));
    EXPECT_EQ(r.m.readFile(kTarget + "\\WORK\\Dro15L.ico"), r.m.readFile(kTarget + "\\Dro15L.ico"));
    EXPECT_TRUE(waitForText(r.log, "Tavel.exe " + r.hostTarget() + "\n"));
    // The LAN package makes no shortcut and keeps its package file.
    EXPECT_FALSE(r.m.exists(kTarget + "\\KdeJeZas.ttx"));
    EXPECT_TRUE(r.m.exists(kTarget + "\\Lan.exe"));
    EXPECT_EQ(r.m.readFile(kTarget + "\\DRO2015.bat"), testmachine::kNativeScriptFile);
}

TEST(InstallRun, LanHelpFileCopyFailureIsReportedAndTheCloseGoesOn) {
    Rig r;
    TInstal& f = r.start({"2015", "Lan.exe"});
    r.m.ui.answer("OK");
    r.m.ui.answer("OK"); // completion message
    // The WORK folder is taken away while the package runs.
    r.m.ui.onProcessMessages = [&r] {
        if (r.m.exists(kTarget + "\\WORK") && r.m.exists(kTarget + "\\{rt42}"))
            fs::remove_all(r.m.host(kTarget + "\\WORK"));
    };
    r.press(&TInstal::BtnInstalClick);
    EXPECT_TRUE(f.closed());
    ASSERT_EQ(r.texts().size(), 3u);
    EXPECT_EQ(r.texts()[2], "Kopírování pomocných souborů do složky C:\\DRO\\DRO2015\\WORK se "
                            "nezdařilo");
    EXPECT_TRUE(r.m.exists(kTarget + "\\Tavel.ini"));
}

TEST(InstallRun, FailedCompletionKeepsTheWindowForAnotherTry) {
    Rig r;
    TInstal& f = r.start({"2015", "Mono.exe"});
    r.m.ui.answer("OK");
    r.m.ui.answer("OK");
    // The configuration backup cannot be copied back.
    r.m.ui.onProcessMessages = [&r] {
        if (r.m.exists(kTarget + "\\{rt42}\\fand.cfg"))
            r.m.writeFile(kTarget + "\\{rt42}\\fandcfg.dro", "saved\r\n");
    };
    r.m.failWritesTo("fand.cfg", 0, platform::kErrorAccessDenied);
    r.press(&TInstal::BtnInstalClick);
    ASSERT_EQ(r.texts().size(), 3u);
    EXPECT_EQ(r.m.ui.shown()[2].title, "Instalace DRO");
    EXPECT_FALSE(f.closed());
    EXPECT_EQ(f.window.BtnZrus.text(), "&Ukončit");
    EXPECT_TRUE(f.window.BtnZrus.usable());
    r.m.failWritesTo("", 0);
    r.m.ui.onProcessMessages = nullptr;
    r.press(&TInstal::BtnZrusClick);
    EXPECT_TRUE(f.closed());
    EXPECT_EQ(r.m.readFile(kTarget + "\\{rt42}\\fand.cfg"), "saved\r\n");
}
