// Any bytes as the FAND text of an invoice: the whole job, from the
// parameter file to the saved PDF, on the example's template with its
// continuation template, watermark and attachment.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "FuzzMachine.h"
#include "ProgIdRegistry.h"
#include "mdlGlob.h"
#include "tiskpdf/TiskPdf.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzing::FuzzMachine m;
    static pdfforms::ProgIdRegistry registry;
    static bool prepared = false;
    if (!prepared) {
        fs::create_directories(m.hostC("tisk"));
        for (const char* f : {"faktura.pdf", "faktura2.pdf", "vodoznak.png", "podminky.pdf"})
            fs::copy_file(std::string(DRO_EXAMPLES) + "/" + f, m.hostC(std::string("tisk/") + f),
                          fs::copy_options::overwrite_existing);
        m.write("tisk/job.par", "FAKT\r\nC:\\tisk\\fand.txt\r\nC:\\tisk\\faktura.pdf\r\n"
                                "C:\\out\\f.pdf\r\n\r\n0 0 96\r\nC:\\tisk\\vodoznak.png\r\n"
                                "C:\\tisk\\podminky.pdf\r\n\r\n");
        fs::create_directories(m.hostC("out"));
        registry.Register(pdfforms::kPdfDocumentProgId, [](const pdfforms::PdfDocumentHost& host) {
            return tiskpdf::CreatePdfDocument(host);
        });
        prepared = true;
    }
    m.write("tisk/fand.txt", std::string(reinterpret_cast<const char*>(data), size));
    fs::remove(m.hostC("out/f.pdf"));
    pdfforms::mdlGlob::Job job(*m.win, registry);
    const auto outcome = job.Main("$ C:\\tisk\\job.par");
    const bool saved = fs::exists(m.hostC("out/f.pdf"));
    if ((outcome == pdfforms::mdlGlob::JobOutcome::Saved) != saved)
        std::abort(); // success must mean a PDF, failure no PDF
    m.ui.clearShown();
    return 0;
}
