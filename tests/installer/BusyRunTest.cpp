// What the user can do while a run waits: its pauses handle the window's
// messages, so the user's clicks and typing come in the middle of the run.
// The controls that would change the run's folder or end it are disabled
// then; the run ends in the folder that was confirmed.
#include <sstream>

#include "InstallerRig.h"
#include "linux/LinuxTerminalFrontEnd.h"
#include "support/Utilities.h"

using namespace installertest;
using installer::TInstal;

namespace {

const std::vector<std::string> kMeddling{
    "click BtnZrus",       "click BtnProjit", "type EdSlozka JINA",   "type VyberAdr C:\\DATA",
    "click ChckJeto64bit", "click BtnInstal", "click btnAktualizovat"};
const std::string kRefused = "BtnZrus is disabled; the click is ignored.\n"
                             "BtnProjit is disabled; the click is ignored.\n"
                             "EdSlozka is disabled; nothing is typed.\n"
                             "VyberAdr is disabled; nothing is typed.\n"
                             "ChckJeto64bit is disabled; the click is ignored.\n"
                             "BtnInstal is disabled; the click is ignored.\n"
                             "btnAktualizovat is hidden; the click is ignored.\n";

// The first time the run waits with its package file copied, the user does
// what kMeddling says through the terminal, clicks BtnZrus as the Windows
// window does, and tries to replace the copy; what happened goes to out.
void meddleWhileWaiting(Rig& r, std::ostringstream& out) {
    r.m.ui.onProcessMessages = [&r, &out, done = false]() mutable {
        const std::string copy = kTarget + "\\Mono.exe";
        if (done || !r.m.exists(copy))
            return;
        done = true;
        for (const auto& command : kMeddling)
            installer::RunCommand(*r.form, command, out);
        if (r.form->Click(r.form->window.BtnZrus) == TInstal::ClickResult::NoLongerUsable)
            out << "Click refused.\n";
        // Anybody may write into the target folder, but not over the copy.
        r.m.writeFile("C:\\DATA\\evil.exe", "#!/bin/sh\necho evil >> \"$DRO_PROGRAM_LOG\"\n");
        if (r.m.win().deleteFile(copy) == platform::kErrorSharingViolation)
            out << "Copy held.\n";
        try {
            support::CopyFileTo(r.m.win(), "C:\\DATA\\evil.exe", copy);
        } catch (const support::InstallerError& e) {
            out << e.what() << "\n";
        }
    };
}

} // namespace

TEST(BusyRun, InstallationKeepsItsFolderAndCannotBeCancelledWhileItWaits) {
    Rig r;
    TInstal& f = r.start({"2015", "Mono.exe", "X"});
    r.m.ui.answer("OK");
    std::ostringstream out;
    meddleWhileWaiting(r, out);
    r.press(&TInstal::BtnInstalClick);

    EXPECT_EQ(out.str(), kRefused + "Click refused.\nCopy held.\nFile access denied\n");
    ASSERT_EQ(r.texts(),
              (std::vector<std::string>{"Instalovat DRO2015 do složky C:\\DRO\\DRO2015\\?",
                                        "DRO nainstalováno do zvolenéné složky C:\\DRO\\DRO2015"}));
    EXPECT_TRUE(f.closed());
    EXPECT_EQ(r.programs(), "Mono.exe " + r.hostTarget() + "\n");
    EXPECT_TRUE(r.m.exists(kTarget + "\\S64.bat"));
    EXPECT_TRUE(r.m.exists(kTarget + "\\DRO.RDB"));
    EXPECT_EQ(r.m.readFile(kTarget + "\\KdeJeZas.ttx"),
              "C:\\users\\tester\\Desktop\\DRO2015.lnk\r\n");
    std::vector<std::string> desktop;
    for (const auto& e : fs::directory_iterator(r.m.host("C:\\users\\tester\\Desktop")))
        desktop.push_back(e.path().filename().string());
    EXPECT_EQ(desktop, std::vector<std::string>{"DRO2015.lnk"});
    // The hold ended with the run: "X" deleted the copy.
    EXPECT_FALSE(r.m.exists(kTarget + "\\Mono.exe"));
}

TEST(BusyRun, UpdateCannotBeCancelledWhileItWaits) {
    Rig r;
    fs::copy_file(kSamplePackage + "/update/Mono.exe", r.m.host(kInstallerFolder) + "/Mono.exe",
                  fs::copy_options::overwrite_existing);
    r.existingInstallation(kTarget);
    TInstal& f = r.start({"2015", "Mono.exe", "", "update"});
    r.m.ui.answer("OK");
    std::ostringstream out;
    meddleWhileWaiting(r, out);
    r.press(&TInstal::btnAktualizovatClick);

    // The update shows no 64-bit option and no BtnInstal.
    EXPECT_EQ(out.str(), "BtnZrus is disabled; the click is ignored.\n"
                         "BtnProjit is disabled; the click is ignored.\n"
                         "EdSlozka is disabled; nothing is typed.\n"
                         "VyberAdr is disabled; nothing is typed.\n"
                         "ChckJeto64bit is hidden; the click is ignored.\n"
                         "BtnInstal is hidden; the click is ignored.\n"
                         "btnAktualizovat is disabled; the click is ignored.\n"
                         "Click refused.\nCopy held.\nFile access denied\n");
    EXPECT_EQ(r.texts().size(), 2u);
    EXPECT_TRUE(f.closed());
    EXPECT_EQ(r.programs(), "Mono.exe " + r.hostTarget() + "\n");
    EXPECT_EQ(r.m.readFile(kTarget + "\\Update.txt"), "DRO 2015 update 1\r\n");
}

TEST(BusyRun, ErrorThatEndsTheRunGivesTheControlsBack) {
    Rig r;
    TInstal& f = r.start({"2015", "Mono.exe", "X"});
    r.m.ui.answer("OK");
    // The launch script cannot be written.
    r.m.failWritesTo("S64.bat", 0, platform::kErrorAccessDenied);
    r.press(&TInstal::BtnInstalClick);
    ASSERT_EQ(r.texts().size(), 2u);
    EXPECT_FALSE(f.closed());
    EXPECT_TRUE(f.window.BtnZrus.usable());
    EXPECT_TRUE(f.window.EdSlozka.usable());
    EXPECT_FALSE(f.window.BtnProjit.enabled); // as the run left it before the package ran
    // The fields changed now do not move the close step: it deletes the
    // package file the run copied.
    f.window.EdSlozka.setText("JINA");
    EXPECT_EQ(f.Click(f.window.BtnZrus), TInstal::ClickResult::Ran);
    EXPECT_TRUE(f.closed());
    EXPECT_FALSE(r.m.exists(kTarget + "\\Mono.exe"));
}
