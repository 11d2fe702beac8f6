// The system's user interface on Windows, answered as a user would: a second
// thread finds the box or dialog the test thread shows, reads it and presses
// a button or a key. Clicks are posted, since a sent one would wait until
// the box is gone.
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "win32/Win32Windows.h"

#include <commctrl.h>

using namespace platform;
using platform::win32::narrow;
using platform::win32::wide;

namespace {

struct Control {
    HWND window;
    std::wstring className;
    std::string text;
    LONG_PTR style;
};

std::string textOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return narrow(text);
}

struct DialogSearch {
    std::string title;
    HWND found = nullptr;
};

BOOL CALLBACK matchDialog(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<DialogSearch*>(data);
    wchar_t cls[64] = {};
    ::GetClassNameW(window, cls, 64);
    if (std::wstring(cls) != L"#32770" || !::IsWindowVisible(window) ||
        (!search.title.empty() && textOf(window) != search.title))
        return TRUE;
    search.found = window;
    return FALSE;
}

// The visible dialog of the thread whose caption is title (any, when empty).
HWND dialogOf(DWORD thread, const std::string& title) {
    DialogSearch search{title};
    ::EnumThreadWindows(thread, matchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Runs the user on a second thread while the test thread shows its box.
class User {
public:
    User(const std::string& title, std::function<void(HWND dialog)> act)
        : thread_([this, title, act, ui = ::GetCurrentThreadId()] {
              using namespace std::chrono;
              const auto end = steady_clock::now() + seconds(20);
              HWND dialog = nullptr;
              while (!(dialog = dialogOf(ui, title)) && steady_clock::now() < end)
                  std::this_thread::sleep_for(milliseconds(10));
              found_ = dialog != nullptr;
              if (!dialog)
                  return;
              act(dialog);
              // A dialog that ignored the user is cancelled, so that a
              // failing test ends.
              const auto patience = steady_clock::now() + seconds(10);
              while (::IsWindow(dialog) && steady_clock::now() < patience)
                  std::this_thread::sleep_for(milliseconds(10));
              if (::IsWindow(dialog)) {
                  ADD_FAILURE() << "the dialog stayed open";
                  ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
              }
          }) {}
    ~User() {
        if (thread_.joinable())
            thread_.join();
    }
    // Waits for the user to finish; false when no dialog came up.
    bool done() {
        thread_.join();
        return found_;
    }

private:
    bool found_ = false;
    std::thread thread_;
};

// The dialog's controls in creation (tab) order.
std::vector<Control> controlsOf(HWND dialog) {
    std::vector<Control> out;
    for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[64] = {};
        ::GetClassNameW(c, cls, 64);
        out.push_back({c, cls, textOf(c), ::GetWindowLongPtrW(c, GWL_STYLE)});
    }
    return out;
}

std::vector<Control> buttonsOf(const std::vector<Control>& controls) {
    std::vector<Control> out;
    for (const auto& c : controls)
        if (_wcsicmp(c.className.c_str(), L"Button") == 0)
            out.push_back(c);
    return out;
}

HWND focusOf(HWND dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &info);
    return info.hwndFocus;
}

void pressEscape(HWND dialog) {
    HWND focus = focusOf(dialog);
    ::PostMessageW(focus ? focus : dialog, WM_KEYDOWN, VK_ESCAPE, 0);
}

void click(HWND button) {
    ::PostMessageW(button, BM_CLICK, 0, 0);
}

bool isIcon(const Control& c) {
    return _wcsicmp(c.className.c_str(), L"Static") == 0 && (c.style & SS_TYPEMASK) == SS_ICON;
}

bool isDefault(const Control& c) {
    return (c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

} // namespace

TEST(Win32UserInterface, MessageBoxAnswersTheButtonPressedOrEscape) {
    auto ui = win32::makeWin32UserInterface();
    const auto clicking = [](int button) {
        return [button](HWND box) { click(::GetDlgItem(box, button)); };
    };
    struct Case {
        std::uint32_t style;
        std::function<void(HWND)> act;
        int answer;
    };
    const Case cases[] = {
        {kMbYesNoCancel | kMbIconQuestion, clicking(IDYES), IDYES},
        {kMbYesNoCancel | kMbIconQuestion, clicking(IDNO), IDNO},
        {kMbYesNoCancel | kMbIconQuestion, clicking(IDCANCEL), IDCANCEL},
        {kMbYesNo | kMbIconWarning, clicking(IDNO), IDNO},
        {kMbOkCancel, pressEscape, IDCANCEL},
        {kMbOk | kMbIconInformation, pressEscape, IDOK}, // no Cancel to answer
    };
    for (const auto& c : cases) {
        std::string shownText;
        User user("Otázka", [&](HWND box) {
            shownText = textOf(::GetDlgItem(box, 0xFFFF));
            c.act(box);
        });
        EXPECT_EQ(ui->messageBox("Přepsat soubor?\r\nC:\\DRO2015", "Otázka", c.style), c.answer);
        ASSERT_TRUE(user.done());
        EXPECT_EQ(shownText, "Přepsat soubor?\r\nC:\\DRO2015");
    }
}

TEST(Win32UserInterface, MessageDialogShowsItsButtonsAndAnswersTheIndexPressed) {
    auto ui = win32::makeWin32UserInterface();
    MessageDialogSpec content;
    content.caption = "Potvrzení";
    content.message = "Složka C:\\DRO2015 již existuje.\r\nPřepsat & pokračovat?";
    content.type = MsgDlgType::Confirmation;
    content.buttons = {
        {"&Ano", 6, false, false}, {"&Ne", 7, true, true}, {"&Storno", 2, false, false}};

    std::vector<Control> controls, buttons;
    HWND focus = nullptr;
    {
        User user(content.caption, [&](HWND dialog) {
            controls = controlsOf(dialog);
            buttons = buttonsOf(controls);
            focus = focusOf(dialog);
            click(buttons.back().window);
        });
        EXPECT_EQ(ui->showMessageDialog(content), 2);
        ASSERT_TRUE(user.done());
    }
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(buttons[0].text, "&Ano");
    EXPECT_EQ(buttons[1].text, "&Ne");
    EXPECT_EQ(buttons[2].text, "&Storno");
    EXPECT_FALSE(isDefault(buttons[0]));
    EXPECT_TRUE(isDefault(buttons[1]));
    EXPECT_FALSE(isDefault(buttons[2]));
    EXPECT_EQ(focus, buttons[1].window);
    // The question icon, and the text as it is (its "&" no accelerator).
    bool icon = false, text = false;
    for (const auto& c : controls) {
        icon = icon || isIcon(c);
        text = text || (c.text == content.message && (c.style & SS_NOPREFIX));
    }
    EXPECT_TRUE(icon);
    EXPECT_TRUE(text);

    // Enter presses the focused button.
    User enter(content.caption,
               [](HWND dialog) { ::PostMessageW(focusOf(dialog), WM_KEYDOWN, VK_RETURN, 0); });
    EXPECT_EQ(ui->showMessageDialog(content), 1);
    ASSERT_TRUE(enter.done());
}

TEST(Win32UserInterface, MessageDialogClosedWithoutAButtonAnswersMinusOne) {
    auto ui = win32::makeWin32UserInterface();
    MessageDialogSpec content;
    content.caption = "Bez ikony";
    content.message = "Zpráva";
    content.type = MsgDlgType::Custom;
    content.buttons = {{"OK", 1, false, false}, {"&Storno", 2, false, false}};

    std::vector<Control> controls;
    HWND focus = nullptr;
    {
        User user(content.caption, [&](HWND dialog) {
            controls = controlsOf(dialog);
            focus = focusOf(dialog);
            pressEscape(dialog);
        });
        EXPECT_EQ(ui->showMessageDialog(content), -1);
        ASSERT_TRUE(user.done());
    }
    // No icon; nothing to focus named: the first button.
    ASSERT_FALSE(controls.empty());
    for (const auto& c : controls)
        EXPECT_FALSE(isIcon(c));
    EXPECT_EQ(focus, buttonsOf(controls).front().window);

    User user(content.caption,
              [](HWND dialog) { ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); });
    EXPECT_EQ(ui->showMessageDialog(content), -1);
    ASSERT_TRUE(user.done());
}

TEST(Win32UserInterface, MessageDialogIsSizedToItsText) {
    auto ui = win32::makeWin32UserInterface();
    MessageDialogSpec content;
    content.caption = "Dlouhá zpráva";
    for (int i = 0; i < 40; ++i)
        content.message += "Instalace nemůže pokračovat, protože cílová složka není dostupná. ";
    content.type = MsgDlgType::Warning;
    content.buttons = {{"OK", 1, true, true}};

    RECT dialog{}, text{}, button{}, work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    User user(content.caption, [&](HWND shown) {
        ::GetWindowRect(shown, &dialog);
        for (const auto& c : controlsOf(shown)) {
            if (c.text == content.message)
                ::GetWindowRect(c.window, &text);
            if (c.text == "OK") {
                ::GetWindowRect(c.window, &button);
                click(c.window);
            }
        }
    });
    EXPECT_EQ(ui->showMessageDialog(content), 0);
    ASSERT_TRUE(user.done());

    // Wrapped into many lines within the work area, the button below.
    EXPECT_GT(text.bottom - text.top, 5 * (button.bottom - button.top));
    EXPECT_GE(dialog.left, work.left);
    EXPECT_LE(dialog.right, work.right);
    EXPECT_LE(text.right, dialog.right);
    EXPECT_GE(button.top, text.bottom);
    EXPECT_LE(button.bottom, dialog.bottom);
}

TEST(Win32UserInterface, EnablingGivesBackOnlyWhatWasDisabled) {
    auto ui = win32::makeWin32UserInterface();
    auto window = [](const wchar_t* title) {
        HWND w = ::CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 100,
                                   nullptr, nullptr, nullptr, nullptr);
        return w;
    };
    HWND main = window(L"Instalace");
    HWND blocked = window(L"Zablokováno");
    ASSERT_TRUE(main && blocked);
    ::EnableWindow(blocked, FALSE);

    ui->setWindowsEnabled(false);
    EXPECT_FALSE(::IsWindowEnabled(main));
    ui->setWindowsEnabled(false); // nested: the picker inside a disabled window
    ui->setWindowsEnabled(true);
    EXPECT_FALSE(::IsWindowEnabled(main));
    ui->setWindowsEnabled(true);
    EXPECT_TRUE(::IsWindowEnabled(main));
    EXPECT_FALSE(::IsWindowEnabled(blocked));
    ui->setWindowsEnabled(true); // one too many changes nothing
    EXPECT_FALSE(::IsWindowEnabled(blocked));

    // Posted messages are handled when the program looks at its queue.
    ::PostMessageW(main, WM_SETTEXT, 0, 0);
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    ui->processPendingMessages();
    EXPECT_FALSE(::IsWindow(main));
    MSG msg;
    EXPECT_FALSE(::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    ::DestroyWindow(blocked);
}

TEST(Win32UserInterface, FolderPickerStartsAtTheRootAndGivesItsPath) {
    namespace fs = std::filesystem;
    const fs::path root =
        fs::temp_directory_path() / ("picker-" + std::to_string(::GetCurrentProcessId()));
    fs::create_directories(root / "DRO2015");
    auto ui = win32::makeWin32UserInterface();
    HWND main = ::CreateWindowExW(0, L"STATIC", L"Instalace", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100,
                                  100, nullptr, nullptr, nullptr, nullptr);

    bool disabledMeanwhile = false;
    std::vector<Control> controls;
    {
        User user("", [&](HWND picker) {
            disabledMeanwhile = !::IsWindowEnabled(main);
            controls = controlsOf(picker);
            // The user picks the top folder of the tree.
            for (const auto& c : controls)
                if (c.className == WC_TREEVIEWW)
                    ::SendMessageW(c.window, TVM_SELECTITEM, TVGN_CARET,
                                   ::SendMessageW(c.window, TVM_GETNEXTITEM, TVGN_ROOT, 0));
            ::PostMessageW(picker, WM_COMMAND, IDOK, 0);
        });
        const auto chosen = ui->browseForFolder("Vyberte složku instalace", narrow(root.wstring()));
        ASSERT_TRUE(user.done());
        ASSERT_TRUE(chosen);
        EXPECT_EQ(fs::path(wide(*chosen)), root);
    }
    EXPECT_TRUE(disabledMeanwhile);
    EXPECT_TRUE(::IsWindowEnabled(main));
    bool titled = false;
    for (const auto& c : controls)
        titled = titled || c.text == "Vyberte složku instalace";
    EXPECT_TRUE(titled);

    {
        User user("", [](HWND picker) { ::PostMessageW(picker, WM_COMMAND, IDCANCEL, 0); });
        EXPECT_FALSE(ui->browseForFolder("Vyberte složku", ""));
        ASSERT_TRUE(user.done());
    }
    EXPECT_TRUE(::IsWindowEnabled(main));
    ::DestroyWindow(main);
    fs::remove_all(root);
}
