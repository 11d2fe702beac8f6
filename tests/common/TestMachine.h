// A Windows machine set up in a temporary folder: a Wine-style prefix with
// the chosen Windows version and architecture, free space, clock and a
// scripted user.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "FaultInjectingWindows.h"
#include "platform/Host.h"
#include "platform/ScriptedUserInterface.h"
#include "platform/Windows.h"

namespace testmachine {

enum class WindowsRelease { XP, Vista, Seven, Eight, EightOne, Ten, Eleven, NoRegistry };

// A tick counter that a test moves; it can also move by itself on every read.
class FakeClock : public platform::TickClock {
public:
    std::uint32_t ticks() override {
        const std::uint32_t now = value;
        value += stepPerRead;
        ++reads;
        return now;
    }
    std::uint32_t value = 0;
    std::uint32_t stepPerRead = 0;
    int reads = 0;
};

// A folder of its own in /tmp, removed with all it holds when the object
// goes (kept when DRO_KEEP_TEST_FILES is set, to look into after a failure).
class TempFolder {
public:
    explicit TempFolder(const std::string& name = "dro-test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct MachineSetup {
    WindowsRelease release = WindowsRelease::Ten;
    bool x64 = true;
    // The program that runs on the machine (its module path), below C:\.
    std::string program = "C:\\program\\Instal";
    // Free space of every drive, in bytes; empty: the real free space.
    std::optional<std::uint64_t> freeBytes;
};

class TestMachine {
public:
    explicit TestMachine(MachineSetup setup = {});
    ~TestMachine();
    TestMachine(const TestMachine&) = delete;
    TestMachine& operator=(const TestMachine&) = delete;

    platform::Windows& win() { return win_; }
    platform::ScriptedUserInterface ui;
    FakeClock clock;
    MachineSetup setup;

    // The temporary folder that holds the prefix and the runtime folder.
    const std::string& root() const { return root_; }
    const std::string& prefix() const { return prefix_; }

    // Host path of a Windows path of this machine.
    std::string host(const std::string& winPath);
    void makeFolders(const std::string& winPath);
    void writeFile(const std::string& winPath, const std::string& bytes);
    std::string readFile(const std::string& winPath);
    bool exists(const std::string& winPath);
    // Writes an executable shell script (a program of the package).
    void writeScript(const std::string& winPath, const std::string& body);

    // Fault injection on the host files whose path contains the text (a
    // replacement file's is its target's), in this object's layer and those
    // of another().
    void failWritesTo(const std::string& hostPathPart, std::uint64_t afterBytes,
                      platform::WinError error = platform::kErrorDiskFull);
    void failReadsOf(const std::string& hostPathPart, std::uint64_t afterBytes,
                     platform::WinError error = platform::kErrorReadFault);
    int readCalls = 0;
    int writeCalls = 0;

    // Makes a new platform object on the same prefix (another program). It
    // must not outlive the machine.
    std::unique_ptr<platform::Windows> another(platform::UserInterface& ui);

private:
    std::unique_ptr<platform::Windows> emulated(platform::UserInterface& user);
    void setHooks(FaultInjectingWindows& win);

    TempFolder folder_{"dro-machine"};
    std::string root_;
    std::string prefix_;
    std::string writeFaultPart_, readFaultPart_;
    std::uint64_t writeFaultAfter_ = 0, readFaultAfter_ = 0;
    platform::WinError writeFaultError_ = 0, readFaultError_ = 0;
    FaultInjectingWindows win_;
};

// Runs a command line through the host's shell (the programs under test, the
// independent checks of their outputs); returns its standard output and exit
// status.
struct CommandResult {
    int status = -1;
    std::string output;
};
CommandResult runHostCommand(const std::string& commandLine);
// The text quoted for the host's shell.
std::string shellQuote(const std::string& text);

} // namespace testmachine
