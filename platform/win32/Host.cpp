// The Windows layer of a Windows host: the real system, with COM ready for
// the shell's objects.
#include <objbase.h>

#include "win32/Win32Windows.h"

namespace platform {
namespace win32 {

Win32Windows::Win32Windows(const HostOptions& options) : options_(options) {
    if (!options_.currentDirectory.empty())
        ::SetCurrentDirectoryW(wide(options_.currentDirectory).c_str());
}

Win32Windows::~Win32Windows() {
    if (messageWindow_)
        ::DestroyWindow(messageWindow_);
}

} // namespace win32

std::unique_ptr<Windows> makeHostWindows(const HostOptions& options) {
    return std::make_unique<win32::Win32Windows>(options);
}

std::unique_ptr<UserInterface> makeSystemUserInterface() {
    return win32::makeWin32UserInterface();
}

} // namespace platform
