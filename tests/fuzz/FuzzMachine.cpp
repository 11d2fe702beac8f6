#include "FuzzMachine.h"

#include "platform/linux/Emulation.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fuzzing {

FuzzMachine::FuzzMachine() {
    char tmpl[] = "/tmp/dro-fuzz-XXXXXX";
    root = ::mkdtemp(tmpl);
    platform::HostOptions o;
    o.ui = &ui;
    o.currentDirectory = "C:\\";
    platform::EmulationOptions e;
    e.prefix = root + "/prefix";
    e.user = "fuzz";
    e.runtimeDir = root + "/run";
    win = platform::makeEmulatedWindows(o, e);
}

FuzzMachine::~FuzzMachine() {
    win.reset();
    std::filesystem::remove_all(root);
}

std::string FuzzMachine::hostC(const std::string& relative) const {
    return root + "/prefix/drive_c/" + relative;
}

void FuzzMachine::write(const std::string& relative, const std::string& bytes) const {
    const std::string path = hostC(relative);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

} // namespace fuzzing
