// Helpers of the tiskpdf tests: the checks with poppler-utils and qpdf, a
// small renderer that issues the call sequence of the print forms' renderers.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestMachine.h"
#include "tiskpdf/TiskPdf.h"

namespace tiskpdf_test {

namespace fs = std::filesystem;

inline std::string data(const std::string& name) {
    return std::string(TISKPDF_TEST_DATA) + "/" + name;
}

using testmachine::TempFolder;
using ToolRun = testmachine::CommandResult;

inline std::string quote(const std::string& s) {
    return testmachine::shellQuote(s);
}

// Runs a command with its standard error joined to its output.
inline ToolRun run(const std::string& command) {
    return testmachine::runHostCommand(command + " 2>&1");
}

inline std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline bool contains(const std::string& hay, const std::string& needle) {
    return hay.find(needle) != std::string::npos;
}

inline int count(const std::string& hay, const std::string& needle) {
    int n = 0;
    for (std::size_t p = hay.find(needle); p != std::string::npos;
         p = hay.find(needle, p + needle.size()))
        ++n;
    return n;
}

// One word of `pdftotext -bbox`: xMin yMin xMax yMax in points.
struct Box {
    double xMin = -1, yMin = -1, xMax = -1, yMax = -1;
};

inline std::vector<std::pair<std::string, Box>> words(const std::string& pdf, int page = 1) {
    std::string p = std::to_string(page);
    ToolRun r = run("pdftotext -bbox -f " + p + " -l " + p + " " + quote(pdf) + " -");
    std::vector<std::pair<std::string, Box>> out;
    std::istringstream in(r.output);
    std::string line;
    while (std::getline(in, line)) {
        auto w = line.find("<word ");
        if (w == std::string::npos)
            continue;
        Box b;
        std::sscanf(line.c_str() + w, "<word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\"",
                    &b.xMin, &b.yMin, &b.xMax, &b.yMax);
        auto s = line.find('>', w) + 1;
        auto e = line.find("</word>", s);
        out.emplace_back(line.substr(s, e - s), b);
    }
    return out;
}

inline Box wordBox(const std::string& pdf, const std::string& word, int page = 1) {
    for (auto& [w, b] : words(pdf, page))
        if (w == word)
            return b;
    return Box{};
}

// The qpdf --check verdict: true when clean, without warnings.
inline bool qpdfClean(const std::string& pdf, const std::string& password = "",
                      std::string* out = nullptr) {
    std::string pw = password.empty() ? "" : " --password=" + quote(password);
    ToolRun r = run("qpdf --check" + pw + " " + quote(pdf));
    if (out)
        *out = r.output;
    return r.status == 0 && contains(r.output, "No syntax or stream encoding errors") &&
           !contains(r.output, "WARNING");
}

// Options of the small renderer below.
struct Job {
    std::string vzor;     // template
    std::string vzor2;    // continuation template (default: vzor)
    std::string vodoznak; // watermark picture
    std::string priloha;  // attachment
    std::string heslo;    // password
    float red = 0, green = 0, blue = 0;
    float leftMargin = 1.0f, topMargin = 22.5f, lineHeight = 11.9f;
};

// Draws `text` (UTF-8; '\n' new line, '\f' new page of the same form, '\v'
// new form) by the renderers' call sequence; bold/italic toggles are '\x02'
// and '\x17', 12-pitch '\x01'.
inline void render(pdfforms::IPDFDocument& doc, const Job& job, const std::string& text) {
    doc.OpenPdf(job.vzor, "");
    doc.SelectPage(0);
    float positionFactor = 1.0f, newFormFactor = 0;
    std::int32_t image = 0, mark = 0;
    std::string vodoznak = job.vodoznak;
    if (!vodoznak.empty()) {
        image = doc.LoadImage(vodoznak);
        if (doc.ImageResolution(image) < 72) {
            vodoznak.clear();
        } else {
            double n = doc.ImageResolution(image);
            positionFactor = static_cast<float>(n / doc.Resolution());
            doc.SetResolution(doc.ImageResolution(image));
            newFormFactor =
                static_cast<float>(doc.ImageResolution(image) / double(doc.Resolution()));
        }
    }
    if (!vodoznak.empty()) {
        mark = doc.NewWatermark();
        doc.BeginWatermark(mark);
        doc.DrawImage(image, 0, 0);
        doc.EndWatermark();
        doc.ApplyWatermark(0, mark);
    }
    doc.SetDocumentMode(1);
    for (int i = 0; i < 5; ++i)
        doc.SetInfoText(static_cast<pdfforms::InfoText>(i), "");
    const std::int32_t fonts[4] = {doc.RegisterFont("Courier New", false, false, 0, 0, 0),
                                   doc.RegisterFont("Courier New", true, false, 0, 0, 0),
                                   doc.RegisterFont("Courier New", false, true, 0, 0, 0),
                                   doc.RegisterFont("Courier New", true, true, 0, 0, 0)};
    auto color = [&] {
        doc.SetColorMode(1);
        doc.SetTextColor(job.red, job.green, job.blue, 0);
    };
    color();
    doc.SelectPage(doc.PageCount() - 1);
    float curX = positionFactor * job.leftMargin, curY = positionFactor * job.topMargin;
    doc.MoveTextTo(curX, curY);
    bool bold = false, italic = false, pitch12 = false;
    float scaling = 100;
    std::int32_t current = fonts[0];
    doc.UseFont(current, 12);
    if (!job.heslo.empty())
        doc.SetPassword(job.heslo);
    auto face = [&] { return fonts[(bold ? 1 : 0) + (italic ? 2 : 0)]; };
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = text[i];
        if (c == 2 || c == 23) {
            (c == 2 ? bold : italic) = !(c == 2 ? bold : italic);
            current = face();
            doc.UseFont(current, 12);
            ++i;
        } else if (c == 1) {
            pitch12 = !pitch12;
            scaling = pitch12 ? scaling * 10 / 12 : scaling * 1.2f;
            doc.SetTextScaling(scaling);
            ++i;
        } else if (c == '\n') {
            curX = positionFactor * job.leftMargin;
            curY += positionFactor * job.lineHeight;
            doc.MoveTextTo(curX, curY);
            ++i;
        } else if (c == '\f' || c == '\v') {
            if (c == '\v') {
                if (!job.priloha.empty())
                    doc.AppendPdf(job.priloha, "");
                doc.AppendPdf(job.vzor, "");
                if (!vodoznak.empty()) {
                    doc.BeginWatermark(mark);
                    doc.DrawImage(image, 0, 0);
                    doc.EndWatermark();
                    doc.ApplyWatermark(doc.PageCount() - 1, mark);
                    positionFactor = newFormFactor;
                }
            } else {
                doc.AppendPdf(job.vzor2.empty() ? job.vzor : job.vzor2, "");
                positionFactor = 1.0f;
            }
            doc.SelectPage(doc.PageCount() - 1);
            curX = job.leftMargin;
            curY = job.topMargin;
            doc.MoveTextTo(curX, curY);
            doc.UseFont(current, 12);
            doc.SetTextScaling(scaling);
            color();
            ++i;
        } else {
            std::size_t len = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
            doc.DrawText(text.substr(i, len));
            i += len;
        }
    }
    if (!job.priloha.empty())
        doc.AppendPdf(job.priloha, "");
    doc.FinishDocument();
}

// The number of the error that f raises, 0 when it raises none; its
// description into *description.
template <class F> std::int32_t errorOf(F&& f, std::string* description = nullptr) {
    try {
        f();
    } catch (const pdfforms::NumberedError& e) {
        if (description)
            *description = e.description();
        return e.number();
    }
    return 0;
}

} // namespace tiskpdf_test
