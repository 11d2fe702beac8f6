// Instal on Windows: the installer's window with real controls.
//
//   Instal.exe VERSION PACKAGEFILE [X] [update]
//
// One installer at a time: a second start sends the installers' registered
// message to every top-level window, which brings the first one's window to
// the front, and ends with 0.
#include <cstdlib>
#include <string>
#include <vector>

#include "Win32MainWindow.h"
#include "platform/DllSearch.h"
#include "platform/Host.h"
#include "platform/win32/Support.h"
#include "uInstal.h"

int wmain(int argc, wchar_t** argv) {
    // Before anything loads a DLL: none from the installer's own folder,
    // where the package files lie.
    platform::restrictDllSearch();
    const auto system = platform::makeSystemUserInterface();
    installer::MainWindowUserInterface ui(*system);
    platform::HostOptions options;
    options.ui = &ui;
    const auto win = platform::makeHostWindows(options);

    const auto mutex = win->createMutex(installer::kInstanceName);
    if (mutex->alreadyExisted()) {
        win->broadcastMessage(win->registerWindowMessage(installer::kInstanceName));
        return 0;
    }

    // Argument 0 is the installer's own path, the folder of the package file.
    std::vector<std::string> arguments{win->modulePath()};
    for (int i = 1; i < argc; ++i)
        arguments.push_back(platform::win32::narrow(argv[i]));

    installer::TInstal form(*win, arguments);
    installer::Win32MainWindow window(form, ui);
    return window.run();
}
