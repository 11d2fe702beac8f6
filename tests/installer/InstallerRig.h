// An installer on a test machine: the sample package beside it in
// C:\program, a scripted user, a clock that moves on every look, and a log
// of the package's programs that were started.
#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "LaunchScriptFiles.h"
#include "TestMachine.h"
#include "platform/WinTypes.h"
#include "uInstal.h"

namespace installertest {

namespace fs = std::filesystem;
using testmachine::MachineSetup;
using testmachine::TestMachine;
using testmachine::WindowsRelease;

inline const std::string kSamplePackage = DRO_SAMPLE_PACKAGE;
inline const std::string kInstallerFolder = "C:\\program";
inline const std::string kTarget = "C:\\DRO\\DRO2015";

using testmachine::crlf;

inline std::string slurp(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Waits (at most five seconds) until the file holds the text.
inline bool waitForText(const std::string& hostPath, const std::string& text) {
    for (int i = 0; i < 100; ++i) {
        if (slurp(hostPath).find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

inline MachineSetup machine(WindowsRelease release, bool x64,
                            std::uint64_t freeBytes = 4ULL << 30) {
    MachineSetup s;
    s.release = release;
    s.x64 = x64;
    s.freeBytes = freeBytes;
    return s;
}

class Rig {
public:
    explicit Rig(MachineSetup setup = machine(WindowsRelease::Ten, true)) : m(setup) {
        m.clock.stepPerRead = 100;
        m.makeFolders(kInstallerFolder);
        for (const auto& e : fs::directory_iterator(kSamplePackage))
            if (e.is_regular_file())
                fs::copy_file(e.path(),
                              m.host(kInstallerFolder) + "/" + e.path().filename().string());
        m.writeFile("C:\\windows\\system32\\Config.nt", "dos=high\r\nfiles=40\r\n");
        log = m.root() + "/programs.log";
        ::setenv("DRO_PROGRAM_LOG", log.c_str(), 1);
    }
    ~Rig() { ::unsetenv("DRO_PROGRAM_LOG"); }

    // Creates the window with the command line and activates it.
    installer::TInstal& start(std::vector<std::string> args) {
        args.insert(args.begin(), kInstallerFolder + "\\Instal");
        form = std::make_unique<installer::TInstal>(m.win(), args);
        form->Activate();
        return *form;
    }

    // Presses the button as the window does: the handler runs, and an error
    // that ends it is shown.
    void press(void (installer::TInstal::*handler)()) { form->Dispatch(handler); }

    // An installation of the version as the package leaves it.
    void existingInstallation(const std::string& folder, const std::string& version = "2015") {
        m.makeFolders(folder + "\\{rt42}");
        m.writeFile(folder + "\\{rt42}\\fand.cfg", "user's own configuration\r\n");
        m.writeFile(folder + "\\DRO" + version + ".ver", "DRO" + version + "\r\n");
    }

    // The texts of the message boxes and dialogs shown so far.
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& s : m.ui.shown())
            out.push_back(s.text);
        return out;
    }
    std::string programs() { return slurp(log); }
    std::string hostTarget() { return m.host(kTarget); }

    TestMachine m;
    std::unique_ptr<installer::TInstal> form;
    std::string log;
};

} // namespace installertest
