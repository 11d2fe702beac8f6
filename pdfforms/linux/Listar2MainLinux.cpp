// Listar2: one print job from a parameter file to a PDF file.
//
//   Listar2 $ <parameter file>
//
// Exit status: 0 the PDF file was saved, 1 the job failed and its message
// was shown, 2 the command line was not a print job (the run ends silently).
#include <cstdio>
#include <exception>
#include <string>

#include "LinuxConsoleUserInterface.h"
#include "ProgIdRegistry.h"
#include "mdlGlob.h"
#include "platform/Host.h"
#include "tiskpdf/TiskPdf.h"

namespace {

constexpr const char* kUsage =
    "Použití: Listar2 $ <soubor parametrů>\n"
    "Vytvoří PDF tiskopis podle souboru parametrů, který připravil program Dro.\n"
    "\n"
    "  --help     vypíše tuto nápovědu\n"
    "  --version  vypíše verzi programu\n"
    "\n"
    "Cesty v souboru parametrů jsou cesty Windows (prefix z $WINEPREFIX, jinak ~/.wine).\n"
    "Návratový kód: 0 PDF uloženo, 1 tiskopis se nevytvořil, 2 chybný příkazový řádek.\n";

// The classes this program can create by programmatic identifier.
void registerClasses(pdfforms::ProgIdRegistry& registry) {
    registry.Register(pdfforms::kPdfDocumentProgId, [](const pdfforms::PdfDocumentHost& host) {
        return tiskpdf::CreatePdfDocument(host);
    });
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::printf("Listar2 %s\n", LISTAR2_VERSION);
        return 0;
    }
    // The command line as Windows hands it over: the words after the
    // program's name, separated by single spaces.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            commandLine += ' ';
        }
        commandLine += argv[i];
    }

    try {
        pdfforms::ConsoleUserInterface ui;
        platform::HostOptions options;
        options.ui = &ui;
        const std::unique_ptr<platform::Windows> windows = platform::makeHostWindows(options);

        pdfforms::ProgIdRegistry registry;
        registerClasses(registry);
        pdfforms::mdlGlob::Job job(*windows, registry);
        return pdfforms::mdlGlob::ExitStatus(job.Main(commandLine));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Listar2: %s\n", e.what());
    }
    return 1;
}
