// Helpers of the shell-link tests: files as bytes, and lnkinfo's report.
#pragma once

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <string>

#include "TestMachine.h"

namespace linktest {

inline const std::filesystem::path kFixtures = SHELLLINK_FIXTURES;

inline std::string readBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeBytes(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

// lnkinfo's verbose report of a link, its ANSI strings read in code page 1250.
inline std::string lnkinfo(const std::filesystem::path& p) {
    return testmachine::runHostCommand("lnkinfo -v -c windows-1250 " +
                                       testmachine::shellQuote(p.string()) + " 2>&1")
        .output;
}

// True when the report has the line "label : value" (lnkinfo puts tabs
// between).
inline bool shows(const std::string& report, const std::string& label, const std::string& value) {
    std::string escaped;
    for (char c : value) {
        if (std::strchr("\\^$.|?*+()[]{}", c))
            escaped += '\\';
        escaped += c;
    }
    return std::regex_search(report, std::regex("\t" + label + "\t+: " + escaped + "\n"));
}

} // namespace linktest
