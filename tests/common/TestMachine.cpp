#include "TestMachine.h"

#include "platform/linux/Emulation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testmachine {

namespace fs = std::filesystem;

namespace {

std::string registryFor(WindowsRelease r) {
    std::string values;
    switch (r) {
    case WindowsRelease::XP:
        values = "\"CurrentBuildNumber\"=\"2600\"\n\"CurrentVersion\"=\"5.1\"\n";
        break;
    case WindowsRelease::Vista:
        values = "\"CurrentBuildNumber\"=\"6002\"\n\"CurrentVersion\"=\"6.0\"\n";
        break;
    case WindowsRelease::Seven:
        values = "\"CurrentBuildNumber\"=\"7601\"\n\"CurrentVersion\"=\"6.1\"\n";
        break;
    case WindowsRelease::Eight:
        values = "\"CurrentBuildNumber\"=\"9200\"\n\"CurrentVersion\"=\"6.2\"\n";
        break;
    case WindowsRelease::EightOne:
        values = "\"CurrentBuildNumber\"=\"9600\"\n\"CurrentVersion\"=\"6.3\"\n";
        break;
    case WindowsRelease::Ten:
        values = "\"CurrentBuildNumber\"=\"19045\"\n\"CurrentMajorVersionNumber\"=dword:0000000a\n"
                 "\"CurrentMinorVersionNumber\"=dword:00000000\n\"CurrentVersion\"=\"6.3\"\n";
        break;
    case WindowsRelease::Eleven:
        values = "\"CurrentBuildNumber\"=\"22631\"\n\"CurrentMajorVersionNumber\"=dword:0000000a\n"
                 "\"CurrentMinorVersionNumber\"=dword:00000000\n\"CurrentVersion\"=\"6.3\"\n";
        break;
    case WindowsRelease::NoRegistry:
        return {};
    }
    return "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
           "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion] 1700000000\n"
           "#time=1d9a1b2c3d4e5f6\n" +
           values + "\"ProductName\"=\"Microsoft Windows\"\n";
}

} // namespace

TempFolder::TempFolder(const std::string& name) {
    std::string pattern = "/tmp/" + name + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    if (!std::getenv("DRO_KEEP_TEST_FILES"))
        fs::remove_all(path_, ec);
}

namespace {

// The machine's prefix in root, laid out as Wine does, for the platform to
// use.
std::string layOutPrefix(const std::string& root, const MachineSetup& setup) {
    const std::string prefix = root + "/prefix";
    fs::create_directories(prefix + "/drive_c/windows/system32");
    fs::create_directories(prefix + "/drive_c/users/tester/Desktop");
    fs::create_directories(prefix + "/dosdevices");
    fs::create_symlink("../drive_c", prefix + "/dosdevices/c:");
    fs::create_symlink("/", prefix + "/dosdevices/z:");
    if (setup.x64)
        fs::create_directories(prefix + "/drive_c/windows/syswow64");
    if (const std::string reg = registryFor(setup.release); !reg.empty())
        std::ofstream(prefix + "/system.reg") << reg;
    return prefix;
}

} // namespace

TestMachine::TestMachine(MachineSetup s)
    : setup(s), root_(folder_.path()), prefix_(layOutPrefix(root_, setup)), win_(emulated(ui)) {
    setHooks(win_);
}

TestMachine::~TestMachine() = default;

std::unique_ptr<platform::Windows> TestMachine::emulated(platform::UserInterface& user) {
    platform::HostOptions o;
    o.ui = &user;
    o.clock = &clock;
    o.currentDirectory = "C:\\";
    std::string program = setup.program.substr(3);
    for (char& c : program)
        if (c == '\\')
            c = '/';
    o.modulePath = prefix_ + "/drive_c/" + program;
    if (setup.freeBytes) {
        const std::uint64_t bytes = *setup.freeBytes;
        o.diskSpace = [bytes](const std::string&) -> std::optional<platform::DiskSpace> {
            return platform::DiskSpace{bytes, bytes * 4, bytes};
        };
    }
    platform::EmulationOptions e;
    e.prefix = prefix_;
    e.user = "tester";
    e.runtimeDir = root_ + "/run";
    return platform::makeEmulatedWindows(o, e);
}

void TestMachine::setHooks(FaultInjectingWindows& win) {
    win.readFault = [this](const std::string& path, std::uint64_t offset,
                           std::size_t) -> platform::WinError {
        ++readCalls;
        if (!readFaultPart_.empty() && path.find(readFaultPart_) != std::string::npos &&
            offset >= readFaultAfter_)
            return readFaultError_;
        return 0;
    };
    win.writeFault = [this](const std::string& path, std::uint64_t offset,
                            std::size_t size) -> platform::WinError {
        ++writeCalls;
        if (!writeFaultPart_.empty() && path.find(writeFaultPart_) != std::string::npos &&
            offset + size > writeFaultAfter_)
            return writeFaultError_;
        return 0;
    };
}

std::unique_ptr<platform::Windows> TestMachine::another(platform::UserInterface& other) {
    auto win = std::make_unique<FaultInjectingWindows>(emulated(other));
    setHooks(*win);
    return win;
}

std::string TestMachine::host(const std::string& winPath) {
    auto h = win_.nativePath(winPath);
    if (!h)
        throw std::runtime_error("no host path for " + winPath);
    return *h;
}

void TestMachine::makeFolders(const std::string& winPath) {
    fs::create_directories(host(winPath));
}

void TestMachine::writeFile(const std::string& winPath, const std::string& bytes) {
    const std::string h = host(winPath);
    fs::create_directories(fs::path(h).parent_path());
    std::ofstream out(h, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string TestMachine::readFile(const std::string& winPath) {
    std::ifstream in(host(winPath), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + winPath);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool TestMachine::exists(const std::string& winPath) {
    auto h = win_.nativePath(winPath);
    return h && fs::exists(*h);
}

void TestMachine::writeScript(const std::string& winPath, const std::string& body) {
    writeFile(winPath, "#!/bin/sh\n" + body);
    fs::permissions(host(winPath), fs::perms::owner_all | fs::perms::group_read |
                                       fs::perms::group_exec | fs::perms::others_read |
                                       fs::perms::others_exec);
}

void TestMachine::failWritesTo(const std::string& part, std::uint64_t after, platform::WinError e) {
    writeFaultPart_ = part;
    writeFaultAfter_ = after;
    writeFaultError_ = e;
}

void TestMachine::failReadsOf(const std::string& part, std::uint64_t after, platform::WinError e) {
    readFaultPart_ = part;
    readFaultAfter_ = after;
    readFaultError_ = e;
}

CommandResult runHostCommand(const std::string& commandLine) {
    CommandResult r;
    FILE* p = ::popen(commandLine.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.output.append(buf, n);
    const int status = ::pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string shellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

} // namespace testmachine
