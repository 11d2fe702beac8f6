#include "LinuxConsoleUserInterface.h"

#include <unistd.h>

#include <iostream>

#include "mdlAPI.h"
#include "platform/WinTypes.h"

namespace pdfforms {

namespace {

std::string lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

} // namespace

ConsoleUserInterface::ConsoleUserInterface(std::FILE* out, bool interactive, LineReader readLine)
    : out_(out), interactive_(interactive), readLine_(std::move(readLine)) {}

ConsoleUserInterface::ConsoleUserInterface()
    : ConsoleUserInterface(stderr, isatty(STDIN_FILENO) != 0, []() -> std::optional<std::string> {
          std::string line;
          if (!std::getline(std::cin, line)) {
              return std::nullopt;
          }
          return line;
      }) {}

int ConsoleUserInterface::messageBox(const std::string& text, const std::string& title,
                                     std::uint32_t style) {
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            lines += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            lines += text[i];
        }
    }
    std::fprintf(out_, "%s\n%s\n", title.c_str(), lines.c_str());
    std::fflush(out_);

    const std::uint32_t buttons = style & platform::kMbTypeMask;
    if (buttons != platform::kMbYesNo && buttons != platform::kMbYesNoCancel) {
        return platform::kIdOk;
    }
    const int no = platform::kIdNo;
    if (!interactive_) {
        return no;
    }
    while (true) {
        std::fprintf(out_, "[Ano/Ne] ");
        std::fflush(out_);
        const std::optional<std::string> line = readLine_();
        if (!line) {
            std::fprintf(out_, "\n");
            return no;
        }
        const std::string answer = lower(mdlAPI::Trim(*line, " \t\r"));
        if (answer == "ano" || answer == "a") {
            return platform::kIdYes;
        }
        if (answer == "ne" || answer == "n") {
            return platform::kIdNo;
        }
    }
}

int ConsoleUserInterface::showMessageDialog(const platform::MessageDialogSpec& dialog) {
    messageBox(dialog.message, dialog.caption, platform::kMbOk);
    return -1;
}

std::optional<std::string> ConsoleUserInterface::browseForFolder(const std::string&,
                                                                 const std::string&) {
    return std::nullopt;
}

} // namespace pdfforms
