// The system's user interface on Windows: MessageBox, the message dialog as
// a dialog built in memory, the shell's folder picker, and the program's
// message queue.
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>

#include "platform/UserInterface.h"
#include "win32/Win32Windows.h"

namespace platform::win32 {

namespace {

// The first button's control ID; IDOK and IDCANCEL lie below.
constexpr int kFirstButtonId = 100;

// A dialog template (DLGTEMPLATE and its DLGITEMTEMPLATEs) as the dialog
// manager reads it: words, with every item on a DWORD boundary.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, const std::wstring& caption, WORD points,
                   const std::wstring& typeface) {
        dword(style);
        dword(0); // extended style
        countAt_ = words_.size();
        words_.push_back(0); // item count
        for (int i = 0; i < 4; ++i)
            words_.push_back(0); // x, y, cx, cy: laid out when the dialog starts
        words_.push_back(0);     // no menu
        words_.push_back(0);     // the dialog class
        text(caption);
        words_.push_back(points);
        text(typeface);
    }

    // An item of a predefined class (0x0080 button, 0x0082 static).
    void item(WORD windowClass, DWORD style, int id, const std::wstring& title) {
        if (words_.size() % 2)
            words_.push_back(0);
        dword(style | WS_CHILD | WS_VISIBLE);
        dword(0);
        for (int i = 0; i < 4; ++i)
            words_.push_back(0);
        words_.push_back(static_cast<WORD>(id));
        words_.push_back(0xFFFF);
        words_.push_back(windowClass);
        text(title);
        words_.push_back(0); // no creation data
        ++words_[countAt_];
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void dword(DWORD value) {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void text(const std::wstring& s) {
        words_.insert(words_.end(), s.begin(), s.end());
        words_.push_back(0);
    }

    std::vector<WORD> words_;
    std::size_t countAt_ = 0;
};

constexpr WORD kButtonClass = 0x0080;
constexpr WORD kStaticClass = 0x0082;
constexpr int kIconId = 10;
constexpr int kTextId = 11;

// What the dialog procedure needs of the dialog.
struct MessageDialog {
    const MessageDialogSpec* content;
    std::wstring message;
    HICON icon;
};

LPCWSTR iconOf(MsgDlgType type) {
    switch (type) {
    case MsgDlgType::Warning:
        return IDI_WARNING;
    case MsgDlgType::Error:
        return IDI_ERROR;
    case MsgDlgType::Information:
        return IDI_INFORMATION;
    case MsgDlgType::Confirmation:
        return IDI_QUESTION;
    case MsgDlgType::Custom:
        break;
    }
    return nullptr;
}

// Dialog units to pixels in the dialog's font.
int dluX(HWND dialog, int units) {
    RECT r{0, 0, units, 0};
    ::MapDialogRect(dialog, &r);
    return r.right;
}
int dluY(HWND dialog, int units) {
    RECT r{0, 0, 0, units};
    ::MapDialogRect(dialog, &r);
    return r.bottom;
}

// Sizes the dialog to its text: the icon at the top left, the text beside
// it wrapped at half the width of the work area, the buttons of one width
// in a centred row below, the dialog centred on the work area.
void layOut(HWND dialog, const MessageDialog& d) {
    const int margin = dluX(dialog, 8);
    const int gap = dluX(dialog, 4);
    const int buttonHeight = dluY(dialog, 14);

    // The work area of the owner's monitor, else of the main one.
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const HWND owner = ::GetWindow(dialog, GW_OWNER);
    if (HMONITOR monitor = ::MonitorFromWindow(owner ? owner : dialog, MONITOR_DEFAULTTONEAREST)) {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (::GetMonitorInfoW(monitor, &info))
            work = info.rcWork;
    }

    HDC dc = ::GetDC(dialog);
    HGDIOBJ old =
        ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(dialog, WM_GETFONT, 0, 0)));
    RECT text{0, 0, std::max<LONG>((work.right - work.left) / 2, 200), 0};
    ::DrawTextW(dc, d.message.c_str(), -1, &text,
                DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    int buttonWidth = dluX(dialog, 50);
    for (const auto& b : d.content->buttons) {
        const std::wstring caption = wide(withoutAccelerator(b.caption));
        SIZE size{};
        ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
        buttonWidth = std::max<int>(buttonWidth, size.cx + 2 * margin);
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(dialog, dc);

    const int iconSize = d.icon ? ::GetSystemMetrics(SM_CXICON) : 0;
    const int textLeft = margin + (d.icon ? iconSize + 2 * gap : 0);
    const int textWidth = text.right - text.left;
    const int textHeight = text.bottom - text.top;
    const int count = static_cast<int>(d.content->buttons.size());
    const int rowWidth = count * buttonWidth + std::max(count - 1, 0) * gap;
    const int clientWidth = std::max(textLeft + textWidth + margin, rowWidth + 2 * margin);
    const int buttonTop = margin + std::max(textHeight, iconSize) + 3 * gap;
    const int clientHeight = buttonTop + (count ? buttonHeight + margin : 0);

    if (d.icon)
        ::SetWindowPos(::GetDlgItem(dialog, kIconId), nullptr, margin, margin, iconSize, iconSize,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(::GetDlgItem(dialog, kTextId), nullptr, textLeft, margin, textWidth, textHeight,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    for (int i = 0; i < count; ++i)
        ::SetWindowPos(::GetDlgItem(dialog, kFirstButtonId + i), nullptr,
                       (clientWidth - rowWidth) / 2 + i * (buttonWidth + gap), buttonTop,
                       buttonWidth, buttonHeight, SWP_NOZORDER | SWP_NOACTIVATE);

    RECT frame{0, 0, clientWidth, clientHeight};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    ::SetWindowPos(dialog, nullptr,
                   work.left + std::max<int>((work.right - work.left - width) / 2, 0),
                   work.top + std::max<int>((work.bottom - work.top - height) / 2, 0), width,
                   height, SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK messageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        const auto& d = *reinterpret_cast<const MessageDialog*>(lParam);
        if (d.icon)
            ::SendDlgItemMessageW(dialog, kIconId, STM_SETICON, reinterpret_cast<WPARAM>(d.icon),
                                  0);
        ::SetDlgItemTextW(dialog, kTextId, d.message.c_str());
        layOut(dialog, d);
        const auto& buttons = d.content->buttons;
        const auto def = std::find_if(buttons.begin(), buttons.end(),
                                      [](const DialogButton& b) { return b.isDefault; });
        if (def != buttons.end())
            ::SendMessageW(dialog, DM_SETDEFID,
                           static_cast<WPARAM>(kFirstButtonId + (def - buttons.begin())), 0);
        const auto focused = std::find_if(buttons.begin(), buttons.end(),
                                          [](const DialogButton& b) { return b.focused; });
        const int focus =
            focused != buttons.end() ? static_cast<int>(focused - buttons.begin()) : 0;
        if (!buttons.empty())
            // Through the dialog manager, so that Enter presses the button
            // that has the focus, as it does after Tab.
            ::SendMessageW(dialog, WM_NEXTDLGCTL,
                           reinterpret_cast<WPARAM>(::GetDlgItem(dialog, kFirstButtonId + focus)),
                           TRUE);
        return FALSE; // the focus is set
    }
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == IDCANCEL) { // Escape or the close box
            ::EndDialog(dialog, -1);
            return TRUE;
        }
        const auto* d =
            reinterpret_cast<const MessageDialog*>(::GetWindowLongPtrW(dialog, DWLP_USER));
        const int count = d ? static_cast<int>(d->content->buttons.size()) : 0;
        if (id >= kFirstButtonId && id < kFirstButtonId + count && HIWORD(wParam) == BN_CLICKED) {
            ::EndDialog(dialog, id - kFirstButtonId);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

class Win32UserInterface : public UserInterface {
public:
    int messageBox(const std::string& text, const std::string& title,
                   std::uint32_t style) override {
        const int answer =
            ::MessageBoxW(::GetActiveWindow(), wide(text).c_str(), wide(title).c_str(), style);
        // Escape closes a box with OK alone as OK; some systems (Wine) say
        // Cancel, which that box does not have.
        if (answer == IDCANCEL && (style & kMbTypeMask) == kMbOk)
            return IDOK;
        return answer;
    }

    int showMessageDialog(const MessageDialogSpec& dialog) override;
    std::optional<std::string> browseForFolder(const std::string& title,
                                               const std::string& root) override;

    void processPendingMessages() override {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // Left for the loop that ends the program.
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }

    // Disabling records the windows it disabled; enabling gives back the
    // last such set, so a window that was disabled before stays so, and
    // nested pairs (a picker inside a disabled window) unwind in order.
    void setWindowsEnabled(bool enabled) override {
        if (!enabled) {
            std::vector<HWND> disabled;
            ::EnumThreadWindows(::GetCurrentThreadId(), disableWindow,
                                reinterpret_cast<LPARAM>(&disabled));
            disabled_.push_back(std::move(disabled));
            return;
        }
        if (disabled_.empty())
            return;
        for (HWND window : disabled_.back())
            if (::IsWindow(window))
                ::EnableWindow(window, TRUE);
        disabled_.pop_back();
    }

private:
    // The windows the user works with: visible and enabled.
    static BOOL CALLBACK disableWindow(HWND window, LPARAM list) {
        if (::IsWindowVisible(window) && ::IsWindowEnabled(window)) {
            ::EnableWindow(window, FALSE);
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        }
        return TRUE;
    }

    std::vector<std::vector<HWND>> disabled_;
};

int Win32UserInterface::showMessageDialog(const MessageDialogSpec& content) {
    MessageDialog d{&content, wide(content.message), nullptr};
    if (const LPCWSTR icon = iconOf(content.type))
        d.icon = ::LoadIconW(nullptr, icon);

    DialogTemplate t(DS_SETFONT | DS_MODALFRAME | DS_SETFOREGROUND | WS_POPUP | WS_CAPTION |
                         WS_SYSMENU,
                     wide(content.caption), 8, L"MS Shell Dlg");
    if (d.icon)
        t.item(kStaticClass, SS_ICON, kIconId, L"");
    t.item(kStaticClass, SS_LEFT | SS_NOPREFIX, kTextId, L"");
    for (std::size_t i = 0; i < content.buttons.size(); ++i) {
        const auto& b = content.buttons[i];
        t.item(kButtonClass,
               (b.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP |
                   (i == 0 ? WS_GROUP : 0),
               kFirstButtonId + static_cast<int>(i), wide(b.caption));
    }

    // -1 also when the dialog could not be made.
    const INT_PTR result =
        ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), t.get(), ::GetActiveWindow(),
                                  messageDialogProc, reinterpret_cast<LPARAM>(&d));
    return result >= 0 && static_cast<std::size_t>(result) < content.buttons.size()
               ? static_cast<int>(result)
               : -1;
}

std::optional<std::string> Win32UserInterface::browseForFolder(const std::string& title,
                                                               const std::string& root) {
    // The picker is modal to the program's windows; they are enabled again
    // however it ends, and the window that was active is active again (the
    // system gave the activation away while it was disabled).
    struct Disabled {
        Disabled(UserInterface& ui, HWND active) : ui(ui), active(active) {
            ui.setWindowsEnabled(false);
        }
        ~Disabled() {
            ui.setWindowsEnabled(true);
            if (active && ::IsWindow(active))
                ::SetActiveWindow(active);
        }
        UserInterface& ui;
        HWND active;
    };
    const HWND owner = ::GetActiveWindow();
    Disabled disabled(*this, owner);
    // The shell's objects want COM on this thread.
    ComApartment com;

    // The root as an item-ID list; a root the shell does not know leaves
    // the whole namespace to choose from.
    PIDLIST_ABSOLUTE rootList = nullptr;
    if (!root.empty()) {
        ComPtr<IShellFolder> desktop;
        if (SUCCEEDED(::SHGetDesktopFolder(desktop.put()))) {
            std::wstring name = wide(root);
            PIDLIST_RELATIVE parsed = nullptr;
            if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &parsed,
                                                    nullptr)))
                rootList = reinterpret_cast<PIDLIST_ABSOLUTE>(parsed);
        }
    }

    const std::wstring caption = wide(title);
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pidlRoot = rootList;
    info.lpszTitle = caption.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    std::optional<std::string> folder;
    if (PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info)) {
        wchar_t path[MAX_PATH] = {};
        if (::SHGetPathFromIDListW(chosen, path))
            folder = narrow(path);
        ::CoTaskMemFree(chosen);
    }
    ::CoTaskMemFree(rootList);
    return folder;
}

} // namespace

std::unique_ptr<UserInterface> makeWin32UserInterface() {
    return std::make_unique<Win32UserInterface>();
}

} // namespace platform::win32
