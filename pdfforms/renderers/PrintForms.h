// The five print forms. They run one rendering procedure and differ only in
// where a page's text starts (left and top margin).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cls1250.h"
#include "clsPDFTiskopis.h"

namespace pdfforms {

// What every renderer reads from the job besides its own properties: the
// job's text colour ("r g b", split at single spaces) and the one converter.
struct JobContext {
    const cls1250& converter;
    const std::vector<std::string>& TextColor;
};

// The rendering procedure shared by all print forms.
class clsPDFFormular : public clsPDFTiskopis {
public:
    // The old text, of any length, goes with the reader it was in.
    void FandText(std::string vNewValue) override {
        FandText_ = std::make_unique<StringTextReader>(std::move(vNewValue));
    }
    void FandTextFrom(std::unique_ptr<FandTextReader> reader) override {
        FandText_ = std::move(reader);
    }
    void PDFVzor(const std::string& vNewValue) override { PDFVzor_ = vNewValue; }
    void VodoznakFile(const std::string& vNewValue) override { VodoznakFile_ = vNewValue; }
    void PrilohaFile(const std::string& vNewValue) override { PrilohaFile_ = vNewValue; }
    void Heslo(const std::string& vNewValue) override { Heslo_ = vNewValue; }
    void PDFDoc(std::shared_ptr<IPDFDocument> vNewValue) override {
        PDFDoc_ = std::move(vNewValue);
    }

    void MakePDF() override;

    // Path of the continuation template: PDFVzor upper-cased, every ".PDF"
    // replaced by "2.PDF".
    std::string PDFVzor2() const;

    float LeftMargin() const { return LeftMargin_; }
    float TopMargin() const { return TopMargin_; }

protected:
    clsPDFFormular(JobContext job, float leftMargin, float topMargin)
        : job_(job), LeftMargin_(leftMargin), TopMargin_(topMargin) {}

private:
    class Run;

    JobContext job_;

    std::int32_t FontRegular = 0;
    std::int32_t FontBold = 0;
    std::int32_t FontItalic = 0;
    std::int32_t FontBoldItalic = 0;
    float LeftMargin_;
    float TopMargin_;
    float CurX = 0;
    float CurY = 0;
    float FontSize = 12.0f;
    float TextScaling = 100.0f;
    float LineHeight = 11.9f;
    bool BoldOn = false;
    bool ItalicOn = false;
    bool Pitch12On = false;
    bool Pitch17On = false;
    bool DoubleWidthOn = false;
    std::unique_ptr<FandTextReader> FandText_;
    std::string PDFVzor_;
    std::string VodoznakFile_;
    std::string PrilohaFile_;
    std::string Heslo_;
    std::shared_ptr<IPDFDocument> PDFDoc_;
};

// Invoice (FAKT).
class clsPDFFaktura : public clsPDFFormular {
public:
    explicit clsPDFFaktura(JobContext job) : clsPDFFormular(job, 1.0f, 22.5f) {}
};

// Delivery note (DODL).
class clsPDFDodList : public clsPDFFormular {
public:
    explicit clsPDFDodList(JobContext job) : clsPDFFormular(job, 1.0f, 22.5f) {}
};

// Order (OBJE).
class clsPDFObjednavka : public clsPDFFormular {
public:
    explicit clsPDFObjednavka(JobContext job) : clsPDFFormular(job, 1.0f, 22.5f) {}
};

// Consignment list (SZAS).
class clsPDFZasilky : public clsPDFFormular {
public:
    explicit clsPDFZasilky(JobContext job) : clsPDFFormular(job, 3.0f, 26.0f) {}
};

// Plain FAND report (BLANK).
class clsPDFFandReport : public clsPDFFormular {
public:
    explicit clsPDFFandReport(JobContext job) : clsPDFFormular(job, 14.0f, 12.0f) {}
};

} // namespace pdfforms
