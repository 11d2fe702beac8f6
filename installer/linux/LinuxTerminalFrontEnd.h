// The installer's window on a text terminal, the front end of Linux. The
// window is printed after every handler; commands come on input lines:
//
//   click NAME        presses a button, the check box or the help link
//   type NAME TEXT    types TEXT into VyberAdr or EdSlozka and leaves the field
//   show              prints the window again
//   help              lists the commands
//
// While a message box, a dialog or the folder picker is open, the next line
// answers it: a button's caption (without "&", in any case), or a folder;
// an empty line or the end of input is Escape (cancel). The end of input
// while the window is idle presses BtnZrus.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "WindowModel.h"
#include "platform/UserInterface.h"

namespace installer {

class TInstal;

// Where input lines come from.
class LineSource {
public:
    virtual ~LineSource() = default;
    // The next line without its line end, or nothing at the end of input.
    // whileWaiting runs now and then while no line has come yet.
    virtual std::optional<std::string> readLine(const std::function<void()>& whileWaiting) = 0;
    // True when a person types the lines (the lines are then not echoed).
    virtual bool interactive() const { return false; }
};

// Lines from a file descriptor (standard input).
class FdLineSource : public LineSource {
public:
    explicit FdLineSource(int fd) : fd_(fd) {}
    std::optional<std::string> readLine(const std::function<void()>& whileWaiting) override;
    bool interactive() const override;

private:
    int fd_;
    std::string buffer_;
    bool ended_ = false;
};

// Lines given in advance.
class StringLineSource : public LineSource {
public:
    explicit StringLineSource(std::deque<std::string> lines) : lines_(std::move(lines)) {}
    std::optional<std::string> readLine(const std::function<void()>& whileWaiting) override;

private:
    std::deque<std::string> lines_;
};

class TerminalUserInterface : public platform::UserInterface {
public:
    TerminalUserInterface(LineSource& in, std::ostream& out) : in_(in), out_(out) {}

    int messageBox(const std::string& text, const std::string& title, std::uint32_t style) override;
    int showMessageDialog(const platform::MessageDialogSpec& dialog) override;
    std::optional<std::string> browseForFolder(const std::string& title,
                                               const std::string& root) override;
    void processPendingMessages() override;

    // Reads a line, handling the window's messages while it waits; the line
    // is echoed after a prompt when the input is not typed by a person.
    std::optional<std::string> readLine();
    // Prints again what is waiting for an answer (after the window was
    // brought to the front).
    void repeatPrompt();

    // Handles the window's messages (set by the front end).
    std::function<void()> messagePump;
    // True when a Windows path names an existing folder (the picker only
    // confirms folders).
    std::function<bool(const std::string&)> isFolder;

private:
    std::optional<std::string> ask(const std::string& heading, const std::string& body);

    LineSource& in_;
    std::ostream& out_;
    std::string openPrompt_;
};

// Prints the window: its caption and its visible controls with their texts
// and states.
void PrintWindow(const WindowModel& window, std::ostream& out);

// Runs the window until it closes; the program's exit code.
int RunTerminal(TInstal& form, TerminalUserInterface& ui, std::ostream& out);

// Carries out one command line; true when the window is to be printed
// again (a click, typing, show).
bool RunCommand(TInstal& form, const std::string& line, std::ostream& out);

} // namespace installer
