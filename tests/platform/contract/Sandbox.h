// One test's piece of a Windows machine, for the tests that describe how
// Windows behaves and so hold for every implementation of the layer: on
// Linux a whole emulated machine in a temporary folder, on Windows (and
// under Wine) the real system with a fresh folder of its own under the
// temporary folder. The tests name files by Windows paths under root().
#pragma once

#include <memory>
#include <string>

#include "platform/ScriptedUserInterface.h"
#include "platform/Windows.h"

namespace contract {

class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    platform::Windows& win();
    // The user of the layer's dialogs (answers are queued on it).
    platform::ScriptedUserInterface ui;

    // An empty folder of this test, as a Windows path without a trailing
    // backslash; removed with everything in it at the end.
    const std::string& root() const { return root_; }
    std::string path(const std::string& name) const { return root_ + "\\" + name; }

    // The files themselves, read and written past the layer (the host's
    // own C++ library), so that the layer is checked against the disk.
    void writeFile(const std::string& name, const std::string& bytes);
    std::string readFile(const std::string& name);
    bool exists(const std::string& name);

    // A command line that starts a program of this machine which ends with
    // the given exit code and, when marker is not empty, first creates that
    // file (a name under root()) in its current folder.
    std::string exitCommand(int code, const std::string& marker = "");
    // A program of this machine copied into the test's folder under name
    // (its Windows path): started as "PATH" /c exit CODE, it ends with CODE.
    std::string programCopy(const std::string& name);

    // A second, independent instance of the layer on the same machine (as
    // another program would have).
    std::unique_ptr<platform::Windows> another(platform::UserInterface& otherUi);

private:
    struct Machine;
    std::unique_ptr<Machine> machine_;
    std::string root_;
};

} // namespace contract
