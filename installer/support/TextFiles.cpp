#include "support/TextFiles.h"

#include "support/Errors.h"

namespace support {

using namespace platform;

namespace {
constexpr std::size_t kBufferSize = 4096;
}

TextFileWriter::TextFileWriter(Windows& win, const std::string& path) {
    auto f = win.createReplacement(path);
    if (!f)
        throw EInOutError(inOutCodeFor(f.error()));
    file_ = std::move(*f);
}

TextFileWriter::~TextFileWriter() {
    // Destroyed without close (an exception on the way): the file that was
    // there stays as it was, which giving up a replacement cannot fail at.
    if (file_)
        static_cast<void>(file_->close());
}

void TextFileWriter::write(const std::string& bytes) {
    buffer_ += bytes;
    if (buffer_.size() >= kBufferSize)
        flush();
}

void TextFileWriter::flush() {
    if (buffer_.empty())
        return;
    auto n = file_->write(buffer_.data(), buffer_.size());
    if (!n)
        throw EInOutError(inOutCodeFor(n.error()));
    if (*n != buffer_.size())
        throw EInOutError(101);
    buffer_.clear();
}

void TextFileWriter::close() {
    if (!file_)
        return;
    flush();
    const WinError e = file_->commit();
    file_.reset();
    if (e != kErrorSuccess)
        throw EInOutError(inOutCodeFor(e));
}

std::vector<std::string> ReadTextLines(Windows& win, const std::string& path) {
    auto f =
        win.createFile(path, Access::Read, kShareRead | kShareWrite, Disposition::OpenExisting);
    if (!f)
        throw EInOutError(inOutCodeFor(f.error()));
    std::string data;
    char buf[8192];
    while (true) {
        auto n = (*f)->read(buf, sizeof buf);
        if (!n)
            throw EInOutError(inOutCodeFor(n.error()));
        if (*n == 0)
            break;
        data.append(buf, *n);
    }
    // Closing a file only read loses nothing of what was read.
    static_cast<void>((*f)->close());
    // A DOS end-of-file mark closes the text only at its very end.
    while (!data.empty() && data.back() == '\x1a')
        data.pop_back();
    std::vector<std::string> lines;
    std::string line;
    bool pending = false;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            pending = false;
            if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
                ++i;
            continue;
        }
        line += c;
        pending = true;
    }
    if (pending)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines)
        text += l + "\r\n";
    return text;
}

} // namespace support
