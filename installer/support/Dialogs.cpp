#include "support/Dialogs.h"

#include <array>

namespace support {

using namespace platform;

namespace {

struct StandardButton {
    const char* caption;
    int modalResult;
};

// In the order of the button bits.
constexpr std::array<StandardButton, 11> kButtons = {{
    {"&Yes", mrYes},
    {"&No", mrNo},
    {"OK", mrOk},
    {"Cancel", mrCancel},
    {"&Abort", mrAbort},
    {"&Retry", mrRetry},
    {"&Ignore", mrIgnore},
    {"&All", mrAll},
    {"N&o to All", mrNoToAll},
    {"Yes to &All", mrYesToAll},
    {"&Help", mrNone},
}};

std::string czechCaption(const std::string& caption) {
    if (caption == "&Yes")
        return "&Ano";
    if (caption == "&No")
        return "&Ne";
    if (caption == "Cancel")
        return "&Storno";
    return caption;
}

class WindowsDisabled {
public:
    explicit WindowsDisabled(UserInterface& ui) : ui_(ui) { ui_.setWindowsEnabled(false); }
    ~WindowsDisabled() { ui_.setWindowsEnabled(true); }

private:
    UserInterface& ui_;
};

} // namespace

bool BrowseForFolder(Windows& win, const std::string& title, const std::string& root,
                     std::string& folder) {
    folder.clear();
    std::optional<std::string> chosen;
    {
        WindowsDisabled disabled(win.ui());
        chosen = win.ui().browseForFolder(title, root);
    }
    if (!chosen)
        return false;
    folder = *chosen;
    return true;
}

int AskDialog(Windows& win, const std::string& caption, const std::string& message, MsgDlgType type,
              MsgDlgButtons buttons, int defaultResult, int helpContext) {
    MessageDialogSpec dialog;
    dialog.caption = caption;
    dialog.message = message;
    dialog.type = type;
    dialog.helpContext = helpContext;
    for (std::size_t bit = 0; bit < kButtons.size(); ++bit) {
        if (!(buttons & (1u << bit)))
            continue;
        DialogButton b;
        b.modalResult = kButtons[bit].modalResult;
        b.isDefault = b.modalResult == defaultResult;
        b.caption = czechCaption(kButtons[bit].caption);
        b.focused = b.isDefault;
        dialog.buttons.push_back(b);
    }
    const int pressed = win.ui().showMessageDialog(dialog);
    if (pressed >= 0 && static_cast<std::size_t>(pressed) < dialog.buttons.size())
        return dialog.buttons[static_cast<std::size_t>(pressed)].modalResult;
    // Escape or the close box: the Cancel button's result (No, then OK,
    // where the dialog has no Cancel).
    if (buttons & mbCancel)
        return mrCancel;
    if (buttons & mbNo)
        return mrNo;
    if (buttons & mbOK)
        return mrOk;
    return mrCancel;
}

std::string InstalledFontList(Windows& win) {
    std::string list;
    for (const auto& name : win.installedFontNames()) {
        if (!list.empty())
            list += "\r\n";
        list += name;
    }
    return list;
}

bool FontListContains(const std::string& list, const std::string& name) {
    return !name.empty() && list.find(name) != std::string::npos;
}

} // namespace support
