// Text files as the installer reads and writes them: lines of bytes, written
// with CR LF, through a buffer, with the runtime's input/output errors.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Windows.h"

namespace support {

// A text file being written. Every failure raises EInOutError; a file that
// was created stays as far as it was written.
class TextFileWriter {
public:
    // Creates the file, replacing an existing one (or, with createNew, only
    // when no file of that name exists).
    TextFileWriter(platform::Windows& win, const std::string& path, bool createNew = false);
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    void write(const std::string& bytes);
    void writeLine(const std::string& bytes) {
        write(bytes);
        write("\r\n");
    }
    // Writes out the buffer and closes the file.
    void close();

private:
    void flush();

    std::unique_ptr<platform::File> file_;
    std::string buffer_;
};

// The lines of a text file, as bytes. CR LF, LF and a lone CR end a line;
// a last line without a line end counts; an end-of-file character (^Z) at
// the very end of the file is dropped. Raises EInOutError.
std::vector<std::string> ReadTextLines(platform::Windows& win, const std::string& path);

// A name for a temporary file in the folder of target, created exclusively
// and empty; the caller writes it and renames it over target.
std::string CreateTemporaryBeside(platform::Windows& win, const std::string& target);

} // namespace support
