// The page import: files read once, their pages copied once and shared by
// every later use, the geometry of each page for the drawing.
#include "PageImport.h"

#include <cmath>
#include <filesystem>

#include <qpdf/QPDFExc.hh>

#include "platform/Host.h"

#include "Util.h"
#include "tiskpdf/TiskPdf.h"

namespace tiskpdf {

namespace {

// The visible area of a page: its CropBox, else its MediaBox, else Letter.
void pageBox(QPDFObjectHandle page, double& llx, double& lly, double& urx, double& ury) {
    QPDFObjectHandle box = page.getKey("/CropBox");
    if (!box.isArray() || box.getArrayNItems() != 4)
        box = page.getKey("/MediaBox");
    llx = 0, lly = 0, urx = 612, ury = 792;
    if (box.isArray() && box.getArrayNItems() == 4) {
        auto r = box.getArrayAsRectangle();
        llx = std::min(r.llx, r.urx);
        urx = std::max(r.llx, r.urx);
        lly = std::min(r.lly, r.ury);
        ury = std::max(r.lly, r.ury);
    }
}

// Far beyond any page (PDF's own limit is 14,400 units), near enough for
// every position drawn on it to be a number a reader takes.
constexpr double kMaxPageCoordinate = 1000000;

} // namespace

PageImport::PageImport(QPDF& out, std::function<std::string(const std::string&)> resolve)
    : out_(out), resolve_(std::move(resolve)) {}

Source& PageImport::source(const std::string& path, const std::string& password) {
    // Forms append the same template again and again: the path as given
    // is resolved once.
    if (auto known = sourceByPath_.find(path); known != sourceByPath_.end())
        return *known->second;
    Source& src = openSource(path, password);
    sourceByPath_[path] = &src;
    return src;
}

Source& PageImport::openSource(const std::string& path, const std::string& password) {
    const std::string file = resolve_(path);
    auto it = sources_.find(file);
    if (it != sources_.end())
        return it->second;
    auto pdf = std::make_shared<QPDF>();
    pdf->setSuppressWarnings(true);
    Source src;
    try {
        std::error_code missing;
        if (!std::filesystem::exists(platform::fsPath(file), missing) && !missing)
            fail(hr::kFileNotFound, "Soubor PDF neexistuje: " + path);
        pdf->processFile(file.c_str(), password.c_str());
        pdf->pushInheritedAttributesToPage();
        for (auto& page : pdf->getAllPages()) {
            double box[4];
            pageBox(page, box[0], box[1], box[2], box[3]);
            for (double v : box)
                if (!(std::fabs(v) <= kMaxPageCoordinate))
                    fail(hr::kPdfUnreadable, "Soubor PDF nelze přečíst: " + path + " (stránka " +
                                                 std::to_string(src.pristine.size() + 1) +
                                                 " má nesmyslnou velikost)");
            src.pristine.push_back(page);
        }
    } catch (const pdfforms::NumberedError&) {
        throw;
    } catch (const QPDFExc& e) {
        if (e.getErrorCode() == qpdf_e_password)
            fail(hr::kPdfPassword, "Soubor PDF je chráněn heslem: " + path);
        fail(hr::kPdfUnreadable,
             "Soubor PDF nelze přečíst: " + path + " (" + e.getMessageDetail() + ")");
    } catch (const std::exception& e) {
        fail(hr::kPdfUnreadable, "Soubor PDF nelze přečíst: " + path + " (" + e.what() + ")");
    }
    PDFVersion fileVersion = pdf->getVersionAsPDFVersion();
    if (maxVersion_ < fileVersion)
        maxVersion_ = fileVersion;
    src.pdf = std::move(pdf);
    return sources_.emplace(file, std::move(src)).first->second;
}

void PageImport::appendPages(Source& src, const std::string& path,
                             std::vector<std::unique_ptr<Page>>& pages) {
    try {
        if (!src.copied) {
            // First use: the pages and everything they refer to are
            // copied once; later uses share them.
            std::vector<QPDFObjectHandle> firstCopies;
            for (auto& foreign : src.pristine) {
                out_.addPage(foreign, false);
                QPDFObjectHandle page = out_.getAllPages().back();
                shareDirect(page, "/Resources");
                shareDirect(page, "/Contents");
                firstCopies.push_back(page.shallowCopy());
                pages.push_back(pageEntry(page, firstCopies.back()));
            }
            src.pristine = std::move(firstCopies);
            src.copied = true;
        } else {
            for (auto& pristine : src.pristine) {
                // Only the copy's own keys are replaced later (/Contents,
                // /Resources, /Parent), never what they hold: the copy may
                // share the direct objects of the first copy (a third of
                // the memory of a full copy).
                QPDFObjectHandle page = out_.makeIndirectObject(pristine.unsafeShallowCopy());
                out_.addPage(page, false);
                pages.push_back(pageEntry(page, pristine));
            }
        }
    } catch (const pdfforms::NumberedError&) {
        throw;
    } catch (const std::exception& e) {
        fail(hr::kPdfUnreadable, "Soubor PDF nelze přečíst: " + path + " (" + e.what() + ")");
    }
}

// A direct /Resources dictionary or /Contents array becomes an indirect
// object, so that every copy of the page refers to the same one.
void PageImport::shareDirect(QPDFObjectHandle& page, const char* key) {
    QPDFObjectHandle v = page.getKey(key);
    if (!v.isIndirect() && (v.isDictionary() || v.isArray()))
        page.replaceKey(key, out_.makeIndirectObject(v));
}

std::unique_ptr<Page> PageImport::pageEntry(QPDFObjectHandle page, QPDFObjectHandle pristine) {
    auto p = std::make_unique<Page>();
    p->object = page;
    p->pristine = pristine;
    double llx, lly, urx, ury;
    pageBox(pristine, llx, lly, urx, ury);
    // The page as it is shown: turned clockwise by /Rotate (a multiple of
    // 90 degrees; another value is not valid and shows the page upright).
    long long rotate = 0;
    if (QPDFObjectHandle r = pristine.getKey("/Rotate"); r.isInteger())
        rotate = ((r.getIntValue() % 360) + 360) % 360;
    const double width = urx - llx, height = ury - lly;
    // cm matrix of the shown page (origin at its lower left) to user space
    double m[6] = {1, 0, 0, 1, 0, 0};
    if (rotate == 90)
        m[0] = 0, m[1] = 1, m[2] = -1, m[3] = 0, m[4] = urx, m[5] = lly;
    else if (rotate == 180)
        m[0] = -1, m[1] = 0, m[2] = 0, m[3] = -1, m[4] = urx, m[5] = ury;
    else if (rotate == 270)
        m[0] = 0, m[1] = -1, m[2] = 1, m[3] = 0, m[4] = llx, m[5] = ury;
    else
        rotate = 0;
    if (rotate == 0) {
        p->canvas.originX = llx;
        p->canvas.originY = ury;
    } else {
        for (double v : m) {
            appendNumber(p->canvas.turn, v);
            p->canvas.turn += ' ';
        }
        p->canvas.turn += "cm\n";
        p->canvas.originX = 0;
        p->canvas.originY = rotate == 180 ? height : width;
    }
    return p;
}

} // namespace tiskpdf
