// The user interface of Listar2 on a Linux terminal: a message box is
// written to standard error (its title, then its lines); a question is asked
// on the terminal when there is one, and answered No without one.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "platform/UserInterface.h"

namespace pdfforms {

class ConsoleUserInterface : public platform::UserInterface {
public:
    // Reads one answer line; nothing at the end of the input.
    using LineReader = std::function<std::optional<std::string>()>;

    // Writes to out; questions are asked when interactive is true and read
    // through readLine.
    ConsoleUserInterface(std::FILE* out, bool interactive, LineReader readLine);
    // Standard error; questions on the terminal of standard input, if any.
    ConsoleUserInterface();

    int messageBox(const std::string& text, const std::string& title, std::uint32_t style) override;
    int showMessageDialog(const platform::MessageDialogSpec& dialog) override;
    std::optional<std::string> browseForFolder(const std::string& title,
                                               const std::string& root) override;
    void processPendingMessages() override {}

private:
    std::FILE* out_;
    bool interactive_;
    LineReader readLine_;
};

} // namespace pdfforms
