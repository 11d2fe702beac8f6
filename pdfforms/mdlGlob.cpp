#include "mdlGlob.h"

#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "PrintForms.h"
#include "RuntimeErrors.h"
#include "mdlAPI.h"
#include "platform/Host.h"

namespace pdfforms::mdlGlob {

namespace {

constexpr const char* kReadParamsError = "Chyba při čtení parametrů.";
constexpr const char* kReadFandError = "Chyba při čtení Fand souboru (CtiFandFile).";
// The most an indented printout may grow to: every line gets the indent's
// blanks, so a large indent on a long printout would multiply it.
constexpr std::size_t kMaxIndentedText = std::size_t{1} << 30;
// The most a printout or a parameter file may hold.
constexpr std::uintmax_t kMaxText = std::uintmax_t{1} << 30;

// A failure inside a procedure other than a numbered error (memory
// exhausted, a length beyond the library's limit) as a numbered error with
// the procedure's text.
template <class Procedure> void withProcedureText(const char* text, Procedure&& procedure) {
    try {
        procedure();
    } catch (const NumberedError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw NumberedError(err::kOutOfMemory, text);
    } catch (const std::length_error&) {
        throw NumberedError(err::kOutOfMemory, text);
    } catch (const std::exception&) {
        throw NumberedError(err::kInternalError, text);
    }
}

std::string upperAscii(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return s;
}

std::vector<std::string> splitAtSpaces(const std::string& s) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t space = s.find(' ', start);
        if (space == std::string::npos) {
            parts.push_back(s.substr(start));
            return parts;
        }
        parts.push_back(s.substr(start, space - start));
        start = space + 1;
    }
}

std::string replaceAll(std::string_view text, std::string_view what, std::string_view with) {
    std::string out;
    std::size_t pos = 0;
    while (true) {
        const std::size_t hit = text.find(what, pos);
        if (hit == std::string_view::npos) {
            out.append(text.substr(pos));
            return out;
        }
        out.append(text.substr(pos, hit - pos));
        out.append(with);
        pos = hit + what.size();
    }
}

// Values of a parameter file, read as delimited fields: a value ends at a
// comma or at the end of its line; one that begins with a double quote runs
// to the next double quote and may hold commas.
class FieldReader {
public:
    explicit FieldReader(std::string data) : data_(std::move(data)) {}

    std::string next() {
        if (pos_ >= data_.size()) {
            throw runtimeError(err::kInputPastEndOfFile);
        }
        std::size_t p = pos_;
        while (p < data_.size() && (data_[p] == ' ' || data_[p] == '\t')) {
            ++p;
        }
        std::string value;
        if (p < data_.size() && data_[p] == '"') {
            const std::size_t close = data_.find('"', p + 1);
            if (close == std::string::npos) {
                value = data_.substr(p + 1);
                pos_ = data_.size();
                return value;
            }
            value = data_.substr(p + 1, close - p - 1);
            // What follows the closing quote up to the delimiter is skipped.
            pos_ = close + 1;
            while (pos_ < data_.size() && !isDelimiter(data_[pos_])) {
                ++pos_;
            }
        } else {
            std::size_t end = pos_;
            while (end < data_.size() && !isDelimiter(data_[end])) {
                ++end;
            }
            value = data_.substr(pos_, end - pos_);
            pos_ = end;
        }
        skipDelimiter();
        return value;
    }

private:
    static bool isDelimiter(char c) { return c == ',' || c == '\r' || c == '\n'; }

    void skipDelimiter() {
        if (pos_ >= data_.size()) {
            return;
        }
        if (data_[pos_] == ',') {
            ++pos_;
        } else if (data_[pos_] == '\r') {
            ++pos_;
            if (pos_ < data_.size() && data_[pos_] == '\n') {
                ++pos_;
            }
        } else if (data_[pos_] == '\n') {
            ++pos_;
        }
    }

    std::string data_;
    std::size_t pos_ = 0;
};

// A whole number in the range of a 16-bit signed value; spaces around it
// are allowed.
std::int16_t toInteger16(const std::string& text) {
    const std::string t = mdlAPI::Trim(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    if (i == t.size()) {
        throw runtimeError(err::kTypeMismatch);
    }
    long long value = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') {
            throw runtimeError(err::kTypeMismatch);
        }
        value = value * 10 + (t[i] - '0');
        if (value > 40000) {
            throw runtimeError(err::kOverflow);
        }
    }
    value = negative ? -value : value;
    if (value < -32768 || value > 32767) {
        throw runtimeError(err::kOverflow);
    }
    return static_cast<std::int16_t>(value);
}

} // namespace

bool StartsWithDotCommand(std::string_view text) {
    return text.starts_with(".po ") || text.starts_with(".ti ");
}

void ApplyDotCommands(std::string& FandText) {
    constexpr std::string_view crlf = "\r\n";
    const std::string_view text = FandText;
    if (text.find(crlf) == std::string_view::npos) {
        throw runtimeError(err::kTypeMismatch);
    }
    // The end of the line that starts at start, its CR LF included.
    const auto lineEnd = [&](std::size_t start) {
        const std::size_t hit = text.find(crlf, start);
        return hit == std::string_view::npos ? text.size() : hit + crlf.size();
    };

    std::string collected;
    std::size_t line = 0;
    std::size_t next = 0;
    while (true) {
        next = lineEnd(line);
        const std::string_view header = text.substr(line, next - line);
        if (!header.starts_with(".ti ")) {
            collected.append(header);
        }
        // A header line starts at character 50 or earlier with a dot.
        if (next < text.size() && next + 1 <= 50 && text[next] == '.') {
            line = next;
            continue;
        }
        break;
    }

    collected = replaceAll(replaceAll(collected, ".po ", ""), crlf, "");
    if (collected.empty()) {
        return;
    }
    const std::int16_t indent = toInteger16(collected);
    if (indent < 0) {
        throw runtimeError(err::kInvalidArgument);
    }
    // The size is known before anything is copied: a result beyond the
    // limit is refused as memory that is not there.
    const std::string_view body = text.substr(next);
    const auto width = static_cast<std::size_t>(indent);
    std::size_t lines = 1;
    for (std::size_t at = body.find(crlf); at != std::string_view::npos;
         at = body.find(crlf, at + crlf.size())) {
        ++lines;
    }
    if (body.size() > kMaxIndentedText ||
        (width != 0 && lines > (kMaxIndentedText - body.size()) / width)) {
        throw runtimeError(err::kOutOfMemory);
    }
    std::string indented;
    indented.reserve(body.size() + lines * width);
    indented.append(width, ' ');
    std::size_t from = 0;
    for (std::size_t at = body.find(crlf); at != std::string_view::npos;
         at = body.find(crlf, from)) {
        indented.append(body.substr(from, at + crlf.size() - from));
        indented.append(width, ' ');
        from = at + crlf.size();
    }
    indented.append(body.substr(from));
    FandText = std::move(indented);
}

std::string GeneralErrorText(const NumberedError& error) {
    const std::int32_t number = error.number();
    return std::string("Chyba programu Listar2:\r") + (number >= 0 ? " " : "") +
           std::to_string(number) + ": " + error.description() + "\rTiskopis se nevytvoří.";
}

Job::Job(platform::Windows& windows, const ObjectCreator& objects)
    : windows_(windows), objects_(objects) {}

Job::~Job() {
    EndJob();
}

JobOutcome Job::Main(const std::string& commandLine) {
    try {
        converter_ = std::make_unique<cls1250>();
        if (!CtiParametry(commandLine)) {
            return JobOutcome::EndedSilently;
        }
        document_ = objects_.CreateObject(kPdfDocumentProgId, documentHost());
        CtiFandFile();
        printForm_ = createPrintForm();
        if (!printForm_) {
            // Type "V" passes the parameter check but has no print form.
            throw runtimeError(err::kObjectVariableNotSet);
        }
        if (fandTextReader_) {
            printForm_->FandTextFrom(std::move(fandTextReader_));
        } else {
            printForm_->FandText(std::move(FandText)); // a big printout is not held twice
        }
        printForm_->PDFVzor(PDFVzor);
        printForm_->PDFDoc(document_);
        printForm_->VodoznakFile(VodoznakFile);
        printForm_->PrilohaFile(PrilohaFile);
        printForm_->Heslo(Heslo);
        printForm_->MakePDF();
        // The printout is drawn: its text need not stay in memory while the
        // document is written.
        printForm_->FandText({});
        document_->SaveDocument(PDFFile, SaveFlag);
        EndJob();
        return JobOutcome::Saved;
    } catch (const NumberedError& error) {
        if (error.number() == err::kCannotCreateObject) {
            mdlAPI::OfferLibrarySetup(windows_, PDFVzor);
        } else {
            windows_.ui().messageBox(GeneralErrorText(error), kMessageTitle,
                                     platform::kMbOk | platform::kMbIconInformation);
        }
    } catch (const std::exception& other) {
        // Failures outside the numbered errors (memory exhausted, the C++
        // library's own) are reported all the same, never passed as success.
        const bool memory = dynamic_cast<const std::bad_alloc*>(&other) != nullptr;
        windows_.ui().messageBox(
            GeneralErrorText(runtimeError(memory ? err::kOutOfMemory : err::kInternalError)),
            kMessageTitle, platform::kMbOk | platform::kMbIconInformation);
    }
    EndJob();
    return JobOutcome::Failed;
}

bool Job::CtiParametry(const std::string& commandLine) {
    const std::vector<std::string> words = splitAtSpaces(commandLine);
    if (commandLine.empty() || words.size() != 2 || words[0] != "$") {
        EndJob();
        return false;
    }
    ParamFile = words[1];
    try {
        withProcedureText(kReadParamsError, [this] { readParameters(); });
    } catch (const NumberedError& error) {
        switch (error.number()) {
        case err::kUnsupportedForm:
            throw error.withDescription("Nepodporovaný tiskopis.");
        case err::kTemplateMissing:
            throw error.withDescription("Chybí soubor předlohy (" + PDFVzor + ").");
        case err::kPictureMissing:
            throw error.withDescription("Chybí soubor s obrázkem (" + VodoznakFile + ").");
        case err::kAttachmentMissing:
            throw error.withDescription("Chybí soubor přílohy (" + PrilohaFile + ").");
        default:
            throw error.withDescription(kReadParamsError);
        }
    }
    return true;
}

void Job::readParameters() {
    FieldReader values(readWholeFile(ParamFile));

    TypTiskopisu = mdlAPI::Trim(upperAscii(values.next()));
    if (TypTiskopisu != "DODL" && TypTiskopisu != "FAKT" && TypTiskopisu != "OBJE" &&
        TypTiskopisu != "BLANK" && TypTiskopisu != "V" && TypTiskopisu != "SZAS") {
        throw NumberedError(err::kUnsupportedForm, "");
    }
    FandFile = converter().ToWinText(mdlAPI::Trim(values.next()));
    PDFVzor = converter().ToWinText(mdlAPI::Trim(values.next()));
    if (!FileExists(PDFVzor)) {
        throw NumberedError(err::kTemplateMissing, "");
    }
    PDFFile = converter().ToWinText(mdlAPI::Trim(values.next()));
    SaveFlag = !mdlAPI::Trim(values.next()).empty();
    const std::string color = mdlAPI::Trim(values.next());
    TextColor = splitAtSpaces(color.empty() ? "0 0 0" : color);
    VodoznakFile = converter().ToWinText(mdlAPI::Trim(values.next()));
    if (!VodoznakFile.empty() && !FileExists(VodoznakFile)) {
        throw NumberedError(err::kPictureMissing, "");
    }
    PrilohaFile = converter().ToWinText(mdlAPI::Trim(values.next()));
    if (!PrilohaFile.empty() && !FileExists(PrilohaFile)) {
        throw NumberedError(err::kAttachmentMissing, "");
    }
    Heslo = converter().ToWinText(mdlAPI::Trim(values.next()));
}

const cls1250& Job::converter() {
    // Main creates it first; a step called on its own gets one here.
    if (!converter_) {
        converter_ = std::make_unique<cls1250>();
    }
    return *converter_;
}

bool Job::FileExists(const std::string& path) {
    const std::optional<std::string> native = mdlAPI::ResolvePath(windows_, path);
    if (!native) {
        return false;
    }
    const std::filesystem::path file = platform::fsPath(*native);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        return false;
    }
    [[maybe_unused]] const auto length = std::filesystem::file_size(file, ec);
    return !ec;
}

namespace {

// The printout read from its file while it is drawn, a megabyte at a time.
// The buffer is not cleared first: a short printout touches only the
// memory its text fills, which keeps a one-page job quick.
class FileTextReader final : public FandTextReader {
public:
    explicit FileTextReader(std::ifstream in)
        : in_(std::move(in)), piece_(std::make_unique_for_overwrite<char[]>(kPieceSize)) {}
    std::string_view next() override {
        in_.read(piece_.get(), static_cast<std::streamsize>(kPieceSize));
        if (in_.bad()) {
            throw runtimeError(err::kDeviceIoError);
        }
        return {piece_.get(), static_cast<std::size_t>(in_.gcount())};
    }

private:
    static constexpr std::size_t kPieceSize = std::size_t{1} << 20;
    std::ifstream in_;
    std::unique_ptr<char[]> piece_;
};

} // namespace

void Job::CtiFandFile() {
    try {
        withProcedureText(kReadFandError, [this] {
            // A text that starts with dot-commands is changed as a whole;
            // any other is read while it is drawn.
            std::ifstream in = openForReading(FandFile);
            char start[4] = {};
            in.read(start, sizeof start);
            const auto got = static_cast<std::size_t>(in.gcount());
            in.clear();
            in.seekg(0);
            if (!in) {
                throw runtimeError(err::kDeviceIoError);
            }
            if (StartsWithDotCommand(std::string_view(start, got))) {
                FandText = readAll(in);
                ApplyDotCommands(FandText);
            } else {
                fandTextReader_ = std::make_unique<FileTextReader>(std::move(in));
            }
        });
    } catch (const NumberedError& error) {
        throw error.withDescription(kReadFandError);
    }
}

void Job::EndJob() {
    document_.reset();
    printForm_.reset();
    converter_.reset();
    fandTextReader_.reset();
}

std::ifstream Job::openForReading(const std::string& path) {
    const std::optional<std::string> native = mdlAPI::ResolvePath(windows_, path);
    if (!native) {
        throw runtimeError(err::kFileNotFound);
    }
    const std::filesystem::path file = platform::fsPath(*native);
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(file, ec);
    if (!std::filesystem::exists(status)) {
        throw runtimeError(err::kFileNotFound);
    }
    if (std::filesystem::is_directory(status)) {
        throw runtimeError(err::kPathFileAccessError);
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw runtimeError(err::kPermissionDenied);
    }
    // A text beyond the limit would not fit into memory where it must be
    // held whole, and would take days to draw where it is read in pieces.
    if (const auto size = std::filesystem::file_size(file, ec); !ec && size > kMaxText) {
        throw runtimeError(err::kOutOfMemory);
    }
    return in;
}

std::string Job::readWholeFile(const std::string& path) {
    std::ifstream in = openForReading(path);
    return readAll(in);
}

std::string Job::readAll(std::ifstream& in) {
    // Read in large blocks: a printout may be tens of megabytes.
    std::string bytes;
    in.seekg(0, std::ios::end);
    if (const std::streamoff size = in.tellg(); size > 0) {
        bytes.reserve(static_cast<std::size_t>(size));
    }
    in.seekg(0);
    std::vector<char> block(1 << 16);
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
        bytes.append(block.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        throw runtimeError(err::kDeviceIoError);
    }
    return bytes;
}

PdfDocumentHost Job::documentHost() {
    PdfDocumentHost host;
    platform::Windows* windows = &windows_;
    host.resolvePath = [windows](const std::string& path) {
        std::optional<std::string> native = mdlAPI::ResolvePath(*windows, path);
        if (!native) {
            // The document's own number, whichever host it runs in.
            throw NumberedError(hr::kFileNotFound, "Soubor nebyl nalezen (" + path + ").");
        }
        return *native;
    };
    host.openInViewer = [windows](const std::string& resolvedPath) {
        // The shell's "open" runs a program (.exe, .hta) where it shows a
        // document: an output named so in a parameter file is not opened.
        if (isPdfFileName(resolvedPath)) {
            windows->shellExecute("open", resolvedPath, "", "", platform::kSwShowNormal);
        }
    };
    return host;
}

std::unique_ptr<clsPDFTiskopis> Job::createPrintForm() {
    const JobContext job{converter(), TextColor};
    if (TypTiskopisu == "FAKT") {
        return std::make_unique<clsPDFFaktura>(job);
    }
    if (TypTiskopisu == "DODL") {
        return std::make_unique<clsPDFDodList>(job);
    }
    if (TypTiskopisu == "OBJE") {
        return std::make_unique<clsPDFObjednavka>(job);
    }
    if (TypTiskopisu == "SZAS") {
        return std::make_unique<clsPDFZasilky>(job);
    }
    if (TypTiskopisu == "BLANK") {
        return std::make_unique<clsPDFFandReport>(job);
    }
    return nullptr; // "V"
}

} // namespace pdfforms::mdlGlob
