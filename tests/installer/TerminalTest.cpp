// The terminal front end: commands, answers, the window as printed.
#include <sstream>

#include "InstallerRig.h"
#include "linux/LinuxTerminalFrontEnd.h"

using namespace installertest;
using installer::TInstal;

namespace {

struct Session {
    std::string output;
    int status = -1;
    std::unique_ptr<TInstal> form;
};

// Runs the window on the terminal with the lines as input.
Session runTerminal(Rig& r, std::vector<std::string> args, std::deque<std::string> lines,
                    const std::function<void(platform::Windows&)>& before = {}) {
    installer::StringLineSource input(std::move(lines));
    std::ostringstream out;
    installer::TerminalUserInterface ui(input, out);
    auto win = r.m.another(ui);
    args.insert(args.begin(), kInstallerFolder + "\\Instal");
    Session s;
    s.form = std::make_unique<TInstal>(*win, args);
    if (before)
        before(*win);
    s.status = installer::RunTerminal(*s.form, ui, out);
    s.output = out.str();
    return s;
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1))
        ++n;
    return n;
}

} // namespace

TEST(Terminal, PrintsTheWindowAndRefusesWhatTheWindowWouldRefuse) {
    Rig r;
    auto s = runTerminal(r, {"2015", "Mono.exe", "", "update"},
                         {"click BtnInstal", "click ChckJeto64bit", "click EdSlozka",
                          "click Nothing", "type BtnZrus x", "frobnicate", "show"});
    EXPECT_EQ(s.status, 0);
    EXPECT_NE(s.output.find("==== Aktualizace programu DRO2015  sestavena dne "),
              std::string::npos);
    EXPECT_NE(s.output.find("  btnAktualizovat <&Aktualizovat>\n"), std::string::npos);
    EXPECT_NE(s.output.find("  VyberAdr        [C:\\DRO]  (focused)\n"), std::string::npos);
    EXPECT_EQ(s.output.find("  BtnInstal"), std::string::npos);
    EXPECT_NE(s.output.find("BtnInstal is hidden; the click is ignored."), std::string::npos);
    EXPECT_NE(s.output.find("ChckJeto64bit is hidden; the click is ignored."), std::string::npos);
    EXPECT_NE(s.output.find("EdSlozka cannot be clicked."), std::string::npos);
    EXPECT_NE(s.output.find("There is no control Nothing to click."), std::string::npos);
    EXPECT_NE(s.output.find("Only VyberAdr and EdSlozka can be typed into."), std::string::npos);
    EXPECT_NE(s.output.find("Unknown command: frobnicate"), std::string::npos);
    // The end of input pressed BtnZrus.
    EXPECT_TRUE(s.form->closed());
    EXPECT_NE(s.output.find("> (end of input)\n(window closed)\n"), std::string::npos);
}

TEST(Terminal, TypingFillsTheFieldsAndRunsTheirExitHandlers) {
    Rig r;
    auto s = runTerminal(r, {"2015", "Mono.exe"},
                         {"type EdSlozka dro2016abcd", "type VyberAdr c:\\dro2016abc",
                          "click ChckJeto64bit", "type EdSlozka", "", "click ChckJeto64bit",
                          "type EdSlozka x", "click BtnZrus"});
    EXPECT_NE(s.output.find("EdSlozka takes at most 8 characters: dro2016a"), std::string::npos);
    EXPECT_NE(s.output.find("  EdSlozka        [DRO2016A]\n"), std::string::npos);
    // Leaving VyberAdr probed the folder and gave the focus to BtnInstal.
    EXPECT_NE(s.output.find("  VyberAdr        [C:\\DRO2016ABC]\n"), std::string::npos);
    EXPECT_NE(s.output.find("  BtnInstal       <Instalovat>  (focused)\n"), std::string::npos);
    // The 64-bit option, cleared and set again, fixes the sub-folder.
    EXPECT_NE(s.output.find("  EdSlozka        [DRO2015]  (disabled)\n"), std::string::npos);
    EXPECT_NE(s.output.find("EdSlozka is disabled; nothing is typed."), std::string::npos);
    // An empty sub-folder: the message, answered with an empty line (Escape).
    EXPECT_NE(s.output.find("-- Message box \"Varování\" (error icon) --\nÚdaj Instalovat do "
                            "složky musí být vyplněn!\n\nNastaví se implicitní složka DRO2015.\n"
                            "Buttons: [OK]\n"),
              std::string::npos);
    EXPECT_TRUE(s.form->closed());
    EXPECT_FALSE(r.m.exists("C:\\DRO2016ABC"));
}

TEST(Terminal, DialogAnswersAreCaptionsInAnyCaseAndOtherLinesAskAgain) {
    Rig r;
    auto s = runTerminal(r, {"2015", "Mono.exe"},
                         {"click BtnInstal", "maybe", "&storno", "click BtnInstal"});
    EXPECT_NE(s.output.find("-- Dialog \"Dotaz\" --\nInstalovat DRO2015 do složky "
                            "C:\\DRO\\DRO2015\\?\nButtons: [OK] [&Storno]\n"),
              std::string::npos);
    EXPECT_NE(s.output.find("No button \"maybe\" here."), std::string::npos);
    EXPECT_EQ(count(s.output, "-- Dialog \"Dotaz\" --"), 3u);
    // The second question met the end of input: Escape, as Storno.
    EXPECT_FALSE(r.m.exists(kTarget));
    EXPECT_TRUE(s.form->closed());
}

TEST(Terminal, PickerTakesOnlyAFolder) {
    Rig r;
    r.m.makeFolders("C:\\DATA");
    auto s = runTerminal(r, {"2015", "Mono.exe"},
                         {"click BtnProjit", "C:\\NOTHERE", "C:\\DATA", "click BtnProjit", ""});
    EXPECT_NE(s.output.find("-- Folder picker \"Vyberte adresář\" --"), std::string::npos);
    EXPECT_NE(s.output.find("C:\\NOTHERE is no folder; only a folder can be chosen."),
              std::string::npos);
    EXPECT_NE(s.output.find("  VyberAdr        [C:\\DATA]\n"), std::string::npos);
    EXPECT_EQ(s.form->TargetFolder.substr(0, 7), "C:\\DATA");
}

TEST(Terminal, ASecondStartBringsTheWindowToTheFront) {
    Rig r;
    auto s = runTerminal(r, {"2015", "Mono.exe"}, {"click BtnZrus"}, [&r](platform::Windows&) {
        auto second = r.m.another(r.m.ui);
        second->broadcastMessage(second->registerWindowMessage(installer::kInstanceName));
    });
    EXPECT_EQ(count(s.output, "==== Instalace programu DRO2015"), 2u);
}

TEST(Terminal, WindowThatCannotCloseEndsAtTheEndOfInput) {
    Rig r(machine(WindowsRelease::Ten, false));
    r.existingInstallation(kTarget);
    r.m.writeFile(kTarget + "\\{rt42}\\fandcfg.dro", "saved\r\n");
    // Nothing can be written into {rt42} any more once the package ran.
    r.m.failWritesTo("{rt42}/fand.cfg", 0, platform::kErrorAccessDenied);
    auto s = runTerminal(r, {"2015", "Mono.exe"}, {"click BtnInstal", "OK", "OK"});
    EXPECT_EQ(s.status, 1);
    EXPECT_FALSE(s.form->closed());
    EXPECT_NE(s.output.find("-- Message box \"Instalace DRO\" (error icon) --\n"),
              std::string::npos);
    EXPECT_NE(s.output.find("The window could not be closed; the installer ends."),
              std::string::npos);
}
