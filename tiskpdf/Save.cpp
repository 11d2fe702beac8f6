// The save: drawings and pages put together into the output's objects, the
// pages' own streams handed to the writer as they were compressed, and the
// file written whole or not at all.
#include "Save.h"

#include <cmath>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFWriter.hh>

#include "Util.h"
#include "platform/Host.h"
#include "tiskpdf/TiskPdf.h"

namespace tiskpdf {

// Hands the finished streams of the pages to the writer, compressed as they
// are: the writer copies them (setFilterOnWrite(false)), nothing is
// compressed twice, and the data is not held twice in memory.
class FinishedStreamData final : public QPDFObjectHandle::StreamDataProvider {
public:
    FinishedStreamData(QPDF& out, const PageStreams& streams) : out_(out), streams_(streams) {}
    void add(QPDFObjGen og, std::size_t n) {
        const auto id = static_cast<std::size_t>(og.getObj());
        if (numbers_.size() <= id)
            numbers_.resize(id + 1, kNone);
        numbers_[id] = n;
    }
    // A stream that cannot be read back is written empty and reported as a
    // warning of the output, which fails the save (an exception would go
    // through the writer's pipelines).
    void provideStreamData(QPDFObjGen const& og, Pipeline* pipeline) override {
        const auto id = static_cast<std::size_t>(og.getObj());
        if (id < numbers_.size() && numbers_[id] != kNone) {
            try {
                const std::string data = streams_.compressed(numbers_[id]);
                pipeline->write(reinterpret_cast<const unsigned char*>(data.data()), data.size());
            } catch (const std::exception& e) {
                out_.warn(QPDFExc(qpdf_e_system, "", og.unparse(' '), 0, e.what()));
            }
        }
        pipeline->finish();
    }

private:
    static constexpr std::size_t kNone = ~std::size_t{0};
    QPDF& out_;
    const PageStreams& streams_;
    std::vector<std::size_t> numbers_; // by object number
};

namespace {

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

} // namespace

Assembly::Assembly(QPDF& out, const PageStreams& streams)
    : out_(out), streamData_(std::make_shared<FinishedStreamData>(out, streams)) {}

Assembly::~Assembly() = default;

QPDFObjectHandle Assembly::resources(QPDFObjectHandle base, const Canvas& c,
                                     const std::vector<int>& marks) {
    QPDFObjectHandle res =
        base.isDictionary() ? base.shallowCopy() : QPDFObjectHandle::newDictionary();
    if (!c.fonts.empty()) {
        QPDFObjectHandle old = res.getKey("/Font");
        QPDFObjectHandle fonts =
            old.isDictionary() ? old.shallowCopy() : QPDFObjectHandle::newDictionary();
        for (int f : c.fonts)
            fonts.replaceKey(kFontPrefix + std::to_string(f), fontObjects[f - 1]);
        res.replaceKey("/Font", fonts);
    }
    if (!c.images.empty() || !marks.empty()) {
        QPDFObjectHandle old = res.getKey("/XObject");
        QPDFObjectHandle xo =
            old.isDictionary() ? old.shallowCopy() : QPDFObjectHandle::newDictionary();
        for (int i : c.images)
            xo.replaceKey(kImagePrefix + std::to_string(i), imageObjects[i - 1]);
        for (int w : marks)
            xo.replaceKey(kWatermarkPrefix + std::to_string(w), drawingObjects[w - 1]);
        res.replaceKey("/XObject", xo);
    }
    return res;
}

// One resource dictionary for all pages made from the same template
// page that use the same fonts, pictures and watermarks.
QPDFObjectHandle Assembly::sharedResources(QPDFObjectHandle base, const Canvas& c,
                                           const std::vector<int>& marks) {
    if (!base.isIndirect() && !base.isNull())
        return resources(base, c, marks); // cannot tell which page it came from
    std::string key = base.isIndirect() ? base.getObjGen().unparse(' ') : "-";
    for (const auto* list : {&c.fonts, &c.images, &marks}) {
        key += '|';
        for (int n : *list)
            key += std::to_string(n) + ',';
    }
    QPDFObjectHandle& res = shared_[key];
    if (!res.isInitialized())
        res = out_.makeIndirectObject(resources(base, c, marks));
    return res;
}

void Assembly::formXObject(QPDFObjectHandle xobject, const Canvas& canvas) {
    QPDFObjectHandle d = xobject.getDict();
    xobject.replaceStreamData(canvas.closed(), QPDFObjectHandle::newNull(),
                              QPDFObjectHandle::newNull());
    d.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    d.replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
    const double* b = canvas.box;
    d.replaceKey("/BBox",
                 QPDFObjectHandle::newArray(std::vector<QPDFObjectHandle>{
                     QPDFObjectHandle::newInteger(static_cast<long long>(std::floor(b[0]))),
                     QPDFObjectHandle::newInteger(static_cast<long long>(std::floor(b[1]))),
                     QPDFObjectHandle::newInteger(static_cast<long long>(std::ceil(b[2]))),
                     QPDFObjectHandle::newInteger(static_cast<long long>(std::ceil(b[3])))}));
    d.replaceKey("/Resources", resources(QPDFObjectHandle::newNull(), canvas, {}));
}

void Assembly::pages(const std::vector<std::unique_ptr<Page>>& pages) {
    const QPDFObjectHandle flate = QPDFObjectHandle::newName("/FlateDecode");
    for (auto& pp : pages) {
        Page& p = *pp;
        if (p.streams.empty() && p.watermarks.empty())
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
            QPDFObjectHandle& placement = placements_[s];
            if (!placement.isInitialized())
                placement = out_.newStream(s);
            contents.push_back(placement);
        }
        if (!p.streams.empty()) {
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
        for (std::size_t n : p.streams) {
            QPDFObjectHandle text = out_.newStream();
            // One name object for all the pages: a name is never changed in
            // place, and a page's streams are many small objects already.
            text.replaceStreamData(streamData_, flate, QPDFObjectHandle::newNull());
            text.setFilterOnWrite(false);
            streamData_->add(text.getObjGen(), n);
            contents.push_back(text);
        }
        p.object.replaceKey("/Contents", QPDFObjectHandle::newArray(contents));
        p.object.replaceKey(
            "/Resources", sharedResources(p.pristine.getKey("/Resources"), p.canvas, p.watermarks));
    }
}

void setDocumentInfo(QPDF& out, const std::string (&texts)[5], int documentMode) {
    QPDFObjectHandle trailer = out.getTrailer();
    static const char* const keys[5] = {"/Title", "/Subject", "/Author", "/Keywords", "/Creator"};
    QPDFObjectHandle info = QPDFObjectHandle::newDictionary();
    bool any = false;
    for (int i = 0; i < 5; ++i)
        if (!texts[i].empty()) {
            info.replaceKey(keys[i], QPDFObjectHandle::newUnicodeString(texts[i]));
            any = true;
        }
    if (any)
        trailer.replaceKey("/Info", out.makeIndirectObject(info));
    else
        trailer.removeKey("/Info");

    QPDFObjectHandle root = out.getRoot();
    root.removeKey("/PageLayout");
    if (documentMode == 1)
        root.replaceKey("/PageLayout", QPDFObjectHandle::newName("/SinglePage"));
    if (documentMode == 2)
        root.replaceKey("/PageLayout", QPDFObjectHandle::newName("/OneColumn"));
}

void writeAtomically(QPDF& out, std::map<std::string, Source>& sources, const PDFVersion& version,
                     const std::string& password, const std::string& file,
                     const std::string& path) {
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
        QPDFWriter w(out);
        w.setOutputPipeline(&sink);
        w.setObjectStreamMode(qpdf_o_generate);
        w.setCompressStreams(true);
        w.setDecodeLevel(qpdf_dl_generalized);
        w.setMinimumPDFVersion(version);
        if (!password.empty()) {
            w.setR6EncryptionParameters(password.c_str(), password.c_str(), true, true, true, true,
                                        true, true, qpdf_r3p_full, true);
        } else {
            w.setDeterministicID(true);
        }
        // Warnings while writing mean stream data that could not be read
        // (qpdf would go on with what it got): the save fails instead.
        out.getWarnings();
        for (auto& [name, src] : sources)
            src.pdf->getWarnings();
        w.write();
        std::vector<QPDFExc> warnings = out.getWarnings();
        for (auto& [name, src] : sources)
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
        static_cast<void>(target.close()); // giving up the replacement keeps the old file
        fail(number, "Soubor PDF nelze uložit: " + path + " (" + problem + ")");
    }
}

} // namespace tiskpdf
