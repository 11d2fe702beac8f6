// The Instal program run as a person runs it: commands on standard input,
// against a fresh prefix, with a link to the program beside the package.
#include <sys/wait.h>
#include <unistd.h>

#include "InstallerRig.h"

using namespace installertest;

namespace {

const std::string kBinary = DRO_INSTAL_BINARY;

using testmachine::kDosBoxScriptFile;
using testmachine::kNativeScriptFile;
using testmachine::shellQuote;

// A machine with the package in a host folder outside its drives and a link
// to the program beside it.
class EndToEnd {
public:
    explicit EndToEnd(MachineSetup setup) : m(setup) {
        pkg = m.root() + "/pkg";
        fs::create_directories(pkg);
        for (const auto& e : fs::directory_iterator(kSamplePackage))
            if (e.is_regular_file())
                fs::copy_file(e.path(), pkg + "/" + e.path().filename().string());
        fs::create_symlink(kBinary, pkg + "/Instal");
        m.writeFile("C:\\windows\\system32\\Config.nt", "dos=high\r\nfiles=40\r\n");
        log = m.root() + "/programs.log";
    }

    std::string environment() const {
        return "WINEPREFIX=" + shellQuote(m_prefix()) +
               " XDG_RUNTIME_DIR=" + shellQuote(m.root() + "/run") +
               " USER=tester DRO_PROGRAM_LOG=" + shellQuote(log) + " ";
    }

    // Runs the program from the package folder with the input lines.
    testmachine::CommandResult run(const std::string& args, const std::string& input) {
        const std::string in = m.root() + "/input";
        std::ofstream(in) << input;
        return testmachine::runHostCommand("cd " + shellQuote(pkg) + " && " + environment() +
                                           "./Instal " + args + " < " + shellQuote(in) + " 2>&1");
    }

    std::string m_prefix() const { return const_cast<TestMachine&>(m).prefix(); }
    std::string programs() { return slurp(log); }

    TestMachine m;
    std::string pkg;
    std::string log;
};

} // namespace

TEST(EndToEnd, FullInstallationOverAnExistingOneOn64BitWindows10) {
    EndToEnd e(machine(WindowsRelease::Ten, true));
    e.m.makeFolders(kTarget + "\\{rt42}");
    e.m.writeFile(kTarget + "\\{rt42}\\fand.cfg", "user's own configuration\r\n");
    e.m.writeFile(kTarget + "\\DRO2015.ver", "DRO2015\r\n");
    const auto r = e.run("2015 Mono.exe X", "type EdSlozka dro2015\nclick BtnInstal\nOK\nOK\n");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("==== Instalace programu DRO2015  sestavena dne "), std::string::npos);
    EXPECT_NE(r.output.find("Instalovat DRO2015 do složky C:\\DRO\\DRO2015\\?"), std::string::npos);
    EXPECT_NE(r.output.find("DRO nainstalováno do zvolenéné složky C:\\DRO\\DRO2015\n"),
              std::string::npos);
    EXPECT_NE(r.output.find("(window closed)"), std::string::npos);

    const std::string target = e.m.host(kTarget);
    EXPECT_EQ(e.programs(), "Mono.exe " + target + "\n");
    EXPECT_EQ(slurp(target + "/S64.bat"), kDosBoxScriptFile);
    EXPECT_EQ(e.m.readFile("C:\\windows\\system32\\Config.nt"), "dos=high\r\nFILES=211\r\n");
    EXPECT_EQ(e.m.readFile("C:\\windows\\system32\\Config.DRO"), "dos=high\r\nfiles=40\r\n");
    EXPECT_EQ(slurp(target + "/{rt42}/fandcfg.dro"), "user's own configuration\r\n");
    EXPECT_EQ(slurp(target + "/{rt42}/fand.cfg"), "user's own configuration\r\n");
    EXPECT_EQ(slurp(target + "/KdeJeZas.ttx"), "C:\\users\\tester\\Desktop\\DRO2015.lnk\r\n");
    EXPECT_FALSE(fs::exists(target + "/Mono.exe"));
    EXPECT_FALSE(fs::exists(target + "/Sg.000"));
    EXPECT_TRUE(fs::exists(e.pkg + "/Mono.exe"));
}

TEST(EndToEnd, DesktopShortcutPointsAtTheLaunchScript) {
    EndToEnd e(machine(WindowsRelease::Ten, false));
    e.m.writeFile("C:\\users\\tester\\Desktop\\DRO2015.lnk", "someone else's shortcut");
    const auto r = e.run("2015 Mono.exe", "click BtnInstal\nOK\nOK\n");
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string link = e.m.host("C:\\users\\tester\\Desktop") + "/DRO2015_1.lnk";
    EXPECT_EQ(slurp(e.m.host(kTarget) + "/KdeJeZas.ttx"),
              "C:\\users\\tester\\Desktop\\DRO2015_1.lnk\r\n");
    const auto info = testmachine::runHostCommand("lnkinfo " + shellQuote(link));
    ASSERT_EQ(info.status, 0) << info.output;
    EXPECT_NE(info.output.find("C:\\DRO\\DRO2015\\Dro2015.bat"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find(": C:\\DRO\\DRO2015\n"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("C:\\DRO\\DRO2015\\DRO2015.ico"), std::string::npos) << info.output;
}

TEST(EndToEnd, WindowsXpWritesTheIconIniAndStartsTheIconTool) {
    EndToEnd e(machine(WindowsRelease::XP, false));
    const auto r = e.run("2015 InetM.exe", "click BtnInstal\nOK\nOK\n");
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string target = e.m.host(kTarget);
    EXPECT_EQ(slurp(target + "/DRO2015.bat"), kNativeScriptFile);
    EXPECT_EQ(
        slurp(target + "/Ikon.ini"),
        crlf({"[DRO]", "Aplikace=C:\\DRO\\DRO2015\\DRO2015.BAT",
              "Umisteni=C:\\DRO\\DRO2015\\DRO2015", "Ikona=C:\\DRO\\DRO2015\\DRO2015\\Dro2015.ICO",
              "IkonaP=Dro2015.pif", "MasterXP=C:\\DRO\\DRO2015\\DRO2015\\Dro.wXP",
              "Master98=C:\\DRO\\DRO2015\\DRO2015\\Dro.w98", "verze=2015", "Status=1"}));
    EXPECT_TRUE(waitForText(e.log, "Ikon.exe " + target + "\n")) << e.programs();
    EXPECT_FALSE(fs::exists(target + "/KdeJeZas.ttx"));
    EXPECT_TRUE(fs::exists(target + "/InetM.exe"));
    EXPECT_TRUE(fs::exists(target + "/Sg.000"));
}

TEST(EndToEnd, Windows7WithoutTheFontRunsTheFontInstallerInItsFolder) {
    EndToEnd e(machine(WindowsRelease::Seven, false));
    const auto r = e.run("2015 Mono.exe", "click BtnInstal\nOK\nok\nOK\n");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("-- Message box \"Informace\" --\nPro provoz DRO ve WIN7 je potřeba "
                            "nainstalovat font\n\nZuva Voza. Jeho instalaci potvrďte v "
                            "následujícím dialogu.\nButtons: [OK]\n"),
              std::string::npos)
        << r.output;
    const std::string target = e.m.host(kTarget);
    EXPECT_NE(e.programs().find("Fontinst.exe " + target + "/{tisk}\n"), std::string::npos);
    EXPECT_EQ(slurp(e.m.host("C:\\windows\\Fonts") + "/ZuvaVoza.ttf"),
              slurp(target + "/{tisk}/ZuvaVoza.ttf"));
    EXPECT_EQ(slurp(target + "/DRO2015.bat"), kNativeScriptFile);
}

TEST(EndToEnd, LanInstallationWritesTavelIniAndStartsTheLanLauncher) {
    EndToEnd e(machine(WindowsRelease::Ten, true));
    const auto r = e.run("2014 Lan.exe X", "click BtnInstal\nOK\nOK\n");
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string target = e.m.host("C:\\DRO\\DRO2014");
    EXPECT_EQ(slurp(target + "/Tavel.ini"),
              crlf({"[DRO-TAVEL]", "UfandL=C:\\Ufand42L", "WORK=C:\\Ufand42L\\WORK14",
                    "BAT=C:\\Ufand42L\\WORK14", "LANNODE=1", "BATEDIT=NE", "Rok=2014"}));
    // The sample package is of 2015: its LAN icon is Dro15L.ico, so the
    // copies stop there with the warning.
    EXPECT_NE(r.output.find("Kopírování pomocných souborů do složky C:\\DRO\\DRO2014\\WORK se "
                            "nezdařilo"),
              std::string::npos);
    for (const char* name :
         {"Cibhelp.000", "Cihelp.000", "Ciihelp.000", "Cijhelp.000", "Cimhelp.000", "Cishelp.000",
          "Cibhelp.t00", "Cihelp.t00", "Ciihelp.t00", "Cijhelp.t00", "Cimhelp.t00", "Cishelp.t00"})
        EXPECT_EQ(slurp(target + "/WORK/" + name), slurp(target + "/CIS/" + name)) << name;
    EXPECT_EQ(slurp(target + "/WORK/Dro.cat"), slurp(target + "/Dro.cat"));
    EXPECT_TRUE(waitForText(e.log, "Tavel.exe " + target + "\n")) << e.programs();
    EXPECT_TRUE(fs::exists(target + "/Lan.exe"));
    EXPECT_FALSE(fs::exists(target + "/Sg.000"));
    EXPECT_EQ(slurp(target + "/DRO2014.bat"), kNativeScriptFile);
}

TEST(EndToEnd, UpdateRunsTheArchiveInTheInstallation) {
    EndToEnd e(machine(WindowsRelease::Ten, true));
    fs::copy_file(kSamplePackage + "/update/Mono.exe", e.pkg + "/Mono.exe",
                  fs::copy_options::overwrite_existing);
    e.m.makeFolders(kTarget + "\\{rt42}");
    e.m.writeFile(kTarget + "\\DRO2015.ver", "DRO2015\r\n");
    const auto r = e.run("2015 Mono.exe X update", "click btnAktualizovat\nOK\nOK\n");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Aktualizovat DRO2015 ve složce C:\\DRO\\DRO2015\\?"),
              std::string::npos);
    const std::string target = e.m.host(kTarget);
    EXPECT_EQ(slurp(target + "/Update.txt"), "DRO 2015 update 1\r\n");
    EXPECT_EQ(e.programs(), "Mono.exe " + target + "\n");
    EXPECT_FALSE(fs::exists(target + "/Mono.exe"));
    EXPECT_FALSE(fs::exists(target + "/S64.bat"));
}

// Runs that fail: closing claims no installation, the user's configuration
// is back, and nothing the run did not make is deleted.
TEST(EndToEnd, FailedRunsClaimNoInstallation) {
    const std::string config = "user's own configuration\r\n";
    // The package copy fails (its place is taken by a folder), or a step
    // after the package has replaced fand.cfg does (Config.DRO is a folder).
    for (const char* blocked : {"\\Mono.exe\\Mono.exe", "C:\\windows\\system32\\Config.DRO"}) {
        SCOPED_TRACE(blocked);
        EndToEnd e(machine(WindowsRelease::Ten, true));
        e.m.makeFolders(kTarget + "\\{rt42}");
        e.m.writeFile(kTarget + "\\{rt42}\\fand.cfg", config);
        e.m.writeFile(kTarget + "\\DRO2015.ver", "DRO2015\r\n");
        e.m.makeFolders(blocked[0] == '\\' ? kTarget + blocked : std::string(blocked));
        const auto r = e.run("2015 Mono.exe X", "click BtnInstal\nOK\nOK\n");
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_NE(r.output.find("-- Message box \"Instalace DRO\" (error icon) --"),
                  std::string::npos)
            << r.output;
        EXPECT_EQ(r.output.find("nainstalováno"), std::string::npos) << r.output;
        EXPECT_NE(r.output.find("(window closed)"), std::string::npos);
        EXPECT_EQ(slurp(e.m.host(kTarget) + "/{rt42}/fand.cfg"), config);
        EXPECT_TRUE(fs::is_empty(e.m.host("C:\\users\\tester\\Desktop")));
    }

    // An update into another version's installation, with "X".
    EndToEnd e(machine(WindowsRelease::Ten, true));
    e.m.makeFolders(kTarget + "\\{rt42}");
    e.m.writeFile(kTarget + "\\DRO2014.ver", "DRO2014\r\n");
    e.m.writeFile(kTarget + "\\Mono.exe", "the 2014 installation's own");
    const auto r = e.run("2015 Mono.exe X update", "click btnAktualizovat\nOK\nOK\n");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("neexistuje instalace DRO2015!"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("(window closed)"), std::string::npos);
    EXPECT_EQ(slurp(e.m.host(kTarget) + "/Mono.exe"), "the 2014 installation's own");
}

// A damaged link template: the message, fand.cfg back, the window closed
// and no copy of the template on the desktop.
TEST(EndToEnd, DamagedLinkTemplateStillClosesTheInstaller) {
    EndToEnd e(machine(WindowsRelease::Ten, true));
    e.m.makeFolders(kTarget + "\\{rt42}");
    e.m.writeFile(kTarget + "\\{rt42}\\fand.cfg", "user's own configuration\r\n");
    e.m.writeFile(kTarget + "\\DRO2015.ver", "DRO2015\r\n");
    fs::remove(e.pkg + "/Mono.exe");
    std::ofstream(e.pkg + "/Mono.exe")
        << "#!/bin/sh\n/bin/sh " << shellQuote(kSamplePackage + "/Mono.exe")
        << " || exit 1\n"
           "head -c 300 DroWin10.sss > t && mv t DroWin10.sss\n";
    fs::permissions(e.pkg + "/Mono.exe", fs::perms::owner_all);
    const auto r = e.run("2015 Mono.exe", "click BtnInstal\nOK\nOK\nOK\n");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("-- Message box \"Instalace DRO\" (error icon) --\nSystem Error.  "
                            "Code: 0x80070026.\nReached the end of the file.\n"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("(window closed)"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(e.m.host("C:\\users\\tester\\Desktop")));
    EXPECT_EQ(slurp(e.m.host(kTarget) + "/{rt42}/fand.cfg"), "user's own configuration\r\n");
}

// A picked folder with a blank beside a C:\Program.exe: the package runs in
// the chosen folder, and C:\Program.exe never starts.
TEST(EndToEnd, PickedFolderWithABlankRunsThePackageThere) {
    EndToEnd e(machine(WindowsRelease::Ten, true));
    e.m.makeFolders("C:\\Program Files");
    e.m.writeScript("C:\\Program.exe", "echo Program.exe >> \"$DRO_PROGRAM_LOG\"\n");
    const auto r =
        e.run("2015 Mono.exe", "click BtnProjit\nC:\\Program Files\nclick BtnInstal\nOK\nOK\n");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(e.programs(), "Mono.exe " + e.m.host("C:\\Program Files\\DRO2015") + "\n");
    EXPECT_NE(r.output.find("DRO nainstalováno do zvolenéné složky C:\\PROGRAM FILES\\DRO2015\n"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(slurp(e.m.host("C:\\Program Files\\DRO2015") + "/S64.bat"), kDosBoxScriptFile);
}

TEST(EndToEnd, WrongParametersEndTheProgram) {
    EndToEnd e(machine(WindowsRelease::Ten, true));
    const auto r = e.run("2015 LAN.EXE", "");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("-- Message box \"Varování\" (error icon) --\nChybné vstupní "
                            "parametry, program se ukončí.\n"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("(window closed)"), std::string::npos);
    // The options of a Linux program print and end, without a window.
    const auto help = e.run("--help", "");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.output.starts_with("Použití: Instal VERZE SOUBOR_BALÍKU")) << help.output;
    const auto version = e.run("--version", "");
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.output.starts_with("Instal ")) << version.output;
    EXPECT_EQ(version.output.find("===="), std::string::npos) << version.output;
}

TEST(EndToEnd, SecondStartBringsTheFirstWindowUpAndEnds) {
    EndToEnd e(machine(WindowsRelease::Ten, true));
    // The first installer reads from a pipe that stays open.
    int in[2];
    ASSERT_EQ(::pipe(in), 0);
    const std::string out = e.m.root() + "/first.out";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::close(in[1]);
        const std::string cmd = "cd " + shellQuote(e.pkg) + " && exec env " + e.environment() +
                                "./Instal 2015 Mono.exe > " + shellQuote(out) + " 2>&1";
        ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(in[0]);
    ASSERT_TRUE(waitForText(out, "====\n> "));

    const auto second = e.run("2015 Mono.exe", "click BtnZrus\n");
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.output, "");
    EXPECT_TRUE(waitForText(out, "====\n> ==== Instalace programu DRO2015"));

    ::close(in[1]); // the end of input closes the first one
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(slurp(out).find("(window closed)"), std::string::npos);
}
