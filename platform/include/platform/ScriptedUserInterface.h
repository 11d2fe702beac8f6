// A user interface that answers from a script and records what it showed:
// the user of the tests.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/UserInterface.h"

namespace platform {

class ScriptedUserInterface : public UserInterface {
public:
    struct Shown {
        enum Kind { MessageBox, MessageDialog, FolderPicker } kind;
        std::string title;
        std::string text;
        std::uint32_t style = 0;          // message box
        MessageDialogSpec dialog;         // message dialog
        std::vector<std::string> buttons; // captions as shown
        std::string answer;               // what the script answered
    };

    // Queues the next answer: a button caption ("OK", "Storno", "Ano", "Ne",
    // case and "&" ignored), "" for Escape; for the folder picker a folder,
    // "" to cancel. Without a queued answer a message box takes its first
    // button, a dialog is closed with Escape and the picker is cancelled.
    void answer(std::string reply) { answers_.push_back(std::move(reply)); }

    int messageBox(const std::string& text, const std::string& title, std::uint32_t style) override;
    int showMessageDialog(const MessageDialogSpec& dialog) override;
    std::optional<std::string> browseForFolder(const std::string& title,
                                               const std::string& root) override;
    void processPendingMessages() override;
    void setWindowsEnabled(bool enabled) override { windowsEnabled_ = enabled; }

    const std::vector<Shown>& shown() const { return shown_; }
    void clearShown() { shown_.clear(); }
    std::size_t pendingAnswers() const { return answers_.size(); }
    bool windowsEnabled() const { return windowsEnabled_; }
    int processMessagesCalls() const { return processCalls_; }

    // Called on every look at the message queue (to advance a test clock).
    std::function<void()> onProcessMessages;

private:
    std::optional<std::string> nextAnswer();

    std::deque<std::string> answers_;
    std::vector<Shown> shown_;
    bool windowsEnabled_ = true;
    int processCalls_ = 0;
};

} // namespace platform
