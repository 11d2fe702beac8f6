// The PDF tool's job: command line and parameter file, the FAND text, the
// choice of print form, rendering and saving, and the one message through
// which every failed job is reported.
#pragma once

#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "NumberedError.h"
#include "ObjectCreator.h"
#include "PdfDocument.h"
#include "cls1250.h"
#include "clsPDFTiskopis.h"
#include "platform/Windows.h"

namespace pdfforms::mdlGlob {

// True when the text begins with the dot-command ".po " or ".ti ".
bool StartsWithDotCommand(std::string_view text);

// Applies the leading dot-command lines of a FAND text in place: the
// header lines go, and every body line is indented by the ".po " value.
// Fails with error 13 (no line end, value not a number), 6 (value out of
// range) or 5 (negative value).
void ApplyDotCommands(std::string& FandText);

// The text of the general error message (lines separated by CR).
std::string GeneralErrorText(const NumberedError& error);

inline constexpr const char* kMessageTitle = "Hlášení programu Listar2...";

// How a run ended.
enum class JobOutcome {
    Saved,         // the PDF file was saved
    Failed,        // the job failed; its message was shown
    EndedSilently, // the command line was not a print job
};

// The program's exit status for an outcome: 0 saved, 1 failed, 2 not a job.
constexpr int ExitStatus(JobOutcome outcome) {
    switch (outcome) {
    case JobOutcome::Saved:
        return 0;
    case JobOutcome::Failed:
        return 1;
    case JobOutcome::EndedSilently:
        return 2;
    }
    return 1;
}

class Job {
public:
    Job(platform::Windows& windows, const ObjectCreator& objects);
    ~Job();

    // Runs the whole job for the command line (the text after the program's
    // own name).
    JobOutcome Main(const std::string& commandLine);

    // The steps of the job.

    // Checks the command line and reads the parameter file. False when the
    // command line is not "$", one space and a path: the run then ends.
    bool CtiParametry(const std::string& commandLine);
    // True when the length of the named file can be read.
    bool FileExists(const std::string& path);
    void CtiFandFile();
    // Releases the document, the print form and the converter.
    void EndJob();

    // The job parameters and the text.
    std::string ParamFile;
    std::string TypTiskopisu;
    std::string FandFile;
    std::string PDFVzor;
    std::string PDFFile;
    bool SaveFlag = false;
    std::vector<std::string> TextColor;
    std::string VodoznakFile;
    std::string PrilohaFile;
    std::string Heslo;
    std::string FandText;

private:
    void readParameters();
    const cls1250& converter();
    std::ifstream openForReading(const std::string& path);
    std::string readWholeFile(const std::string& path);
    static std::string readAll(std::ifstream& in);
    PdfDocumentHost documentHost();
    std::unique_ptr<clsPDFTiskopis> createPrintForm();

    platform::Windows& windows_;
    const ObjectCreator& objects_;
    std::unique_ptr<cls1250> converter_;
    std::shared_ptr<IPDFDocument> document_;
    std::unique_ptr<clsPDFTiskopis> printForm_;
    // The printout read while it is drawn, where FandText stays empty.
    std::unique_ptr<FandTextReader> fandTextReader_;
};

} // namespace pdfforms::mdlGlob
