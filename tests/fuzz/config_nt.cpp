// Any bytes as Config.nt: the rewrite keeps every line, sets every line that
// mentions FILES to FILES=211 and keeps the old lines in Config.DRO.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <sstream>

#include "FuzzMachine.h"
#include "support/LaunchScripts.h"
#include "support/TextFiles.h"

using fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzing::FuzzMachine m;
    m.write("windows/system32/Config.nt", std::string(reinterpret_cast<const char*>(data), size));

    const auto before = support::ReadTextLines(*m.win, "C:\\windows\\system32\\Config.nt");
    support::EnsureConfigNtFiles(*m.win);
    const auto after = support::ReadTextLines(*m.win, "C:\\windows\\system32\\Config.nt");
    const auto copy = support::ReadTextLines(*m.win, "C:\\windows\\system32\\Config.DRO");

    require(copy == before, "Config.DRO holds the old lines");
    require(after.size() == before.size(), "no line added or lost");
    for (std::size_t i = 0; i < after.size(); ++i) {
        std::string upper = before[i];
        for (char& c : upper)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
        const bool files = upper.find("FILES") != std::string::npos;
        require(after[i] == (files ? std::string("FILES=211") : before[i]), "line rewritten right");
    }
    std::ifstream in(m.hostC("windows/system32/Config.nt"), std::ios::binary);
    std::ostringstream written;
    written << in.rdbuf();
    const std::string w = written.str();
    require(w.empty() || w.substr(w.size() - 2) == "\r\n", "CR LF at the end");
    return 0;
}
