#include "LinuxTerminalFrontEnd.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <sstream>
#include <thread>

#include "platform/Encoding.h"
#include "platform/UserInterface.h"
#include "platform/WinTypes.h"
#include "uInstal.h"

namespace installer {

using namespace platform;

namespace {

// Message texts break lines with CR LF, LF CR, CR or LF; the terminal with LF.
std::string terminalLines(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out += '\n';
            if (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n') &&
                text[i + 1] != c)
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::string iconName(std::uint32_t style) {
    switch (style & kMbIconMask) {
    case kMbIconError:
        return " (error icon)";
    case kMbIconQuestion:
        return " (question icon)";
    case kMbIconWarning:
        return " (warning icon)";
    case kMbIconInformation:
        return " (information icon)";
    default:
        return "";
    }
}

std::string dialogIcon(MsgDlgType type) {
    switch (type) {
    case MsgDlgType::Warning:
        return " (warning icon)";
    case MsgDlgType::Error:
        return " (error icon)";
    case MsgDlgType::Information:
        return " (information icon)";
    case MsgDlgType::Confirmation:
        return " (question icon)";
    case MsgDlgType::Custom:
        return "";
    }
    return "";
}

std::string buttonRow(const std::vector<std::string>& captions) {
    std::string row = "Buttons:";
    for (const auto& c : captions)
        row += " [" + c + "]";
    return row;
}

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    const auto e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

// The first n characters of a UTF-8 text.
std::string firstCharacters(const std::string& text, std::size_t n) {
    std::size_t pos = 0;
    for (std::size_t count = 0; count < n && pos < text.size(); ++count)
        decodeUtf8(text, pos);
    return text.substr(0, pos);
}

std::size_t characterCount(const std::string& text) {
    std::size_t pos = 0, count = 0;
    while (pos < text.size()) {
        decodeUtf8(text, pos);
        ++count;
    }
    return count;
}

} // namespace

// --- Input ---

std::optional<std::string> FdLineSource::readLine(const std::function<void()>& whileWaiting) {
    while (true) {
        const auto end = buffer_.find('\n');
        if (end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }
        if (ended_) {
            if (buffer_.empty())
                return std::nullopt;
            std::string line;
            line.swap(buffer_);
            return line;
        }
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, 100);
        if (ready < 0 && errno != EINTR) {
            ended_ = true;
            continue;
        }
        if (ready <= 0) {
            if (whileWaiting)
                whileWaiting();
            continue;
        }
        char chunk[4096];
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ended_ = true;
        else
            buffer_.append(chunk, static_cast<std::size_t>(n));
    }
}

bool FdLineSource::interactive() const {
    return ::isatty(fd_) == 1;
}

std::optional<std::string> StringLineSource::readLine(const std::function<void()>& whileWaiting) {
    if (whileWaiting)
        whileWaiting();
    if (lines_.empty())
        return std::nullopt;
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    return line;
}

// --- Message boxes, dialogs, picker ---

std::optional<std::string> TerminalUserInterface::readLine() {
    out_ << "> " << std::flush;
    auto line = in_.readLine([this] {
        if (messagePump)
            messagePump();
    });
    if (!in_.interactive())
        out_ << (line ? *line : std::string("(end of input)")) << "\n";
    out_ << std::flush;
    return line;
}

void TerminalUserInterface::repeatPrompt() {
    if (!openPrompt_.empty())
        out_ << openPrompt_ << "> " << std::flush;
}

std::optional<std::string> TerminalUserInterface::ask(const std::string& heading,
                                                      const std::string& body) {
    openPrompt_ = heading + "\n" + body + "\n";
    out_ << openPrompt_;
    auto line = readLine();
    openPrompt_.clear();
    return line;
}

int TerminalUserInterface::messageBox(const std::string& text, const std::string& title,
                                      std::uint32_t style) {
    const auto buttons = messageBoxButtons(style);
    std::string body = terminalLines(text) + "\n" + buttonRow(buttons);
    std::string heading = "-- Message box \"" + title + "\"" + iconName(style) + " --";
    while (true) {
        const auto line = ask(heading, body);
        if (!line || trim(*line).empty())
            return messageBoxEscapeAnswer(style);
        if (const int answer = messageBoxAnswerFor(style, trim(*line)); answer != 0)
            return answer;
        out_ << "No button \"" << trim(*line) << "\" here.\n";
    }
}

int TerminalUserInterface::showMessageDialog(const MessageDialogSpec& dialog) {
    std::vector<std::string> captions;
    for (const auto& b : dialog.buttons)
        captions.push_back(b.caption + (b.isDefault ? " (default)" : ""));
    std::string body = terminalLines(dialog.message) + "\n" + buttonRow(captions);
    std::string heading = "-- Dialog \"" + dialog.caption + "\"" + dialogIcon(dialog.type) + " --";
    while (true) {
        const auto line = ask(heading, body);
        if (!line || trim(*line).empty())
            return -1;
        const std::string wanted = withoutAccelerator(trim(*line));
        for (std::size_t i = 0; i < dialog.buttons.size(); ++i)
            if (equalsIgnoreCase(withoutAccelerator(dialog.buttons[i].caption), wanted))
                return static_cast<int>(i);
        out_ << "No button \"" << trim(*line) << "\" here.\n";
    }
}

std::optional<std::string> TerminalUserInterface::browseForFolder(const std::string& title,
                                                                  const std::string& root) {
    std::string heading = "-- Folder picker \"" + title + "\" --";
    std::string body = std::string("Type a Windows folder") +
                       (root.empty() ? "" : " below " + root) + ", or an empty line to cancel.";
    while (true) {
        const auto line = ask(heading, body);
        if (!line || trim(*line).empty())
            return std::nullopt;
        const std::string folder = trim(*line);
        if (!isFolder || isFolder(folder))
            return folder;
        out_ << folder << " is no folder; only a folder can be chosen.\n";
    }
}

void TerminalUserInterface::processPendingMessages() {
    if (messagePump)
        messagePump();
    // A window waiting for messages does not spin; neither does the terminal.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// --- The window ---

void PrintWindow(const WindowModel& window, std::ostream& out) {
    out << "==== " << window.caption << " ====\n";
    for (const Control* c : window.controls()) {
        if (!c->visible)
            continue;
        std::string shown;
        switch (c->kind()) {
        case ControlKind::Label:
            shown = "\"" + c->text() + "\"";
            break;
        case ControlKind::Edit:
            shown = "[" + c->text() + "]";
            break;
        case ControlKind::Button:
            shown = "<" + c->text() + ">";
            break;
        case ControlKind::CheckBox:
            shown = std::string(c->checked ? "[x] " : "[ ] ") + c->text();
            break;
        case ControlKind::Link:
            shown = "_" + c->text() + "_";
            break;
        case ControlKind::ProgressBar:
            shown = c->running ? "(busy)" : "(still)";
            break;
        case ControlKind::Memo:
        case ControlKind::RichEdit: {
            std::size_t lines = 0;
            for (char ch : c->text())
                lines += ch == '\n';
            shown = std::string("(")
                        .append(std::to_string(lines + (c->text().empty() ? 0 : 1)))
                        .append(" lines)");
            break;
        }
        }
        std::string states;
        if (!c->enabled)
            states += " disabled";
        if (c->readOnly)
            states += " read-only";
        if (window.focus == c->name())
            states += " focused";
        std::string name = c->name();
        name.resize(std::max<std::size_t>(name.size(), 16), ' ');
        out << "  " << name << shown << (states.empty() ? "" : "  (" + trim(states) + ")") << "\n";
    }
    out << "====\n" << std::flush;
}

namespace {

bool isField(const Control& control) {
    return control.kind() == ControlKind::Edit;
}

Control* findControl(TInstal& form, const std::string& name) {
    for (Control* c : form.window.controls())
        if (equalsIgnoreCase(c->name(), name))
            return c;
    return nullptr;
}

void click(TInstal& form, const std::string& name, std::ostream& out) {
    Control* c = findControl(form, name);
    // The controls that are never shown cannot be reached either.
    if (!c || c->name() == "MemoPom" || c->name() == "CheckBxZrus") {
        out << "There is no control " << name << " to click.\n";
        return;
    }
    const bool clickable = c->kind() == ControlKind::Button || c->kind() == ControlKind::CheckBox ||
                           c->kind() == ControlKind::Link;
    if (!clickable) {
        out << c->name() << " cannot be clicked.\n";
        return;
    }
    if (!c->visible) {
        out << c->name() << " is hidden; the click is ignored.\n";
        return;
    }
    if (!c->enabled) {
        out << c->name() << " is disabled; the click is ignored.\n";
        return;
    }
    // A button or the check box takes the focus from the field that has it
    // (whose exit handler runs); the link is a label and takes none.
    if (form.Click(*c) == TInstal::ClickResult::NoLongerUsable)
        out << c->name() << " is no longer enabled; the click is ignored.\n";
}

void type(TInstal& form, const std::string& name, const std::string& text, std::ostream& out) {
    Control* c = findControl(form, name);
    if (!c || !isField(*c)) {
        out << "Only VyberAdr and EdSlozka can be typed into.\n";
        return;
    }
    if (!c->visible) {
        out << c->name() << " is hidden; nothing is typed.\n";
        return;
    }
    if (!c->enabled) {
        out << c->name() << " is disabled; nothing is typed.\n";
        return;
    }
    if (c->readOnly) {
        out << c->name() << " is read-only; nothing is typed.\n";
        return;
    }
    if (!form.MoveFocus(*c))
        return;
    std::string typed = text;
    if (c->maxLength > 0 && characterCount(typed) > c->maxLength) {
        typed = firstCharacters(typed, c->maxLength);
        out << c->name() << " takes at most " << c->maxLength << " characters: " << typed << "\n";
    }
    c->setText(typed);
    // Leaving the field: its exit handler runs, and the focus goes on to
    // the button that starts the run, unless the handler moved it.
    if (!form.LeaveFocusedField())
        return;
    if (form.window.focus == c->name()) {
        Control* run = form.window.find(form.isUpdateMode() ? "btnAktualizovat" : "BtnInstal");
        form.window.setFocus(*run);
        if (form.window.focus == c->name())
            form.window.setFocus(form.window.BtnZrus);
    }
}

void help(std::ostream& out) {
    out << "Commands:\n"
           "  click NAME       press BtnInstal, btnAktualizovat, BtnZrus, BtnProjit,\n"
           "                   ChckJeto64bit or lblWWWdro\n"
           "  type NAME TEXT   type TEXT into VyberAdr or EdSlozka and leave the field\n"
           "  show             print the window again\n"
           "The end of input presses BtnZrus.\n";
}

} // namespace

bool RunCommand(TInstal& form, const std::string& line, std::ostream& out) {
    const std::string command = trim(line);
    if (command.empty())
        return false;
    const auto space = command.find(' ');
    const std::string verb = command.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : command.substr(space + 1);
    if (verb == "click" && !trim(rest).empty()) {
        click(form, trim(rest), out);
    } else if (verb == "type" && !trim(rest).empty()) {
        // The text is everything after one space behind the name.
        const std::string args = rest.substr(rest.find_first_not_of(' '));
        const auto gap = args.find(' ');
        type(form, args.substr(0, gap), gap == std::string::npos ? "" : args.substr(gap + 1), out);
    } else if (verb == "show") {
    } else if (verb == "help") {
        help(out);
        return false;
    } else {
        out << "Unknown command: " << command << " (type help for the commands)\n";
        return false;
    }
    return true;
}

int RunTerminal(TInstal& form, TerminalUserInterface& ui, std::ostream& out) {
    form.onBringToFront = [&form, &ui, &out] {
        if (form.closed())
            return;
        PrintWindow(form.window, out);
        ui.repeatPrompt();
    };
    ui.messagePump = [&form] { form.ProcessMessages(); };
    if (!ui.isFolder)
        ui.isFolder = [&form](const std::string& folder) {
            auto attrs = form.windows().fileAttributes(folder);
            return attrs && (*attrs & kFileAttributeDirectory);
        };

    form.Activate();
    bool print = true;
    while (!form.closed()) {
        if (print)
            PrintWindow(form.window, out);
        const auto line = ui.readLine();
        if (!line) {
            // The end of input: the only way out of the window is BtnZrus.
            form.Dispatch(&TInstal::BtnZrusClick);
            if (!form.closed()) {
                out << "The window could not be closed; the installer ends.\n" << std::flush;
                return 1;
            }
            break;
        }
        print = RunCommand(form, *line, out);
    }
    out << "(window closed)\n" << std::flush;
    return 0;
}

} // namespace installer
