#include "mdlAPI.h"

#include "platform/WinPath.h"

namespace pdfforms::mdlAPI {

namespace {
constexpr const char* kTitle = "Hlášení programu Listar2...";
// FindExecutable's result buffer: MAX_PATH characters.
constexpr std::size_t kMaxPath = 260;
} // namespace

std::string TrimNull(const std::string& text) {
    const std::size_t nul = text.find('\0');
    return nul == std::string::npos ? text : text.substr(0, nul);
}

std::string Trim(std::string_view text, std::string_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return "";
    }
    return std::string(text.substr(first, text.find_last_not_of(blanks) - first + 1));
}

std::string AssociatedProgram(platform::Windows& windows, const std::string& file) {
    std::string result(kMaxPath, ' ');
    const std::intptr_t code = windows.findExecutable(file, "", result);
    if (code > 32) {
        return TrimNull(result);
    }
    return "";
}

std::optional<std::string> ResolvePath(platform::Windows& windows, const std::string& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    // A host path ("/...") goes through the emulated Windows as well, where
    // it is seen under Z: (or its drive): its names are then matched without
    // regard to case, so the upper-cased continuation template is found.
    platform::Result<std::string> native = windows.nativePath(path);
    if (!native) {
        return std::nullopt;
    }
    return *native;
}

void OfferLibrarySetup(platform::Windows& windows, const std::string& samplePdf) {
    platform::UserInterface& ui = windows.ui();
    const int answer = ui.messageBox(
        "Před prvním spuštěním programu na tvorbu PDF \r"
        "tiskopisů je nutné nainstalovat do systému \r"
        "nezbytnou podporu. Chcete to provést hned? \r"
        "(Instaluje se pouze jeden soubor.)",
        "Dotaz...", platform::kMbYesNo | platform::kMbIconQuestion | platform::kMbSystemModal);
    if (answer != platform::kIdYes) {
        return;
    }

    if (AssociatedProgram(windows, samplePdf).empty()) {
        ui.messageBox(std::string("V systému ještě chybí program k prohlížení a tisku\r"
                                  "PDF souborů. Ten si můžete doinstalovat z našeho\r"
                                  "distribučního CD nebo ze stránek ") +
                          kMakerWebSite +
                          "\r"
                          "z odkazu /Ke stažení (Program Adobe Reader).",
                      kTitle, platform::kMbOk | platform::kMbIconInformation);
    }

    const std::string setup = platform::extractFilePath(windows.modulePath()) + "SETUPCP.EXE";

    bool found = false;
    if (platform::Result<std::vector<platform::FindData>> hits = windows.findFiles(setup)) {
        constexpr std::uint32_t notOrdinary = platform::kFileAttributeDirectory |
                                              platform::kFileAttributeHidden |
                                              platform::kFileAttributeSystem;
        for (const platform::FindData& hit : *hits) {
            found = found || (hit.attributes & notOrdinary) == 0;
        }
    }
    if (!found) {
        ui.messageBox("Nelze spustit instalaci TiskPDF\r"
                      "protože chybí soubor {TISK}\\SETUPCP.EXE.\r"
                      "Zavolejte hot-line bilko.",
                      kTitle, platform::kMbOk | platform::kMbIconInformation);
        return;
    }

    // Started and left to run on its own: the tool does not wait for it.
    auto started = windows.createProcess("\"" + setup + "\"", "", platform::kSwShowNormal);
    if (!started) {
        // The installer is there but does not start: say so rather than end
        // as if it were running.
        ui.messageBox("Nelze spustit instalaci TiskPDF\r" + windows.formatMessage(started.error()) +
                          "\rZavolejte hot-line bilko.",
                      kTitle, platform::kMbOk | platform::kMbIconInformation);
    }
}

} // namespace pdfforms::mdlAPI
