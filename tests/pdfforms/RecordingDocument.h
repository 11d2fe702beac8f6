// A PDF document object that records every call as one line of text, for
// checking the exact call sequence of a renderer.
#pragma once

#include <charconv>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "NumberedError.h"
#include "PdfDocument.h"

namespace pdfforms::test {

// The shortest text that reads back as the same single-precision value.
inline std::string num(float v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

class RecordingDocument : public IPDFDocument {
public:
    std::vector<std::string> calls;
    // Pages of the PDF files that are opened or appended (default 1).
    std::map<std::string, int> pagesOf;
    int imageResolution = 72;
    int resolution = 72;
    // The call (by name) that fails, and on which occurrence (1 = first).
    std::string failCall;
    int failOn = 1;
    int failNumber = 70;
    int pages = 0;
    // Also told of every recorded call (the driver owns and releases the
    // document, so a test keeps its own copy of the calls).
    std::function<void(const std::string&)> onCall;

    void OpenPdf(const std::string& path, const std::string& pw) override {
        rec("OpenPdf(" + path + "," + pw + ")");
        pages = pagesFor(path);
    }
    void AppendPdf(const std::string& path, const std::string& pw) override {
        rec("AppendPdf(" + path + "," + pw + ")");
        pages += pagesFor(path);
    }
    std::int32_t PageCount() override {
        rec("PageCount");
        return pages;
    }
    void SelectPage(std::int32_t i) override { rec("SelectPage(" + std::to_string(i) + ")"); }
    std::int32_t LoadImage(const std::string& path) override {
        rec("LoadImage(" + path + ")");
        return 7;
    }
    std::int32_t ImageResolution(std::int32_t image) override {
        rec("ImageResolution(" + std::to_string(image) + ")");
        return imageResolution;
    }
    std::int32_t Resolution() override {
        rec("Resolution");
        return resolution;
    }
    void SetResolution(std::int32_t r) override {
        rec("SetResolution(" + std::to_string(r) + ")");
        resolution = r;
    }
    std::int32_t NewWatermark() override {
        rec("NewWatermark");
        return 9;
    }
    void BeginWatermark(std::int32_t w) override {
        rec("BeginWatermark(" + std::to_string(w) + ")");
    }
    void DrawImage(std::int32_t image, float x, float y) override {
        rec("DrawImage(" + std::to_string(image) + "," + num(x) + "," + num(y) + ")");
    }
    void EndWatermark() override { rec("EndWatermark"); }
    void ApplyWatermark(std::int32_t page, std::int32_t w) override {
        rec("ApplyWatermark(" + std::to_string(page) + "," + std::to_string(w) + ")");
    }
    void SetDocumentMode(std::int32_t m) override {
        rec("SetDocumentMode(" + std::to_string(m) + ")");
    }
    void SetInfoText(InfoText which, const std::string& text) override {
        rec("SetInfoText(" + std::to_string(static_cast<int>(which)) + "," + text + ")");
    }
    std::int32_t RegisterFont(const std::string& face, bool bold, bool italic, std::int32_t a,
                              std::int32_t b, std::int32_t c) override {
        rec("RegisterFont(" + face + "," + std::to_string(bold) + "," + std::to_string(italic) +
            "," + std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + ")");
        return 100 + (bold ? 1 : 0) + (italic ? 2 : 0);
    }
    void UseFont(std::int32_t font, float size) override {
        rec("UseFont(" + std::to_string(font) + "," + num(size) + ")");
    }
    void SetTextScaling(float p) override { rec("SetTextScaling(" + num(p) + ")"); }
    void SetColorMode(std::int32_t m) override { rec("SetColorMode(" + std::to_string(m) + ")"); }
    void SetTextColor(float r, float g, float b, float f) override {
        rec("SetTextColor(" + num(r) + "," + num(g) + "," + num(b) + "," + num(f) + ")");
    }
    void MoveTextTo(float x, float y) override { rec("MoveTextTo(" + num(x) + "," + num(y) + ")"); }
    void DrawText(const std::string& t) override { rec("DrawText(" + t + ")"); }
    void SetPassword(const std::string& pw) override { rec("SetPassword(" + pw + ")"); }
    void FinishDocument() override { rec("FinishDocument"); }
    void SaveDocument(const std::string& path, bool flag) override {
        rec("SaveDocument(" + path + "," + std::to_string(flag) + ")");
    }

private:
    int pagesFor(const std::string& path) const {
        auto it = pagesOf.find(path);
        return it == pagesOf.end() ? 1 : it->second;
    }
    void rec(std::string call) {
        const std::string name = call.substr(0, call.find('('));
        if (name == failCall && --failOn == 0) {
            throw NumberedError(failNumber, "failure of " + name);
        }
        if (onCall) {
            onCall(call);
        }
        calls.push_back(std::move(call));
    }
};

} // namespace pdfforms::test
