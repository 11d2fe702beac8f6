// Any bytes as a sequence of calls on the document object, as a script may
// make them: templates and pictures from the repository, numbers of every
// kind (huge, negative, NaN, infinite). The library's numbered errors are
// expected; anything else is a finding: a sanitizer report, another
// exception, a call with a non-finite number that is accepted, a failed save
// that touched its target, a successful save of a file qpdf does not read
// cleanly or whose pages differ, a viewer started for a file that is no PDF,
// or a document that cannot be saved at the end.
//
// Input: one byte per operation (its number modulo the table below), then
// its arguments, all read from the front:
//   integer: a byte b; b < 0x40: b - 1; b < 0xC0: kInts[b % 16]; else the
//            next four bytes (little-endian)
//   float:   a byte b; b < 0x80: b / 2; b < 0xC0: kFloats[b % 16]; else the
//            next four bytes as an IEEE float
//   string:  a length byte, then that many bytes
//   choice:  a byte, modulo the number of choices
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include "tiskpdf/TiskPdf.h"

namespace fs = std::filesystem;

// An undefined behaviour ends the run, as an AddressSanitizer report does.
extern "C" const char* __ubsan_default_options() {
    return "halt_on_error=1:print_stacktrace=1";
}

namespace {

const std::string kExamples = DRO_EXAMPLES;
const std::string kData = TISKPDF_TEST_DATA;

const std::vector<std::string> kPdfs = {
    kExamples + "/faktura.pdf",
    kExamples + "/faktura2.pdf",
    kExamples + "/podminky.pdf",
    kExamples + "/sestava.pdf",
    kData + "/template_a4_gs.pdf",
    kData + "/template_2page_gs.pdf",
    kData + "/template_a4_encrypted.pdf",
    kData + "/template_a4_objstm.pdf",
    kData + "/template_letter_cairo.pdf",
    kData + "/template_letter_pdf20.pdf",
    kData + "/template_a4_damaged.pdf",
    kData + "/not_a_pdf.pdf",
    kData + "/no_such_file.pdf",
    kData,
    "",
};

const std::vector<std::string> kPictures = {
    kExamples + "/vodoznak.png",
    kData + "/wm_gray_72.png",
    kData + "/wm_150.jpg",
    kData + "/wm_24_topdown_72.bmp",
    kData + "/wm_low_50.png",
    kData + "/wm_rgba_100.png",
    kData + "/wm_mono_300.png",
    kData + "/wm_rle8.bmp",
    kData + "/not_a_picture.gif",
    kData + "/no_such_file.png",
    "",
};

const std::vector<std::string> kFaces = {"Courier New", "Liberation Sans", "Žádné takové písmo",
                                         ""};

const std::int32_t kInts[16] = {0,
                                -1,
                                72,
                                96,
                                150,
                                300,
                                600,
                                1,
                                std::numeric_limits<std::int32_t>::max(),
                                std::numeric_limits<std::int32_t>::min(),
                                65536,
                                1000000,
                                -72,
                                2,
                                3,
                                16576};

const float kInf = std::numeric_limits<float>::infinity();
const float kFloats[16] = {0.0f,
                           -0.0f,
                           1.0f,
                           12.0f,
                           100.0f,
                           -1.0f,
                           1e38f,
                           -1e38f,
                           3e38f,
                           std::numeric_limits<float>::max(),
                           std::numeric_limits<float>::quiet_NaN(),
                           kInf,
                           -kInf,
                           std::numeric_limits<float>::denorm_min(),
                           32767.0f,
                           1e-30f};

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
    bool empty() const { return p_ == end_; }
    std::uint8_t byte() { return p_ < end_ ? *p_++ : 0; }
    std::uint32_t raw32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(byte()) << (8 * i);
        return v;
    }
    std::int32_t integer() {
        const std::uint8_t b = byte();
        if (b < 0x40)
            return b - 1;
        if (b < 0xC0)
            return kInts[b % 16];
        return static_cast<std::int32_t>(raw32());
    }
    float real() {
        const std::uint8_t b = byte();
        if (b < 0x80)
            return b / 2.0f;
        if (b < 0xC0)
            return kFloats[b % 16];
        const std::uint32_t bits = raw32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    std::string text() {
        std::size_t n = byte();
        n = std::min<std::size_t>(n, static_cast<std::size_t>(end_ - p_));
        std::string s(reinterpret_cast<const char*>(p_), n);
        p_ += n;
        return s;
    }
    template <class T> const T& choice(const std::vector<T>& v) { return v[byte() % v.size()]; }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

[[noreturn]] void finding(const std::string& what) {
    std::fprintf(stderr, "finding: %s\n", what.c_str());
    std::abort();
}

bool finite(std::initializer_list<float> values) {
    for (float v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool endsWithPdf(const std::string& path) {
    if (path.size() < 4)
        return false;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".pdf";
}

// The saved file as qpdf reads it: no warnings, every page's content parsed
// without a complaint, as many pages as the document has.
void checkSaved(const std::string& file, const std::string& password, int pages) {
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(file.c_str(), password.c_str());
        std::vector<QPDFPageObjectHelper> all = QPDFPageDocumentHelper(pdf).getAllPages();
        if (static_cast<int>(all.size()) != pages)
            finding("saved " + std::to_string(all.size()) + " pages of " + std::to_string(pages));
        struct Discard final : QPDFObjectHandle::ParserCallbacks {
            void handleObject(QPDFObjectHandle) override {}
            void handleEOF() override {}
        } discard;
        for (auto& page : all) {
            page.parseContents(&discard);
            for (auto& [key, xobject] : page.getFormXObjects())
                xobject.parseAsContents(&discard);
        }
        if (pdf.anyWarnings())
            finding("qpdf warns about the saved file: " +
                    std::string(pdf.getWarnings().front().what()));
    } catch (const std::exception& e) {
        finding(std::string("qpdf cannot read the saved file: ") + e.what());
    }
}

struct Fixture {
    Fixture() {
        char tmpl[] = "/tmp/dro-fuzz-document-XXXXXX";
        if (!::mkdtemp(tmpl))
            std::abort();
        dir = tmpl;
        outputs = {
            dir / "out.pdf", dir / "OUT.PDF", dir / "out.hta", dir / "no/such/folder/x.pdf", dir,
            dir / "out.pdf."};
    }
    ~Fixture() { fs::remove_all(dir); }
    fs::path dir;
    std::vector<fs::path> outputs;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture fx;
    for (auto& e : fs::directory_iterator(fx.dir))
        fs::remove_all(e.path());

    std::vector<std::string> opened;
    pdfforms::PdfDocumentHost host;
    host.openInViewer = [&](const std::string& file) { opened.push_back(file); };
    auto doc = tiskpdf::CreatePdfDocument(host);
    std::string password;
    std::string refusal; // the description of the last refused save

    // A save: refused with nothing touched, or a complete file.
    auto save = [&](const fs::path& target, bool flag) {
        const bool existed = fs::exists(target) && fs::is_regular_file(target);
        const std::string before = existed ? readFile(target) : "";
        opened.clear();
        const int pages = doc->PageCount();
        try {
            doc->SaveDocument(target.string(), flag);
        } catch (const pdfforms::NumberedError& e) {
            refusal = e.description();
            if (existed ? readFile(target) != before
                        : fs::exists(target) && !fs::is_directory(target))
                finding("a failed save touched its target");
            for (auto& e : fs::directory_iterator(fx.dir))
                if (e.path().filename().string().rfind(".", 0) == 0)
                    finding("a failed save left " + e.path().string());
            return false;
        }
        if (pages == 0)
            finding("a document without pages was saved");
        checkSaved(target.string(), password, pages);
        if (flag && endsWithPdf(target.string()) != (opened.size() == 1))
            finding("viewer " + std::string(opened.empty() ? "not " : "") + "started for " +
                    target.string());
        if (!flag && !opened.empty())
            finding("viewer started without the flag");
        return true;
    };

    Input in(data, size);
    for (int op = 0; op < 64 && !in.empty(); ++op) {
        try {
            switch (in.byte() % 25) {
            case 0: {
                const std::string& f = in.choice(kPdfs);
                doc->OpenPdf(f, in.byte() % 2 ? "" : "heslo");
                break;
            }
            case 1: {
                const std::string& f = in.choice(kPdfs);
                doc->AppendPdf(f, in.byte() % 2 ? "" : "heslo");
                break;
            }
            case 2:
                if (doc->PageCount() < 0)
                    finding("negative page count");
                break;
            case 3:
                doc->SelectPage(in.integer());
                break;
            case 4:
                doc->LoadImage(in.choice(kPictures));
                break;
            case 5:
                if (doc->ImageResolution(in.integer()) <= 0)
                    finding("picture resolution not above 0");
                break;
            case 6:
                if (doc->Resolution() <= 0)
                    finding("resolution not above 0");
                break;
            case 7:
                doc->SetResolution(in.integer());
                break;
            case 8:
                doc->NewWatermark();
                break;
            case 9:
                doc->BeginWatermark(in.integer());
                break;
            case 10: {
                const std::int32_t h = in.integer();
                const float x = in.real(), y = in.real();
                doc->DrawImage(h, x, y);
                if (!finite({x, y}))
                    finding("DrawImage accepted a non-finite position");
                break;
            }
            case 11:
                doc->EndWatermark();
                break;
            case 12: {
                const std::int32_t page = in.integer();
                doc->ApplyWatermark(page, in.integer());
                break;
            }
            case 13:
                doc->SetDocumentMode(in.integer());
                break;
            case 14: {
                const std::int32_t which = in.integer();
                doc->SetInfoText(static_cast<pdfforms::InfoText>(which), in.text());
                break;
            }
            case 15: {
                const std::string& face = in.choice(kFaces);
                const std::uint8_t b = in.byte();
                doc->RegisterFont(face, b & 1, b & 2, (b >> 2) & 1, 0, 0);
                break;
            }
            case 16: {
                const std::int32_t font = in.integer();
                const float s = in.real();
                doc->UseFont(font, s);
                if (!finite({s}))
                    finding("UseFont accepted a non-finite size");
                break;
            }
            case 17: {
                const float s = in.real();
                doc->SetTextScaling(s);
                if (!finite({s}))
                    finding("SetTextScaling accepted a non-finite scaling");
                break;
            }
            case 18:
                doc->SetColorMode(in.integer());
                break;
            case 19: {
                const float a = in.real(), b = in.real(), c = in.real(), d = in.real();
                doc->SetTextColor(a, b, c, d);
                if (!finite({a, b, c, d}))
                    finding("SetTextColor accepted a non-finite component");
                break;
            }
            case 20: {
                const float x = in.real(), y = in.real();
                doc->MoveTextTo(x, y);
                if (!finite({x, y}))
                    finding("MoveTextTo accepted a non-finite position");
                break;
            }
            case 21:
                doc->DrawText(in.text());
                break;
            case 22: {
                const std::string p = in.text();
                doc->SetPassword(p);
                password = p; // the one the saves use from now on
            } break;
            case 23:
                doc->FinishDocument();
                break;
            case 24: {
                const fs::path& target = in.choice(fx.outputs);
                save(target, in.byte() % 2);
                break;
            }
            }
        } catch (const pdfforms::NumberedError& e) {
            if (e.description().empty())
                finding("an error without a description");
        } catch (const std::exception& e) {
            finding(std::string("an exception other than the numbered error: ") + e.what());
        }
    }

    // Whatever came before, the document is still usable: it is finished
    // and saved (a document with pages), or its save is refused.
    try {
        doc->FinishDocument();
    } catch (const std::exception& e) {
        finding(std::string("FinishDocument failed: ") + e.what());
    }
    const bool hasPages = doc->PageCount() > 0;
    try {
        if (save(fx.dir / "final.pdf", false) != hasPages)
            finding("the final save of a document with pages failed: " + refusal);
    } catch (const std::exception& e) {
        finding(std::string("the final save raised: ") + e.what());
    }
    return 0;
}
