// Instal on Linux: the installer's window on the terminal, working in the
// emulated Windows of the Wine-style prefix ($WINEPREFIX, else ~/.wine).
//
//   Instal VERSION PACKAGEFILE [X] [update]
//
// The installer's folder is the folder of the program as it was invoked, so a
// link to the binary placed beside the package file makes that folder the
// installer's folder.
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "LinuxTerminalFrontEnd.h"
#include "platform/Host.h"
#include "uInstal.h"

namespace {

constexpr const char* kUsage =
    "Použití: Instal VERZE SOUBOR_BALÍKU [X] [update]\n"
    "Nainstaluje program DRO ze souboru balíku ve složce programu Instal (s update\n"
    "aktualizuje existující instalaci; s X smaže zkopírovaný soubor balíku).\n"
    "\n"
    "  --help     vypíše tuto nápovědu\n"
    "  --version  vypíše verzi programu\n"
    "\n"
    "Okno se vypisuje na standardní výstup, příkazy (click JMÉNO, type JMÉNO TEXT,\n"
    "show, help) a odpovědi se čtou ze standardního vstupu; konec vstupu stiskne\n"
    "Zrušit. Windows je prefix z $WINEPREFIX, jinak ~/.wine.\n";

std::string currentHostFolder() {
    char buf[PATH_MAX];
    return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string("/");
}

// The program's path as it was invoked, made absolute without following
// symbolic links; empty when it cannot be told.
std::string invokedPath(const char* argv0) {
    const std::string name = argv0 ? argv0 : "";
    if (name.empty())
        return {};
    if (name.front() == '/')
        return name;
    if (name.find('/') != std::string::npos)
        return currentHostFolder() + "/" + name;
    // A bare name was found on the search path.
    const char* path = std::getenv("PATH");
    std::string all = path ? path : "";
    for (std::size_t s = 0; s <= all.size();) {
        auto e = all.find(':', s);
        if (e == std::string::npos)
            e = all.size();
        const std::string dir = e > s ? all.substr(s, e - s) : std::string(".");
        const std::string candidate = dir + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.front() == '/' ? candidate : currentHostFolder() + "/" + candidate;
        s = e + 1;
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::cout << kUsage;
        return 0;
    }
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::cout << "Instal " << INSTAL_VERSION << "\n";
        return 0;
    }
    installer::FdLineSource input(STDIN_FILENO);
    installer::TerminalUserInterface ui(input, std::cout);

    platform::HostOptions options;
    options.ui = &ui;
    options.modulePath = invokedPath(argc > 0 ? argv[0] : nullptr);
    auto win = platform::makeHostWindows(options);

    // One installer at a time: a second start brings the first one's window
    // to the front and ends.
    auto mutex = win->createMutex(installer::kInstanceName);
    if (mutex->alreadyExisted()) {
        win->broadcastMessage(win->registerWindowMessage(installer::kInstanceName));
        return 0;
    }

    // Argument 0 is the program as invoked, seen as a Windows path.
    const std::string argument0 = win->modulePath();
    std::vector<std::string> arguments{argument0};
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);

    installer::TInstal form(*win, arguments);
    return installer::RunTerminal(form, ui, std::cout);
}
