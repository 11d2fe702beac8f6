// Listar2.exe: one print job from a parameter file to a PDF file, a Windows
// program without a window of its own. What it says to the user goes through
// the system's message boxes; the document object is the TiskPDF component,
// created through COM by its programmatic identifier.
//
//   Listar2.exe $ <parameter file>
//
// Exit code: 0 the PDF file was saved, 1 the job failed and its message was
// shown, 2 the command line was not a print job (the run ends silently).
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "Win32ComDocument.h"
#include "mdlGlob.h"
#include "platform/DllSearch.h"
#include "platform/Host.h"
#include "platform/win32/Support.h"

namespace {

// The text after the program's own name, as Windows hands it to a program:
// the name (in double quotes, or up to the first blank) and the blanks after
// it are skipped; the rest is kept exactly, blanks inside included.
std::string commandArguments(std::wstring_view line) {
    std::size_t i = 0;
    if (!line.empty() && line[0] == L'"') {
        const std::size_t close = line.find(L'"', 1);
        i = close == std::wstring_view::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && line[i] != L' ' && line[i] != L'\t')
            ++i;
    }
    while (i < line.size() && (line[i] == L' ' || line[i] == L'\t'))
        ++i;
    const std::wstring_view rest = line.substr(i);
    return platform::win32::narrow(rest);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything loads a DLL: none from the print folder, which the
    // package's users may write to.
    platform::restrictDllSearch();
    const std::string commandLine = commandArguments(::GetCommandLineW());
    try {
        const std::unique_ptr<platform::UserInterface> ui = platform::makeSystemUserInterface();
        platform::HostOptions options;
        options.ui = ui.get();
        // The layer initialises COM on this thread for the job's lifetime.
        const std::unique_ptr<platform::Windows> windows = platform::makeHostWindows(options);
        const pdfforms::Win32ComObjectCreator objects;
        pdfforms::mdlGlob::Job job(*windows, objects);
        return pdfforms::mdlGlob::ExitStatus(job.Main(commandLine));
    } catch (...) {
        // The job reports its own failures; this is a start that failed.
    }
    return 1;
}
