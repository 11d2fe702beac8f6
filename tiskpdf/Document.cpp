// The document object of the print forms, on qpdf.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include <qpdf/PDFVersion.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFWriter.hh>

#include "Fonts.h"
#include "Images.h"
#include "TiskPdf.h"
#include "Util.h"
#include "platform/Encoding.h"
#include "platform/Host.h"

namespace tiskpdf {

namespace {

using pdfforms::InfoText;

constexpr const char* kFontPrefix = "/TPF";
constexpr const char* kImagePrefix = "/TPI";
constexpr const char* kWatermarkPrefix = "/TPW";

// Where drawing goes: a page or a watermark. Positions are kept in points
// from the top-left corner, y downwards; the PDF user space has the top-left
// corner at (originX, originY), y upwards.
struct Canvas {
    std::string ops; // content operators drawn so far
    double originX = 0, originY = 0;
    // For a page shown turned (/Rotate): the "cm" operator that maps the page
    // as it is shown onto its user space; positions are then measured in the
    // page as shown, and the text runs along its top edge.
    std::string turn;
    double x = 0, y = 0;  // text position, points from the top-left
    bool inText = false;  // inside BT .. ET
    bool runOpen = false; // a text-showing operator "(...) Tj" is open
    double runStartX = 0, runBaseline = 0;
    double lineX = 0, lineY = 0; // start of the text line as a reader has it
    bool atRunEnd = false;       // the text position is where the last run ended
    int emFont = -1;             // text state written to ops so far
    float emSize = 0, emScale = 100;
    float emColor[4] = {0, 0, 0, 0};
    int emColorMode = 1;
    std::vector<int> fonts, images, watermarks; // resources used
    bool hasBox = false;
    double box[4] = {0, 0, 0, 0}; // extent of the drawing in user space

    void extend(double x0, double y0, double x1, double y1) {
        if (!hasBox) {
            box[0] = x0, box[1] = y0, box[2] = x1, box[3] = y1;
            hasBox = true;
            return;
        }
        box[0] = std::min(box[0], x0);
        box[1] = std::min(box[1], y0);
        box[2] = std::max(box[2], x1);
        box[3] = std::max(box[3], y1);
    }
    bool empty() const { return ops.empty(); }
};

void addUnique(std::vector<int>& v, int n) {
    if (std::find(v.begin(), v.end(), n) == v.end())
        v.push_back(n);
}

struct Page {
    QPDFObjectHandle object;   // the page dictionary in the output
    QPDFObjectHandle pristine; // its dictionary as it came from the file
    int resolution = 72;
    Canvas canvas;
    std::vector<int> watermarks;
};

struct Source {
    std::shared_ptr<QPDF> pdf;
    std::vector<QPDFObjectHandle> pristine; // first copies of its pages
    bool copied = false;
};

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

bool sameDrawing(const Canvas& a, const Canvas& b) {
    return a.ops == b.ops && a.inText == b.inText && a.fonts == b.fonts && a.images == b.images;
}

// Writes the text of the pages into their content streams while the file is
// written, so that the drawing is not held twice in memory.
class CanvasStreams final : public QPDFObjectHandle::StreamDataProvider {
public:
    void add(QPDFObjGen og, const Canvas* canvas) { canvases_[og] = canvas; }
    void provideStreamData(QPDFObjGen const& og, Pipeline* pipeline) override {
        auto it = canvases_.find(og);
        if (it != canvases_.end()) {
            const Canvas& c = *it->second;
            pipeline->writeString("Q\n");
            pipeline->writeString(c.turn);
            pipeline->writeString(c.ops);
            if (c.inText)
                pipeline->writeString("ET\n");
        }
        pipeline->finish();
    }

private:
    std::map<QPDFObjGen, const Canvas*> canvases_;
};

// The writer's output, buffered into a replacement file. The writer calls
// its pipelines where an exception would end the process, so a failed write
// is kept as the error flag of a C stream is: the pipeline takes nothing
// more, and the save asks for the error once the writer is done.
class FilePipeline final : public Pipeline {
public:
    explicit FilePipeline(platform::File& file) : Pipeline("file", nullptr), file_(file) {
        buffer_.reserve(kBufferSize);
    }
    void write(unsigned char const* data, size_t length) override {
        if (buffer_.size() + length > kBufferSize)
            flush();
        if (length >= kBufferSize)
            put(data, length);
        else if (error_ == platform::kErrorSuccess)
            buffer_.insert(buffer_.end(), data, data + length);
    }
    void finish() override { flush(); }
    platform::WinError error() const { return error_; }

private:
    static constexpr std::size_t kBufferSize = 1 << 16;

    void flush() {
        put(buffer_.data(), buffer_.size());
        buffer_.clear();
    }
    void put(const unsigned char* data, std::size_t length) {
        if (length == 0 || error_ != platform::kErrorSuccess)
            return;
        const platform::Result<std::size_t> n = file_.write(data, length);
        if (!n || *n != length)
            error_ = n ? platform::kErrorDiskFull : n.error();
    }

    platform::File& file_;
    std::vector<unsigned char> buffer_;
    platform::WinError error_ = platform::kErrorSuccess;
};

std::string errorText(platform::WinError code) {
    std::string text = platform::systemErrorText(code);
    return text.empty() ? "chyba " + std::to_string(code) : text;
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
    explicit Document(pdfforms::PdfDocumentHost host) : host_(std::move(host)) {
        out_.emptyPDF();
        out_.setSuppressWarnings(true);
    }

    // ------------------------------------------------------------ pages

    void OpenPdf(const std::string& path, const std::string& password) override {
        Source& src = source(path, password);
        closeRun();
        for (auto& p : pages_)
            out_.removePage(p->object);
        pages_.clear();
        selected_ = 0;
        watermarkTarget_ = -1;
        current_ = nullptr;
        appendPages(src, path);
        if (!pages_.empty())
            current_ = &pages_[0]->canvas;
    }

    void AppendPdf(const std::string& path, const std::string& password) override {
        Source& src = source(path, password);
        appendPages(src, path);
        if (!current_ && !pages_.empty())
            current_ = &pages_[selected_]->canvas;
    }

    std::int32_t PageCount() override { return static_cast<std::int32_t>(pages_.size()); }

    void SelectPage(std::int32_t index) override {
        checkPage(index);
        closeRun();
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
        closeRun();
        if (c.inText) {
            c.ops += "ET\n";
            c.inText = false;
            c.atRunEnd = false;
        }
        const double k = 72.0 / currentResolution();
        const double w = img.width * 72.0 / img.xDpi;
        const double h = img.height * 72.0 / img.yDpi;
        const double left = c.originX + x * k;
        const double bottom = c.originY - y * k - h;
        c.ops += "q ";
        appendNumber(c.ops, w);
        c.ops += " 0 0 ";
        appendNumber(c.ops, h);
        c.ops += ' ';
        appendNumber(c.ops, left);
        c.ops += ' ';
        appendNumber(c.ops, bottom);
        c.ops += " cm ";
        c.ops += kImagePrefix;
        c.ops += std::to_string(image);
        c.ops += " Do Q\n";
        addUnique(c.images, image);
        c.extend(left, bottom, left + w, bottom + h);
    }

    void EndWatermark() override {
        if (watermarkTarget_ < 0)
            fail(hr::kWrongState, "Žádný vodoznak se nekreslí (EndWatermark).");
        closeRun();
        Watermark& w = *watermarks_[watermarkTarget_];
        if (w.drawings.empty() || !sameDrawing(w.drawings.back()->canvas, w.open->canvas))
            keepDrawing(w);
        w.open.reset();
        watermarkTarget_ = -1;
        current_ = pages_.empty() ? nullptr : &pages_[selected_]->canvas;
    }

    void ApplyWatermark(std::int32_t page, std::int32_t watermark) override {
        checkPage(page);
        Watermark& w = watermarkAt(watermark);
        if (w.drawings.empty()) { // never drawn: an empty drawing
            w.open = std::make_unique<WatermarkDrawing>();
            keepDrawing(w);
        }
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
        int index = 0;
        const std::string file = FontFace::findFile(face, bold, italic, index);
        for (std::size_t i = 0; i < fonts_.size(); ++i)
            if (fonts_[i]->file() == file && fonts_[i]->index() == index)
                return static_cast<std::int32_t>(i + 1);
        fonts_.push_back(std::make_unique<FontFace>(file, index, italic));
        return static_cast<std::int32_t>(fonts_.size());
    }

    void UseFont(std::int32_t font, float size) override {
        if (font < 1 || font > static_cast<std::int32_t>(fonts_.size()))
            fail(hr::kBadHandle, "Neplatné číslo písma: " + std::to_string(font));
        if (!(size > 0))
            fail(hr::kInvalidArgument, "Neplatná velikost písma.");
        if (font - 1 == font_ && size == size_)
            return;
        closeRun();
        font_ = font - 1;
        size_ = size;
        updateAdvanceFactor();
    }

    void SetTextScaling(float percent) override {
        if (!(percent > 0) || !std::isfinite(percent))
            fail(hr::kInvalidArgument, "Neplatné horizontální měřítko písma.");
        if (percent == scale_)
            return;
        closeRun();
        scale_ = percent;
        updateAdvanceFactor();
    }

    void SetColorMode(std::int32_t mode) override {
        if (mode != 1 && mode != 2)
            fail(hr::kInvalidArgument, "Neznámý barevný režim: " + std::to_string(mode));
        colorMode_ = mode;
    }

    void SetTextColor(float red, float green, float blue, float fourth) override {
        const float v[4] = {red, green, blue, colorMode_ == 2 ? fourth : 0.0f};
        for (float c : v)
            if (!(c >= 0.0f && c <= 1.0f))
                fail(hr::kInvalidArgument, "Složka barvy mimo rozsah 0 až 1.");
        if (std::equal(v, v + 4, color_) && textColorMode_ == colorMode_)
            return;
        closeRun();
        std::copy(v, v + 4, color_);
        textColorMode_ = colorMode_;
    }

    void MoveTextTo(float x, float y) override {
        Canvas& c = canvas();
        closeRun();
        const double k = 72.0 / currentResolution();
        if (c.x != x * k || c.y != y * k)
            c.atRunEnd = false;
        c.x = x * k;
        c.y = y * k;
    }

    void DrawText(const std::string& text) override {
        if (text.empty())
            return;
        Canvas& c = canvas();
        if (font_ < 0)
            fail(hr::kWrongState, "Není vybráno písmo (DrawText).");
        FontFace& f = *fonts_[font_];
        if (!c.runOpen)
            startRun(c, f);
        if (c.ops.capacity() - c.ops.size() < text.size() * 2 + 8)
            c.ops.reserve(std::max<std::size_t>(8192, c.ops.capacity() * 2));
        // A text the face cannot take draws nothing.
        const std::size_t mark = c.ops.size();
        const double x0 = c.x;
        try {
            appendText(c, f, text, advanceFactor_);
        } catch (...) {
            c.ops.resize(mark);
            c.x = x0;
            throw;
        }
    }

    static void appendText(Canvas& c, FontFace& f, const std::string& text, double advanceFactor) {
        // Malformed UTF-8 (overlong forms, surrogates included) draws as
        // U+FFFD, a byte at a time.
        for (std::size_t pos = 0; pos < text.size();) {
            const std::uint32_t cp = platform::decodeUtf8(text, pos);
            const FontFace::Code& code = f.code(cp);
            c.ops.append(code.bytes, code.size);
            c.x += f.advance(code.glyph) * advanceFactor;
        }
    }

    void SetPassword(const std::string& password) override { password_ = password; }

    void FinishDocument() override {
        closeRun();
        if (watermarkTarget_ >= 0)
            EndWatermark();
    }

    void SaveDocument(const std::string& path, bool flag) override {
        const std::string file = resolve(path);
        closeRun();
        try {
            materialize();
        } catch (const pdfforms::NumberedError&) {
            throw;
        } catch (const std::exception& e) {
            fail(hr::kPdfWrite, std::string("Chyba při sestavení PDF: ") + e.what());
        }
        writeAtomically(file, path);
        if (flag && host_.openInViewer) {
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
                                     std::to_string(pages_.size()) + " stran).");
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

    void keepDrawing(Watermark& w) {
        w.open->id = static_cast<int>(drawings_.size()) + 1;
        w.open->xobject = out_.newStream();
        drawings_.push_back(w.open.get());
        w.drawings.push_back(std::move(w.open));
    }

    void updateAdvanceFactor() { advanceFactor_ = size_ * (scale_ / 100.0) / 1000.0; }

    Source& source(const std::string& path, const std::string& password) {
        // Forms append the same template again and again: the path as given
        // is resolved once.
        if (auto known = sourceByPath_.find(path); known != sourceByPath_.end())
            return *known->second;
        Source& src = openSource(path, password);
        sourceByPath_[path] = &src;
        return src;
    }

    Source& openSource(const std::string& path, const std::string& password) {
        const std::string file = resolve(path);
        auto it = sources_.find(file);
        if (it != sources_.end())
            return it->second;
        auto pdf = std::make_shared<QPDF>();
        pdf->setSuppressWarnings(true);
        Source src;
        try {
            if (::access(file.c_str(), F_OK) != 0 && errno == ENOENT)
                fail(hr::kFileNotFound, "Soubor PDF neexistuje: " + path);
            pdf->processFile(file.c_str(), password.c_str());
            pdf->pushInheritedAttributesToPage();
            for (auto& page : pdf->getAllPages())
                src.pristine.push_back(page);
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

    void appendPages(Source& src, const std::string& path) {
        closeRun();
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
                    addPageEntry(page, firstCopies.back());
                }
                src.pristine = std::move(firstCopies);
                src.copied = true;
            } else {
                for (auto& pristine : src.pristine) {
                    QPDFObjectHandle page = out_.makeIndirectObject(pristine.shallowCopy());
                    out_.addPage(page, false);
                    addPageEntry(page, pristine);
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
    void shareDirect(QPDFObjectHandle& page, const char* key) {
        QPDFObjectHandle v = page.getKey(key);
        if (!v.isIndirect() && (v.isDictionary() || v.isArray()))
            page.replaceKey(key, out_.makeIndirectObject(v));
    }

    void addPageEntry(QPDFObjectHandle page, QPDFObjectHandle pristine) {
        auto p = std::make_unique<Page>();
        p->object = page;
        p->pristine = pristine;
        QPDFObjectHandle box = pristine.getKey("/CropBox");
        if (!box.isArray() || box.getArrayNItems() != 4)
            box = pristine.getKey("/MediaBox");
        double llx = 0, lly = 0, urx = 612, ury = 792;
        if (box.isArray() && box.getArrayNItems() == 4) {
            auto r = box.getArrayAsRectangle();
            llx = std::min(r.llx, r.urx);
            urx = std::max(r.llx, r.urx);
            lly = std::min(r.lly, r.ury);
            ury = std::max(r.lly, r.ury);
        }
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
        pages_.push_back(std::move(p));
    }

    // Opens a text-showing operator at the text position with the current state.
    void startRun(Canvas& c, FontFace& f) {
        std::string& o = c.ops;
        if (!c.inText) {
            o += "BT\n";
            c.inText = true;
            c.lineX = c.lineY = 0;
        }
        if (c.emFont != font_ || c.emSize != size_) {
            o += kFontPrefix;
            o += std::to_string(font_ + 1);
            o += ' ';
            appendNumber(o, size_);
            o += " Tf\n";
            c.emFont = font_;
            c.emSize = size_;
            addUnique(c.fonts, font_ + 1);
        }
        if (c.emScale != scale_) {
            appendNumber(o, scale_);
            o += " Tz\n";
            c.emScale = scale_;
        }
        if (!std::equal(color_, color_ + 4, c.emColor) || c.emColorMode != textColorMode_) {
            const int n = textColorMode_ == 2 ? 4 : 3;
            for (int i = 0; i < n; ++i) {
                appendNumber(o, color_[i]);
                o += ' ';
            }
            o += n == 4 ? "k\n" : "rg\n";
            std::copy(color_, color_ + 4, c.emColor);
            c.emColorMode = textColorMode_;
        }
        const double baseline = c.originY - c.y - f.cellAscent() * size_;
        const bool continues = c.atRunEnd && baseline == c.runBaseline;
        c.runStartX = c.originX + c.x;
        c.runBaseline = baseline;
        c.runOpen = true;
        if (continues) {
            // The reader's text position is already there: a change of face
            // or colour inside a line needs no move.
            o += '(';
            return;
        }
        // A move relative to the start of the previous line: consecutive
        // lines repeat the same operator, which compresses to almost
        // nothing. The line start is kept as the reader computes it from the
        // rounded numbers written, so the rounding does not add up.
        const double dx = std::round((c.runStartX - c.lineX) * 10000.0) / 10000.0;
        const double dy = std::round((c.runBaseline - c.lineY) * 10000.0) / 10000.0;
        c.lineX += dx;
        c.lineY += dy;
        appendNumber(o, dx);
        o += ' ';
        appendNumber(o, dy);
        o += " Td\n(";
    }

    void closeRun() {
        if (!current_ || !current_->runOpen)
            return;
        Canvas& c = *current_;
        c.ops += ") Tj\n";
        c.runOpen = false;
        c.atRunEnd = true;
        const FontFace& f = *fonts_[c.emFont];
        c.extend(c.runStartX, c.runBaseline - f.cellDescent() * c.emSize, c.originX + c.x,
                 c.runBaseline + f.cellAscent() * c.emSize);
    }

    // ------------------------------------------------------------ output

    QPDFObjectHandle resources(QPDFObjectHandle base, const Canvas& c,
                               const std::vector<int>& marks) {
        QPDFObjectHandle res =
            base.isDictionary() ? base.shallowCopy() : QPDFObjectHandle::newDictionary();
        if (!c.fonts.empty()) {
            QPDFObjectHandle old = res.getKey("/Font");
            QPDFObjectHandle fonts =
                old.isDictionary() ? old.shallowCopy() : QPDFObjectHandle::newDictionary();
            for (int f : c.fonts)
                fonts.replaceKey(kFontPrefix + std::to_string(f), fontObjects_[f - 1]);
            res.replaceKey("/Font", fonts);
        }
        if (!c.images.empty() || !marks.empty()) {
            QPDFObjectHandle old = res.getKey("/XObject");
            QPDFObjectHandle xo =
                old.isDictionary() ? old.shallowCopy() : QPDFObjectHandle::newDictionary();
            for (int i : c.images)
                xo.replaceKey(kImagePrefix + std::to_string(i), images_[i - 1].xobject);
            for (int w : marks)
                xo.replaceKey(kWatermarkPrefix + std::to_string(w), drawings_[w - 1]->xobject);
            res.replaceKey("/XObject", xo);
        }
        return res;
    }

    // One resource dictionary for all pages made from the same template
    // page that use the same fonts, pictures and watermarks.
    QPDFObjectHandle sharedResources(QPDFObjectHandle base, const Canvas& c,
                                     const std::vector<int>& marks,
                                     std::map<std::string, QPDFObjectHandle>& cache) {
        if (!base.isIndirect() && !base.isNull())
            return resources(base, c, marks); // cannot tell which page it came from
        std::string key = base.isIndirect() ? base.getObjGen().unparse(' ') : "-";
        for (const auto* list : {&c.fonts, &c.images, &marks}) {
            key += '|';
            for (int n : *list)
                key += std::to_string(n) + ',';
        }
        QPDFObjectHandle& res = cache[key];
        if (!res.isInitialized())
            res = out_.makeIndirectObject(resources(base, c, marks));
        return res;
    }

    static std::string closedOps(const Canvas& c) { return c.inText ? c.ops + "ET\n" : c.ops; }

    void materialize() {
        fontObjects_.clear();
        for (auto& f : fonts_)
            fontObjects_.push_back(f->anyUsed() ? f->pdfObject(out_) : QPDFObjectHandle::newNull());

        for (WatermarkDrawing* wp : drawings_) {
            WatermarkDrawing& w = *wp;
            QPDFObjectHandle d = w.xobject.getDict();
            w.xobject.replaceStreamData(closedOps(w.canvas), QPDFObjectHandle::newNull(),
                                        QPDFObjectHandle::newNull());
            d.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
            d.replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
            const double* b = w.canvas.box;
            d.replaceKey(
                "/BBox",
                QPDFObjectHandle::newArray(std::vector<QPDFObjectHandle>{
                    QPDFObjectHandle::newInteger(static_cast<long long>(std::floor(b[0]))),
                    QPDFObjectHandle::newInteger(static_cast<long long>(std::floor(b[1]))),
                    QPDFObjectHandle::newInteger(static_cast<long long>(std::ceil(b[2]))),
                    QPDFObjectHandle::newInteger(static_cast<long long>(std::ceil(b[3])))}));
            d.replaceKey("/Resources", resources(QPDFObjectHandle::newNull(), w.canvas, {}));
        }

        std::map<std::string, QPDFObjectHandle> placements, shared;
        for (auto& pp : pages_) {
            Page& p = *pp;
            if (p.canvas.empty() && p.watermarks.empty())
                continue;
            std::vector<QPDFObjectHandle> contents;
            if (!p.watermarks.empty()) {
                // Pages of the same size showing the same drawings share
                // the stream that places them.
                std::string s;
                for (int w : p.watermarks) {
                    s += "q " + p.canvas.turn + "1 0 0 1 ";
                    appendNumber(s, p.canvas.originX);
                    s += ' ';
                    appendNumber(s, p.canvas.originY);
                    s += " cm ";
                    s += kWatermarkPrefix + std::to_string(w) + " Do Q\n";
                }
                QPDFObjectHandle& placement = placements[s];
                if (!placement.isInitialized())
                    placement = out_.newStream(s);
                contents.push_back(placement);
            }
            if (!p.canvas.empty()) {
                if (!saveState_.isInitialized())
                    saveState_ = out_.newStream(std::string("q\n"));
                contents.push_back(saveState_);
            }
            QPDFObjectHandle orig = p.pristine.getKey("/Contents");
            if (orig.isStream()) {
                contents.push_back(orig);
            } else if (orig.isArray()) {
                for (auto& item : orig.aitems())
                    if (item.isStream())
                        contents.push_back(item);
            }
            if (!p.canvas.empty()) {
                QPDFObjectHandle text = out_.newStream();
                text.replaceStreamData(canvasStreams_, QPDFObjectHandle::newNull(),
                                       QPDFObjectHandle::newNull());
                canvasStreams_->add(text.getObjGen(), &p.canvas);
                contents.push_back(text);
            }
            p.object.replaceKey("/Contents", QPDFObjectHandle::newArray(contents));
            p.object.replaceKey("/Resources", sharedResources(p.pristine.getKey("/Resources"),
                                                              p.canvas, p.watermarks, shared));
        }

        QPDFObjectHandle trailer = out_.getTrailer();
        static const char* const keys[5] = {"/Title", "/Subject", "/Author", "/Keywords",
                                            "/Creator"};
        QPDFObjectHandle info = QPDFObjectHandle::newDictionary();
        bool any = false;
        for (int i = 0; i < 5; ++i)
            if (!info_[i].empty()) {
                info.replaceKey(keys[i], QPDFObjectHandle::newUnicodeString(info_[i]));
                any = true;
            }
        if (any)
            trailer.replaceKey("/Info", out_.makeIndirectObject(info));
        else
            trailer.removeKey("/Info");

        QPDFObjectHandle root = out_.getRoot();
        root.removeKey("/PageLayout");
        if (documentMode_ == 1)
            root.replaceKey("/PageLayout", QPDFObjectHandle::newName("/SinglePage"));
        if (documentMode_ == 2)
            root.replaceKey("/PageLayout", QPDFObjectHandle::newName("/OneColumn"));
    }

    void writeAtomically(const std::string& file, const std::string& path) {
        // The PDF takes the file's name only once complete: a failed save
        // leaves no partial file and keeps the one that was there.
        auto created = platform::createNativeReplacement(file);
        if (!created)
            fail(hr::kSaveFailed,
                 "Soubor nelze vytvořit: " + path + " (" + errorText(created.error()) + ")");
        platform::ReplacementFile& target = **created;
        std::string problem;
        std::int32_t number = hr::kSaveFailed;
        FilePipeline sink(target);
        try {
            QPDFWriter w(out_);
            w.setOutputPipeline(&sink);
            w.setObjectStreamMode(qpdf_o_generate);
            w.setCompressStreams(true);
            w.setDecodeLevel(qpdf_dl_generalized);
            w.setMinimumPDFVersion(maxVersion_);
            if (!password_.empty()) {
                w.setR6EncryptionParameters(password_.c_str(), password_.c_str(), true, true, true,
                                            true, true, true, qpdf_r3p_full, true);
            } else {
                w.setDeterministicID(true);
            }
            // Warnings while writing mean stream data that could not be read
            // (qpdf would go on with what it got): the save fails instead.
            out_.getWarnings();
            for (auto& [name, src] : sources_)
                src.pdf->getWarnings();
            w.write();
            std::vector<QPDFExc> warnings = out_.getWarnings();
            for (auto& [name, src] : sources_)
                for (auto& e : src.pdf->getWarnings())
                    warnings.push_back(e);
            if (!warnings.empty()) {
                problem = warnings.front().what();
                number = hr::kPdfWrite;
            }
        } catch (const std::exception& e) {
            problem = e.what();
            number = hr::kPdfWrite;
        }
        if (sink.error() != platform::kErrorSuccess) {
            problem = errorText(sink.error());
            number = hr::kSaveFailed;
        }
        if (problem.empty())
            if (const platform::WinError e = target.commit())
                problem = errorText(e);
        if (!problem.empty()) {
            target.close();
            fail(number, "Soubor PDF nelze uložit: " + path + " (" + problem + ")");
        }
    }

    pdfforms::PdfDocumentHost host_;
    QPDF out_;
    std::map<std::string, Source> sources_;       // by resolved file
    std::map<std::string, Source*> sourceByPath_; // by the path as given
    PDFVersion maxVersion_{1, 3, 0};
    std::vector<std::unique_ptr<Page>> pages_;
    std::int32_t selected_ = 0;
    Canvas* current_ = nullptr;
    int watermarkTarget_ = -1;

    std::vector<std::unique_ptr<FontFace>> fonts_;
    std::vector<QPDFObjectHandle> fontObjects_;
    std::vector<Image> images_;
    std::map<std::string, std::int32_t> imageByFile_;
    std::vector<std::unique_ptr<Watermark>> watermarks_;
    std::vector<WatermarkDrawing*> drawings_; // all kept drawings, by id - 1
    QPDFObjectHandle saveState_;
    std::shared_ptr<CanvasStreams> canvasStreams_ = std::make_shared<CanvasStreams>();

    int font_ = -1;
    float size_ = 12;
    float scale_ = 100;
    double advanceFactor_ = 12 / 1000.0;
    int colorMode_ = 1, textColorMode_ = 1;
    float color_[4] = {0, 0, 0, 0};

    int documentMode_ = 0;
    std::string info_[5];
    std::string password_;
};

} // namespace

std::unique_ptr<pdfforms::IPDFDocument> CreatePdfDocument(pdfforms::PdfDocumentHost host) {
    return std::make_unique<Document>(std::move(host));
}

} // namespace tiskpdf
