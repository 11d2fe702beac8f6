// The installer's dialogs: the folder picker, the confirmation question with
// Czech button captions, and the test for an installed font.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Windows.h"

namespace support {

// Buttons of the message dialog, one bit each.
enum MsgDlgBtn : std::uint16_t {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    mbAll = 1u << 7,
    mbNoToAll = 1u << 8,
    mbYesToAll = 1u << 9,
    mbHelp = 1u << 10,
};
using MsgDlgButtons = std::uint16_t;

// Modal results.
enum ModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
};

// The shell's folder picker; true and the folder when one was chosen.
bool BrowseForFolder(platform::Windows& win, const std::string& title, const std::string& root,
                     std::string& folder);
// The message dialog with "&Ano", "&Ne" and "&Storno" for the standard
// captions; the button whose result is defaultResult is the default.
int AskDialog(platform::Windows& win, const std::string& caption, const std::string& message,
              platform::MsgDlgType type, MsgDlgButtons buttons, int defaultResult, int helpContext);
// The installed font names, one a line, as the installer's list holds them.
std::string InstalledFontList(platform::Windows& win);
// True when name occurs in the list text (case-sensitive, also inside a
// longer name).
bool FontListContains(const std::string& list, const std::string& name);

} // namespace support
