// The user-interface side of the Windows platform: message boxes, the
// window library's message dialog, the shell's folder picker and the
// processing of pending window messages. The programs' logic decides what is
// asked; an implementation only shows it and brings back the answer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Types of the window library's message dialog (its icon).
enum class MsgDlgType { Warning = 0, Error = 1, Information = 2, Confirmation = 3, Custom = 4 };

struct DialogButton {
    std::string caption; // as shown, with the "&" of its accelerator
    int modalResult = 0; // what pressing it returns
    bool isDefault = false;
    bool focused = false;
};

struct MessageDialogSpec {
    std::string caption;
    std::string message;
    MsgDlgType type = MsgDlgType::Custom;
    std::vector<DialogButton> buttons; // in creation order
    int helpContext = 0;
};

class UserInterface {
public:
    virtual ~UserInterface() = default;

    // MessageBox: style is a combination of the kMb* flags; the answer is one
    // of the kId* values (kIdCancel, or kIdOk for an OK-only box, on Escape).
    virtual int messageBox(const std::string& text, const std::string& title,
                           std::uint32_t style) = 0;

    // Shows the dialog modally. Returns the index of the button pressed, or
    // -1 when the dialog was closed with Escape or its close box.
    virtual int showMessageDialog(const MessageDialogSpec& dialog) = 0;

    // The shell's folder picker (only file-system folders can be confirmed).
    // Returns the chosen folder, or nothing when the user cancelled.
    virtual std::optional<std::string> browseForFolder(const std::string& title,
                                                       const std::string& root) = 0;

    // Handles the window messages that are waiting (PeekMessage loop).
    virtual void processPendingMessages() = 0;

    // EnableWindow over all windows of the program, around modal dialogs.
    virtual void setWindowsEnabled(bool /*enabled*/) {}
};

// A caption without the "&" that marks its accelerator key.
std::string withoutAccelerator(const std::string& caption);

// Answer of a message box for a button caption ("OK", "Storno", "Ano", "Ne",
// "Yes", "No", "Cancel"; case and "&" ignored); 0 when the caption is none
// of the box's buttons.
int messageBoxAnswerFor(std::uint32_t style, const std::string& caption);
// The captions of a message box's buttons in the order Windows shows them.
std::vector<std::string> messageBoxButtons(std::uint32_t style);
// The answer of a message box closed with Escape.
int messageBoxEscapeAnswer(std::uint32_t style);

} // namespace platform
