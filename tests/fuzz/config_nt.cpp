// Any bytes as Config.nt: the rewrite keeps every line, sets every line that
// mentions FILES to FILES=211 and keeps the old lines in Config.DRO.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/LinuxWindows.h"
#include "platform/ScriptedUserInterface.h"
#include "support/Errors.h"
#include "support/LaunchScripts.h"
#include "support/TextFiles.h"

namespace {

struct Machine {
    platform::ScriptedUserInterface ui;
    std::string root;
    std::unique_ptr<platform::Windows> win;
    Machine() {
        char tmpl[] = "/tmp/dro-fuzz-XXXXXX";
        root = ::mkdtemp(tmpl);
        platform::LinuxWindowsOptions o;
        o.prefix = root + "/prefix";
        o.user = "fuzz";
        o.ui = &ui;
        o.runtimeDir = root + "/run";
        o.currentDirectory = "C:\\";
        win = platform::makeLinuxWindows(o);
    }
    ~Machine() { std::filesystem::remove_all(root); }
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Machine m;
    const std::string system = m.root + "/prefix/drive_c/windows/system32";
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::ofstream(system + "/Config.nt", std::ios::binary | std::ios::trunc) << input;

    const auto before = support::ReadTextLines(*m.win, "C:\\windows\\system32\\Config.nt");
    support::EnsureConfigNtFiles(*m.win);
    const auto after = support::ReadTextLines(*m.win, "C:\\windows\\system32\\Config.nt");
    const auto copy = support::ReadTextLines(*m.win, "C:\\windows\\system32\\Config.DRO");

    check(copy == before, "Config.DRO holds the old lines");
    check(after.size() == before.size(), "no line added or lost");
    for (std::size_t i = 0; i < after.size(); ++i) {
        std::string upper = before[i];
        for (char& c : upper)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
        const bool files = upper.find("FILES") != std::string::npos;
        check(after[i] == (files ? std::string("FILES=211") : before[i]), "line rewritten right");
    }
    const std::string written = slurp(system + "/Config.nt");
    check(written.empty() || written.substr(written.size() - 2) == "\r\n", "CR LF at the end");
    return 0;
}
