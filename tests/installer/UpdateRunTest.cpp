// The update run.
#include "InstallerRig.h"

using namespace installertest;
using installer::TInstal;

namespace {

// The update archive beside the installer, in place of the package.
void useUpdateArchive(Rig& r, const std::string& name) {
    fs::copy_file(kSamplePackage + "/update/" + name, r.m.host(kInstallerFolder) + "/" + name,
                  fs::copy_options::overwrite_existing);
}

} // namespace

TEST(UpdateRun, UpdatesAnInstallationOfTheSameVersion) {
    Rig r;
    useUpdateArchive(r, "Mono.exe");
    r.existingInstallation(kTarget);
    TInstal& f = r.start({"2015", "Mono.exe", "X", "update"});
    r.m.ui.answer("OK");
    r.press(&TInstal::btnAktualizovatClick);
    ASSERT_EQ(r.texts(),
              (std::vector<std::string>{"Aktualizovat DRO2015 ve složce C:\\DRO\\DRO2015\\?",
                                        "DRO nainstalováno do zvolenéné složky C:\\DRO\\DRO2015"}));
    EXPECT_TRUE(f.closed());
    EXPECT_EQ(r.programs(), "Mono.exe " + r.hostTarget() + "\n");
    EXPECT_EQ(r.m.readFile(kTarget + "\\Update.txt"), "DRO 2015 update 1\r\n");
    // No adaptation: no script, no configuration change, no shortcut.
    EXPECT_FALSE(r.m.exists(kTarget + "\\S64.bat"));
    EXPECT_FALSE(r.m.exists(kTarget + "\\KdeJeZas.ttx"));
    EXPECT_FALSE(r.m.exists("C:\\windows\\system32\\Config.DRO"));
    EXPECT_EQ(r.m.readFile(kTarget + "\\{rt42}\\fand.cfg"), "user's own configuration\r\n");
    // With "X" the copied archive goes.
    EXPECT_FALSE(r.m.exists(kTarget + "\\Mono.exe"));
}

TEST(UpdateRun, WarnsWhenThePackageIsRunning) {
    Rig r;
    useUpdateArchive(r, "InetM.exe");
    r.existingInstallation(kTarget);
    r.m.writeFile(kTarget + "\\{rt42}\\Fandwork.$$$", "");
    TInstal& f = r.start({"2015", "InetM.exe", "-", "update"});
    r.m.ui.answer("OK");
    r.press(&TInstal::btnAktualizovatClick);
    ASSERT_EQ(r.texts().size(), 3u);
    EXPECT_EQ(r.texts()[1].rfind("Program DRO2015 je pravděpodobně spuštěn!!!", 0), 0u);
    EXPECT_TRUE(f.closed());
    EXPECT_TRUE(r.m.exists(kTarget + "\\Update.txt"));
    EXPECT_TRUE(r.m.exists(kTarget + "\\InetM.exe"));
}

TEST(UpdateRun, MissingOrOtherInstallationIsReportedAndTheInstallerCloses) {
    for (const char* version : {"", "2014"}) {
        Rig r;
        if (*version) {
            r.existingInstallation(kTarget, version);
            r.m.writeFile(kTarget + "\\Mono.exe", "the installation's own");
        } else {
            r.m.makeFolders("C:\\DRO");
        }
        TInstal& f = r.start({"2015", "Mono.exe", "X", "update"});
        r.m.ui.answer("OK");
        r.press(&TInstal::btnAktualizovatClick);
        ASSERT_EQ(r.texts().size(), 2u) << version;
        EXPECT_EQ(r.texts()[1],
                  "Ve zvoleném adresáři C:\\DRO\\DRO2015 neexistuje instalace DRO2015!");
        EXPECT_EQ(r.m.ui.shown()[1].title, "Nejsou splněny podmínky aktualizace");
        EXPECT_EQ(r.m.ui.shown()[1].style, platform::kMbOk | platform::kMbIconError);
        EXPECT_TRUE(f.closed());
        EXPECT_EQ(f.window.BtnZrus.text(), "Konec");
        EXPECT_EQ(f.window.LblKonec.text(), "Aktualizace se nezdařila.");
        EXPECT_EQ(r.programs(), "");
        // An empty parent folder is cleared away; one with content stays.
        EXPECT_EQ(r.m.exists("C:\\DRO"), *version != 0);
        // With "X": the other installation's package file is not the run's.
        EXPECT_EQ(r.m.exists(kTarget + "\\Mono.exe"), *version != 0);
    }
}

TEST(UpdateRun, CancelledQuestionClosesAtOnce) {
    Rig r;
    r.existingInstallation(kTarget);
    TInstal& f = r.start({"2015", "Mono.exe", "X", "update"});
    r.m.ui.answer("Storno");
    r.press(&TInstal::btnAktualizovatClick);
    EXPECT_EQ(r.texts().size(), 1u);
    EXPECT_TRUE(f.closed());
    EXPECT_FALSE(r.m.exists(kTarget + "\\Mono.exe"));
    EXPECT_TRUE(r.m.exists(kInstallerFolder + "\\Mono.exe"));
}
