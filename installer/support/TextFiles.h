// Text files as the installer reads and writes them: lines of bytes, written
// with CR LF, through a buffer, with the runtime's input/output errors.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Windows.h"

namespace support {

// A text file being written. Every failure raises EInOutError. The file
// takes its name (replacing an existing one) only when close() succeeds: a
// failure, or a writer destroyed without close(), leaves the file that was
// there untouched and no partial file behind.
class TextFileWriter {
public:
    TextFileWriter(platform::Windows& win, const std::string& path);
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    void write(const std::string& bytes);
    void writeLine(const std::string& bytes) {
        write(bytes);
        write("\r\n");
    }
    // Writes out the buffer, closes the file and puts it in place.
    void close();

private:
    void flush();

    std::unique_ptr<platform::ReplacementFile> file_;
    std::string buffer_;
};

// The lines of a text file, as bytes. CR LF, LF and a lone CR end a line;
// a last line without a line end counts; an end-of-file character (^Z) at
// the very end of the file is dropped. Raises EInOutError.
std::vector<std::string> ReadTextLines(platform::Windows& win, const std::string& path);

// Splits a text into its lines (CR LF, LF or CR end a line; a last line
// without an end counts).
std::vector<std::string> SplitLines(const std::string& text);
// The lines, each ended with CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

} // namespace support
