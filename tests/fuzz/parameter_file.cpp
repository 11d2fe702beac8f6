// Any bytes as the parameter file of a print job.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzMachine.h"
#include "ProgIdRegistry.h"
#include "mdlGlob.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzing::FuzzMachine m;
    static const pdfforms::ProgIdRegistry registry;
    static bool prepared = false;
    if (!prepared) {
        m.write("forms/fakt.pdf", "%PDF-1.4\n");
        m.write("forms/logo.png", "x");
        prepared = true;
    }
    m.write("job/param.txt", std::string(reinterpret_cast<const char*>(data), size));
    pdfforms::mdlGlob::Job job(*m.win, registry);
    try {
        if (!job.CtiParametry("$ C:\\job\\param.txt"))
            std::abort(); // the command line is right; only the file varies
    } catch (const pdfforms::NumberedError& e) {
        const int n = e.number();
        if (n != 601 && n != 602 && n != 603 && n != 604 &&
            e.description() != "Chyba při čtení parametrů.")
            std::abort();
    }
    job.EndJob();
    return 0;
}
