// The document object of the print forms, on qpdf: the operations, tying
// together the content-stream builder (ContentStream.*), the page import
// (PageImport.*), the compression of finished pages (PageStreams.*) and the
// save (Save.*).
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include <qpdf/QPDF.hh>

#include "ContentStream.h"
#include "Fonts.h"
#include "Images.h"
#include "PageImport.h"
#include "PageStreams.h"
#include "Save.h"
#include "Util.h"
#include "platform/Host.h"
#include "tiskpdf/TiskPdf.h"

namespace tiskpdf {

namespace {

using pdfforms::InfoText;

struct Image {
    QPDFObjectHandle xobject;
    int width, height;
    double xDpi, yDpi;
};

// One drawing of a watermark, a form XObject. Each BeginWatermark ..
// EndWatermark makes a new drawing; one equal to the previous drawing is not
// kept, so redrawing the same picture for every form (as the renderers do) keeps one
// XObject. A page shows the drawing that was current at ApplyWatermark.
struct WatermarkDrawing {
    Canvas canvas;
    QPDFObjectHandle xobject;
    int id = 0;
};

struct Watermark {
    std::vector<std::unique_ptr<WatermarkDrawing>> drawings;
    std::unique_ptr<WatermarkDrawing> open; // between Begin and End
    int resolution = 72;
};

// Font sizes in points and horizontal scaling in percent that a call may
// set: far beyond what a form uses, and small enough that every position and
// extent computed from them stays a number a PDF reader takes.
constexpr float kMinFontSize = 0.01f, kMaxFontSize = 1000;
constexpr float kMinScaling = 1, kMaxScaling = 1000;
// The longest password AES-256 encryption takes, in bytes of UTF-8.
constexpr std::size_t kMaxPasswordBytes = 127;
// The smallest picture drawn, in points: smaller would be written as 0.
constexpr double kMinPictureSize = 0.01;

// A position in points from the top-left corner that a page can take
// (false for NaN and the infinities).
bool onPage(double points) {
    return std::fabs(points) <= kMaxPosition;
}

bool sameDrawing(const Canvas& a, const Canvas& b) {
    return a.ops == b.ops && a.inText == b.inText && a.fonts == b.fonts && a.images == b.images;
}

std::string readFile(const std::string& path, bool& missing) {
    std::ifstream in(platform::fsPath(path), std::ios::binary);
    missing = false;
    if (!in) {
        missing = (errno == ENOENT);
        throw std::runtime_error(std::strerror(errno));
    }
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad())
        throw std::runtime_error("chyba čtení");
    return s.str();
}

class Document final : public pdfforms::IPDFDocument {
public:
    Document(pdfforms::PdfDocumentHost host, PageCompression compress)
        : host_(std::move(host)), streams_(std::move(compress)) {
        out_.emptyPDF();
        out_.setSuppressWarnings(true);
    }

    // ------------------------------------------------------------ pages

    void OpenPdf(const std::string& path, const std::string& password) override {
        Source& src = import_.source(path, password);
        closeRun();
        for (auto& p : pages_) {
            out_.removePage(p->object);
            for (std::size_t n : p->streams)
                streams_.discard(n);
        }
        pages_.clear();
        selected_ = 0;
        watermarkTarget_ = -1;
        current_ = nullptr;
        appendPages(src, path);
        if (!pages_.empty())
            current_ = &pages_[0]->canvas;
    }

    void AppendPdf(const std::string& path, const std::string& password) override {
        Source& src = import_.source(path, password);
        appendPages(src, path);
        if (!current_ && !pages_.empty())
            current_ = &pages_[selected_]->canvas;
    }

    std::int32_t PageCount() override { return static_cast<std::int32_t>(pages_.size()); }

    void SelectPage(std::int32_t index) override {
        checkPage(index);
        closeRun();
        if (index != selected_)
            finishPage(*pages_[selected_]);
        selected_ = index;
        if (watermarkTarget_ < 0)
            current_ = &pages_[index]->canvas;
    }

    // ------------------------------------------------------------ pictures

    std::int32_t LoadImage(const std::string& path) override {
        const std::string file = resolve(path);
        auto cached = imageByFile_.find(file);
        if (cached != imageByFile_.end())
            return cached->second;
        std::string bytes;
        bool missing = false;
        try {
            bytes = readFile(file, missing);
        } catch (const std::exception& e) {
            if (missing)
                fail(hr::kFileNotFound, "Obrázek neexistuje: " + path);
            fail(hr::kImageUnreadable, "Obrázek nelze přečíst: " + path + " (" + e.what() + ")");
        }
        Picture pic = decodePicture(bytes, path);
        // ImageResolution gives the resolution as a 32-bit integer.
        if (!(pic.xDpi <= kMaxPdfNumber && pic.yDpi <= kMaxPdfNumber))
            fail(hr::kImageUnreadable, "Obrázek nelze přečíst: " + path + " (nesmyslné rozlišení)");
        QPDFObjectHandle xobj = out_.newStream(pic.data);
        QPDFObjectHandle dict = xobj.getDict();
        dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
        dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
        dict.replaceKey("/Width", QPDFObjectHandle::newInteger(pic.width));
        dict.replaceKey("/Height", QPDFObjectHandle::newInteger(pic.height));
        dict.replaceKey("/ColorSpace", QPDFObjectHandle::newName(pic.colorSpace));
        dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(pic.bitsPerComponent));
        if (pic.dct) {
            // The JPEG goes in as it is; qpdf leaves DCT data alone.
            xobj.replaceStreamData(pic.data, QPDFObjectHandle::newName("/DCTDecode"),
                                   QPDFObjectHandle::newNull());
            if (pic.invertCmyk)
                dict.replaceKey("/Decode", QPDFObjectHandle::parse("[1 0 1 0 1 0 1 0]"));
        }
        if (!pic.alpha.empty()) {
            QPDFObjectHandle mask = out_.newStream(pic.alpha);
            QPDFObjectHandle md = mask.getDict();
            md.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
            md.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
            md.replaceKey("/Width", QPDFObjectHandle::newInteger(pic.width));
            md.replaceKey("/Height", QPDFObjectHandle::newInteger(pic.height));
            md.replaceKey("/ColorSpace", QPDFObjectHandle::newName("/DeviceGray"));
            md.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
            dict.replaceKey("/SMask", mask);
        }
        images_.push_back({xobj, pic.width, pic.height, pic.xDpi, pic.yDpi});
        const auto handle = static_cast<std::int32_t>(images_.size());
        imageByFile_[file] = handle;
        return handle;
    }

    std::int32_t ImageResolution(std::int32_t image) override {
        return static_cast<std::int32_t>(std::lround(imageAt(image).xDpi));
    }

    std::int32_t Resolution() override {
        return pages_.empty() ? 72 : pages_[selected_]->resolution;
    }

    void SetResolution(std::int32_t unitsPerInch) override {
        if (unitsPerInch <= 0)
            fail(hr::kInvalidArgument, "Neplatné rozlišení: " + std::to_string(unitsPerInch));
        for (auto& p : pages_)
            p->resolution = unitsPerInch;
    }

    // ------------------------------------------------------------ watermarks

    std::int32_t NewWatermark() override {
        watermarks_.push_back(std::make_unique<Watermark>());
        return static_cast<std::int32_t>(watermarks_.size());
    }

    void BeginWatermark(std::int32_t watermark) override {
        Watermark& w = watermarkAt(watermark);
        if (watermarkTarget_ >= 0)
            fail(hr::kWrongState, "Vodoznak se už kreslí (BeginWatermark).");
        closeRun();
        w.resolution = Resolution();
        w.open = std::make_unique<WatermarkDrawing>();
        watermarkTarget_ = watermark - 1;
        current_ = &w.open->canvas;
    }

    void DrawImage(std::int32_t image, float x, float y) override {
        const Image& img = imageAt(image);
        Canvas& c = canvas();
        const double k = 72.0 / currentResolution();
        const double w = img.width * 72.0 / img.xDpi;
        const double h = img.height * 72.0 / img.yDpi;
        if (!onPage(x * k) || !onPage(y * k))
            fail(hr::kInvalidArgument, "Neplatná poloha obrázku (DrawImage): nejvýše 32767 bodů "
                                       "od levého horního rohu.");
        if (!(w >= kMinPictureSize && w <= kMaxPosition && h >= kMinPictureSize &&
              h <= kMaxPosition))
            fail(hr::kInvalidArgument, "Obrázek nelze nakreslit ve své velikosti " +
                                           shortNumber(w) + " × " + shortNumber(h) +
                                           " bodů (DrawImage): povoleno 0,01 až 32767 bodů.");
        closeRun();
        const double left = c.originX + x * k;
        const double bottom = c.originY - y * k - h;
        c.placeImage(image, w, h, left, bottom);
    }

    void EndWatermark() override {
        if (watermarkTarget_ < 0)
            fail(hr::kWrongState, "Žádný vodoznak se nekreslí (EndWatermark).");
        closeRun();
        Watermark& w = *watermarks_[watermarkTarget_];
        if (w.drawings.empty() || !sameDrawing(w.drawings.back()->canvas, w.open->canvas))
            keepDrawing(w, std::move(w.open));
        w.open.reset();
        watermarkTarget_ = -1;
        current_ = pages_.empty() ? nullptr : &pages_[selected_]->canvas;
    }

    void ApplyWatermark(std::int32_t page, std::int32_t watermark) override {
        checkPage(page);
        Watermark& w = watermarkAt(watermark);
        // Its drawing is not finished: which one the page would show is
        // not clear, and the open drawing must stay where the calls draw.
        if (watermark - 1 == watermarkTarget_)
            fail(hr::kWrongState,
                 "Vodoznak se právě kreslí; nejdříve EndWatermark (ApplyWatermark).");
        if (w.drawings.empty()) // never drawn: an empty drawing
            keepDrawing(w, std::make_unique<WatermarkDrawing>());
        addUnique(pages_[page]->watermarks, w.drawings.back()->id);
    }

    // ------------------------------------------------------------ document

    void SetDocumentMode(std::int32_t mode) override {
        if (mode < 0 || mode > 2)
            fail(hr::kInvalidArgument, "Neznámý režim dokumentu: " + std::to_string(mode));
        documentMode_ = mode;
    }

    void SetInfoText(InfoText which, const std::string& text) override {
        const int i = static_cast<int>(which);
        if (i < 0 || i > 4)
            fail(hr::kInvalidArgument, "Neznámý popisný text dokumentu.");
        info_[i] = text;
    }

    // ------------------------------------------------------------ text

    std::int32_t RegisterFont(const std::string& face, bool bold, bool italic, std::int32_t arg1,
                              std::int32_t arg2, std::int32_t arg3) override {
        if (arg1 != 0 || arg2 != 0 || arg3 != 0)
            fail(hr::kInvalidArgument, "RegisterFont: vyhrazené argumenty musí být 0.");
        platform::FontData data = FontFace::find(face, bold, italic);
        for (std::size_t i = 0; i < fonts_.size(); ++i)
            if (fonts_[i]->identity() == data.identity)
                return static_cast<std::int32_t>(i + 1);
        fonts_.push_back(std::make_unique<FontFace>(std::move(data), italic));
        return static_cast<std::int32_t>(fonts_.size());
    }

    void UseFont(std::int32_t font, float size) override {
        if (font < 1 || font > static_cast<std::int32_t>(fonts_.size()))
            fail(hr::kBadHandle, "Neplatné číslo písma: " + std::to_string(font));
        if (!(size >= kMinFontSize && size <= kMaxFontSize))
            fail(hr::kInvalidArgument,
                 "Neplatná velikost písma (UseFont): povoleno 0,01 až 1000 bodů.");
        if (font - 1 == text_.font && size == text_.size)
            return;
        closeRun();
        text_.font = font - 1;
        text_.size = size;
        updateAdvanceFactor();
    }

    void SetTextScaling(float percent) override {
        if (!(percent >= kMinScaling && percent <= kMaxScaling))
            fail(hr::kInvalidArgument,
                 "Neplatné horizontální měřítko písma (SetTextScaling): povoleno 1 až 1000 %.");
        if (percent == text_.scale)
            return;
        closeRun();
        text_.scale = percent;
        updateAdvanceFactor();
    }

    void SetColorMode(std::int32_t mode) override {
        if (mode != 1 && mode != 2)
            fail(hr::kInvalidArgument, "Neznámý barevný režim: " + std::to_string(mode));
        colorMode_ = mode;
    }

    void SetTextColor(float red, float green, float blue, float fourth) override {
        // The fourth component is not used in RGB, but a NaN is no argument.
        if (!std::isfinite(fourth))
            fail(hr::kInvalidArgument, "Složka barvy mimo rozsah 0 až 1.");
        const float v[4] = {red, green, blue, colorMode_ == 2 ? fourth : 0.0f};
        for (float c : v)
            if (!(c >= 0.0f && c <= 1.0f))
                fail(hr::kInvalidArgument, "Složka barvy mimo rozsah 0 až 1.");
        if (std::equal(v, v + 4, text_.color) && text_.colorMode == colorMode_)
            return;
        closeRun();
        std::copy(v, v + 4, text_.color);
        text_.colorMode = colorMode_;
    }

    void MoveTextTo(float x, float y) override {
        Canvas& c = canvas();
        const double k = 72.0 / currentResolution();
        if (!onPage(x * k) || !onPage(y * k))
            fail(hr::kInvalidArgument, "Neplatná poloha textu (MoveTextTo): nejvýše 32767 bodů "
                                       "od levého horního rohu.");
        closeRun();
        if (c.x != x * k || c.y != y * k)
            c.atRunEnd = false;
        c.x = x * k;
        c.y = y * k;
    }

    void DrawText(const std::string& text) override {
        if (text.empty())
            return;
        Canvas& c = canvas();
        if (text_.font < 0)
            fail(hr::kWrongState, "Není vybráno písmo (DrawText).");
        FontFace& f = *fonts_[text_.font];
        if (!c.runOpen)
            c.startRun(text_, f);
        const std::size_t mark = c.ops.size();
        const double x0 = c.x;
        c.appendText(f, text, advanceFactor_);
        if (!onPage(c.x)) { // nothing of it is drawn; the run stays open as it was
            c.ops.resize(mark);
            c.x = x0;
            fail(hr::kInvalidArgument,
                 "Text by sahal dál než 32767 bodů od levého okraje stránky (DrawText).");
        }
    }

    void SetPassword(const std::string& password) override {
        // AES-256 takes the first 127 bytes of a password (a longer one made
        // a file no password opens), and a reader cannot type a zero byte.
        if (password.size() > kMaxPasswordBytes || password.find('\0') != std::string::npos)
            fail(hr::kInvalidArgument,
                 "Neplatné heslo (SetPassword): nejvýše 127 bajtů, bez znaku s kódem 0.");
        password_ = password;
    }

    void FinishDocument() override {
        closeRun();
        if (watermarkTarget_ >= 0)
            EndWatermark();
    }

    void SaveDocument(const std::string& path, bool flag) override {
        // A PDF without pages is no document a reader opens.
        if (pages_.empty())
            fail(hr::kWrongState, "Dokument nemá žádnou stránku, nelze jej uložit: " + path);
        const std::string file = resolve(path);
        closeRun();
        try {
            for (auto& p : pages_)
                finishPage(*p);
            streams_.wait();
            materialize();
        } catch (const pdfforms::NumberedError&) {
            throw;
        } catch (const std::exception& e) {
            fail(hr::kPdfWrite, std::string("Chyba při sestavení PDF: ") + e.what());
        }
        writeAtomically(out_, import_.sources(), import_.version(), password_, file, path);
        // Only a PDF goes to the viewer: the shell runs a .hta or .exe.
        if (flag && host_.openInViewer && pdfforms::isPdfFileName(file)) {
            try {
                host_.openInViewer(file);
            } catch (...) {
                // A viewer that cannot be started is no error of the save.
            }
        }
    }

private:
    // ------------------------------------------------------------ helpers

    std::string resolve(const std::string& path) {
        return host_.resolvePath ? host_.resolvePath(path) : path;
    }

    void checkPage(std::int32_t index) const {
        if (index < 0 || index >= static_cast<std::int32_t>(pages_.size()))
            fail(hr::kPageIndex, "Stránka " + std::to_string(index) + " neexistuje (dokument má " +
                                     czechCount(static_cast<long long>(pages_.size()), "stranu",
                                                "strany", "stran") +
                                     ").");
    }

    const Image& imageAt(std::int32_t h) const {
        if (h < 1 || h > static_cast<std::int32_t>(images_.size()))
            fail(hr::kBadHandle, "Neplatné číslo obrázku: " + std::to_string(h));
        return images_[h - 1];
    }

    Watermark& watermarkAt(std::int32_t h) {
        if (h < 1 || h > static_cast<std::int32_t>(watermarks_.size()))
            fail(hr::kBadHandle, "Neplatné číslo vodoznaku: " + std::to_string(h));
        return *watermarks_[h - 1];
    }

    Canvas& canvas() {
        if (!current_)
            fail(hr::kWrongState, "Dokument nemá žádnou stránku.");
        return *current_;
    }

    int currentResolution() const {
        if (watermarkTarget_ >= 0)
            return watermarks_[watermarkTarget_]->resolution;
        return pages_.empty() ? 72 : pages_[selected_]->resolution;
    }

    void keepDrawing(Watermark& w, std::unique_ptr<WatermarkDrawing> d) {
        d->id = static_cast<int>(drawings_.size()) + 1;
        d->xobject = out_.newStream();
        drawings_.push_back(d.get());
        w.drawings.push_back(std::move(d));
    }

    void updateAdvanceFactor() { advanceFactor_ = text_.size * (text_.scale / 100.0) / 1000.0; }

    void appendPages(Source& src, const std::string& path) {
        closeRun();
        import_.appendPages(src, path, pages_);
    }

    void closeRun() {
        if (!current_ || !current_->runOpen)
            return;
        current_->closeRun(*fonts_[current_->emFont]);
    }

    // A page is finished when drawing moves to another page: what it has
    // drawn goes to the compression as one stream, the first after the
    // template's streams, and only the compressed bytes are kept. Drawing
    // on it again later makes a further stream of the page.
    void finishPage(Page& p) {
        if (p.canvas.empty())
            return;
        try {
            p.streams.push_back(
                streams_.add(p.canvas.take(p.streams.empty() ? "Q\n" + p.canvas.turn : "")));
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception& e) {
            // A failure of the compression (here or of an earlier page).
            fail(hr::kPdfWrite, std::string("Chyba při sestavení PDF: ") + e.what());
        }
    }

    void materialize() {
        Assembly assembly(out_, streams_);
        for (auto& f : fonts_)
            assembly.fontObjects.push_back(f->anyUsed() ? f->pdfObject(out_)
                                                        : QPDFObjectHandle::newNull());
        for (const Image& img : images_)
            assembly.imageObjects.push_back(img.xobject);
        for (WatermarkDrawing* w : drawings_)
            assembly.drawingObjects.push_back(w->xobject);
        for (WatermarkDrawing* w : drawings_)
            assembly.formXObject(w->xobject, w->canvas);
        assembly.pages(pages_);
        setDocumentInfo(out_, info_, documentMode_);
    }

    pdfforms::PdfDocumentHost host_;
    PageStreams streams_; // before out_: its streams' data is read from here
    QPDF out_;
    PageImport import_{out_, [this](const std::string& path) { return resolve(path); }};
    std::vector<std::unique_ptr<Page>> pages_;
    std::int32_t selected_ = 0;
    Canvas* current_ = nullptr;
    int watermarkTarget_ = -1;

    std::vector<std::unique_ptr<FontFace>> fonts_;
    std::vector<Image> images_;
    std::map<std::string, std::int32_t> imageByFile_;
    std::vector<std::unique_ptr<Watermark>> watermarks_;
    std::vector<WatermarkDrawing*> drawings_; // all kept drawings, by id - 1

    TextStyle text_;
    double advanceFactor_ = 12 / 1000.0;
    int colorMode_ = 1;

    int documentMode_ = 0;
    std::string info_[5];
    std::string password_;
};

} // namespace

std::unique_ptr<pdfforms::IPDFDocument> CreatePdfDocument(pdfforms::PdfDocumentHost host,
                                                          PageCompression compress) {
    return std::make_unique<Document>(std::move(host), std::move(compress));
}

} // namespace tiskpdf
