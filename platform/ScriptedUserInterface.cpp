#include "platform/ScriptedUserInterface.h"

#include "platform/Encoding.h"

namespace platform {
std::optional<std::string> ScriptedUserInterface::nextAnswer() {
    if (answers_.empty())
        return std::nullopt;
    std::string a = std::move(answers_.front());
    answers_.pop_front();
    return a;
}

int ScriptedUserInterface::messageBox(const std::string& text, const std::string& title,
                                      std::uint32_t style) {
    Shown s{Shown::MessageBox, title, text, style, {}, messageBoxButtons(style), {}};
    const auto reply = nextAnswer();
    int result;
    if (!reply) {
        result = messageBoxAnswerFor(style, s.buttons.front());
        s.answer = s.buttons.front();
    } else if (reply->empty()) {
        result = messageBoxEscapeAnswer(style);
    } else {
        result = messageBoxAnswerFor(style, *reply);
        s.answer = *reply;
        if (result == 0)
            result = messageBoxEscapeAnswer(style);
    }
    shown_.push_back(std::move(s));
    return result;
}

int ScriptedUserInterface::showMessageDialog(const MessageDialogSpec& dialog) {
    Shown s{Shown::MessageDialog, dialog.caption, dialog.message, 0, dialog, {}, {}};
    for (const auto& b : dialog.buttons)
        s.buttons.push_back(b.caption);
    int index = -1;
    if (const auto reply = nextAnswer(); reply && !reply->empty()) {
        s.answer = *reply;
        for (std::size_t i = 0; i < dialog.buttons.size(); ++i)
            if (equalsIgnoreCase(withoutAccelerator(dialog.buttons[i].caption),
                                 withoutAccelerator(*reply)))
                index = static_cast<int>(i);
    }
    shown_.push_back(std::move(s));
    return index;
}

std::optional<std::string> ScriptedUserInterface::browseForFolder(const std::string& title,
                                                                  const std::string& root) {
    Shown s{Shown::FolderPicker, title, root, 0, {}, {}, {}};
    auto reply = nextAnswer();
    if (reply)
        s.answer = *reply;
    shown_.push_back(std::move(s));
    if (!reply || reply->empty())
        return std::nullopt;
    return reply;
}

void ScriptedUserInterface::processPendingMessages() {
    ++processCalls_;
    if (onProcessMessages)
        onProcessMessages();
}

} // namespace platform
