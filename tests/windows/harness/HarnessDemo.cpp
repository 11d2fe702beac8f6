// A small window for the harness's own test: a field that takes at most 8
// characters in upper case, a check box, a button that asks a question with
// what was typed, the folder and the arguments, and a button that closes.
// Yes to the question ends the program with 10, or 11 when the box is
// checked; Close ends it with 3.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace {

enum { kField = 101, kCheck = 102, kShow = 103, kClose = 104 };

std::wstring arguments;

LRESULT CALLBACK demoProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == kShow) {
            wchar_t typed[32] = {}, folder[MAX_PATH] = {};
            ::GetDlgItemTextW(window, kField, typed, 32);
            ::GetCurrentDirectoryW(MAX_PATH, folder);
            const std::wstring text =
                std::wstring(L"Typed ") + typed + L"\r\nin " + folder + L" with" + arguments;
            if (::MessageBoxW(window, text.c_str(), L"Demo", MB_YESNO | MB_ICONQUESTION) == IDYES)
                ::PostQuitMessage(::IsDlgButtonChecked(window, kCheck) ? 11 : 10);
        } else if (LOWORD(wParam) == kClose) {
            ::DestroyWindow(window);
        }
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(3);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    for (int i = 1; i < __argc; ++i)
        arguments += std::wstring(L" ") + __wargv[i];
    WNDCLASSW wc{};
    wc.lpfnWndProc = demoProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"HarnessDemo";
    ::RegisterClassW(&wc);
    HWND window = ::CreateWindowW(L"HarnessDemo", L"Harness demo", WS_OVERLAPPEDWINDOW, 100, 100,
                                  300, 150, nullptr, nullptr, instance, nullptr);
    const auto child = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x,
                           int y, int w) {
        return ::CreateWindowW(cls, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y, w, 24,
                               window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                               nullptr);
    };
    HWND field = child(L"Edit", L"", WS_BORDER | ES_UPPERCASE, kField, 10, 10, 120);
    ::SendMessageW(field, EM_LIMITTEXT, 8, 0);
    child(L"Button", L"Check", BS_AUTOCHECKBOX, kCheck, 140, 10, 100);
    child(L"Button", L"&Show", BS_PUSHBUTTON, kShow, 10, 50, 80);
    child(L"Button", L"Close", BS_PUSHBUTTON, kClose, 100, 50, 80);
    ::ShowWindow(window, show);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageW(window, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}
