// An emulated Windows in a temporary folder for the fuzz targets, kept for
// the whole run of the fuzzer.
#pragma once

#include <memory>
#include <string>

#include "platform/Host.h"
#include "platform/ScriptedUserInterface.h"

namespace fuzzing {

struct FuzzMachine {
    FuzzMachine();
    ~FuzzMachine();
    // Host path of a file below drive C:.
    std::string hostC(const std::string& relative) const;
    void write(const std::string& relativeToC, const std::string& bytes) const;

    platform::ScriptedUserInterface ui;
    std::string root;
    std::unique_ptr<platform::Windows> win;
};

// Ends the run with a report when an invariant of the code under test breaks.
void require(bool ok, const char* what);

} // namespace fuzzing
