#include "FuzzMachine.h"

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
    o.prefix = root + "/prefix";
    o.user = "fuzz";
    o.ui = &ui;
    o.runtimeDir = root + "/run";
    o.currentDirectory = "C:\\";
    win = platform::makeHostWindows(o);
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
