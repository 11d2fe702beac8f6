// UiHarness: drives the windows of Windows programs as a user would, for the
// scenarios that run the programs under Wine. It reads commands, one a line,
// starts the programs, finds their windows and controls, types, clicks,
// reads and answers message boxes and dialogs, and writes what it saw to
// standard output, so that a scenario compares the transcript with the one
// it expects. The commands are described in README.md beside this file.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/Support.h"

namespace {

using Clock = std::chrono::steady_clock;

// CreateProcess of a program whose manifest asks for more rights.
constexpr DWORD kErrorElevationRequired = 740;

// --- Text ---

using platform::win32::narrow;
using platform::win32::wide;

// A text as the transcript shows it: in double quotes, a quote doubled, line
// breaks and tabs named, so that every line of output is one observation.
std::string quoted(const std::wstring& text) {
    std::string out = "\"";
    for (char c : narrow(text)) {
        if (c == '"')
            out += "\"\"";
        else if (c == '\r')
            out += "<CR>";
        else if (c == '\n')
            out += "<LF>";
        else if (c == '\t')
            out += "<TAB>";
        else
            out += c;
    }
    return out + "\"";
}

// A control's reference as the script wrote it, quoted when it has blanks.
std::string reference(const std::wstring& ref) {
    return ref.find(L' ') == std::wstring::npos ? narrow(ref) : quoted(ref);
}

std::wstring withoutAccelerator(const std::wstring& caption) {
    std::wstring out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size())
            ++i;
        out += caption[i];
    }
    return out;
}

bool equalNoCase(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
           CSTR_EQUAL;
}

// Words of a command line: separated by blanks; a word in double quotes may
// hold blanks, and "" inside it is one quote. Backslashes are ordinary.
std::vector<std::wstring> splitWords(const std::wstring& line) {
    std::vector<std::wstring> words;
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && (line[i] == L' ' || line[i] == L'\t'))
            ++i;
        if (i >= line.size())
            break;
        std::wstring word;
        if (line[i] == L'"') {
            ++i;
            while (true) {
                if (i >= line.size())
                    throw std::runtime_error("a quote is not closed");
                if (line[i] == L'"') {
                    if (i + 1 < line.size() && line[i + 1] == L'"') {
                        word += L'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                word += line[i++];
            }
        } else {
            while (i < line.size() && line[i] != L' ' && line[i] != L'\t')
                word += line[i++];
        }
        words.push_back(word);
    }
    return words;
}

// One argument of a Windows command line, quoted as the C runtime reads it.
std::wstring argumentForCommandLine(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos)
        return arg;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

// --- Output ---

void write(HANDLE handle, const std::string& text) {
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        const std::wstring w = wide(text);
        DWORD done = 0;
        ::WriteConsoleW(handle, w.data(), static_cast<DWORD>(w.size()), &done, nullptr);
        return;
    }
    DWORD done = 0;
    ::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
}

void say(const std::string& line) {
    write(::GetStdHandle(STD_OUTPUT_HANDLE), line + "\n");
}

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// --- Windows of other programs ---

std::wstring className(HWND window) {
    wchar_t name[256] = {};
    ::GetClassNameW(window, name, 256);
    return name;
}

// The text of a window of any program: WM_GETTEXT, which the system carries
// across processes (an edit's text lives in the edit, not in the window).
std::wstring textOf(HWND window) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, text.size(),
                               reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                               &copied))
        return {};
    text.resize(std::min<std::size_t>(copied, length));
    return text;
}

BOOL CALLBACK collectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> childrenOf(HWND parent) {
    std::vector<HWND> out;
    ::EnumChildWindows(parent, collectWindow, reinterpret_cast<LPARAM>(&out));
    return out;
}

std::vector<HWND> topLevelWindows() {
    std::vector<HWND> out;
    ::EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&out));
    return out;
}

DWORD processOf(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

bool isBox(HWND window) {
    return ::IsWindowVisible(window) && className(window) == L"#32770" &&
           processOf(window) != ::GetCurrentProcessId();
}

HWND focusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

// A box as the transcript shows it: its title, its text (a message box's
// text is its static control 0xFFFF; other dialogs show the texts of their
// static controls) and its buttons.
std::string describeBox(HWND box) {
    std::wstring text;
    bool messageText = false;
    std::string buttons;
    for (HWND child : childrenOf(box)) {
        if (!::IsWindowVisible(child))
            continue;
        const std::wstring cls = className(child);
        if (equalNoCase(cls, L"Static")) {
            const std::wstring t = textOf(child);
            if (::GetDlgCtrlID(child) == 0xFFFF) {
                text = t;
                messageText = true;
            } else if (!messageText && !t.empty()) {
                text += (text.empty() ? L"" : L" | ") + t;
            }
        } else if (equalNoCase(cls, L"Button")) {
            buttons += " [" + narrow(textOf(child)) + "]";
        }
    }
    return "box " + quoted(textOf(box)) + " " + quoted(text) + buttons;
}

std::vector<HWND> openBoxes() {
    std::vector<HWND> out;
    for (HWND w : topLevelWindows())
        if (isBox(w))
            out.push_back(w);
    return out;
}

// --- The harness ---

struct Program {
    std::wstring name;
    PROCESS_INFORMATION info{};
};

class Harness {
public:
    explicit Harness(DWORD timeoutMs) : timeout_(timeoutMs) {}
    ~Harness() {
        for (auto& p : programs_)
            release(p);
    }

    void run(const std::vector<std::wstring>& words);
    // Ends the programs that still run; true when there were none.
    bool endPrograms();

private:
    template <class Find> auto waitFor(const char* what, Find find) -> decltype(find());
    HWND control(const std::wstring& reference);
    HWND currentWindow();
    HWND waitBox();
    void settle(HWND window);
    void start(const std::vector<std::wstring>& w);
    void findWindow(const std::vector<std::wstring>& w);
    void listControls();
    void typeInto(HWND edit, const std::wstring& text);
    void click(HWND target);
    void pressKey(HWND target, const std::wstring& key);
    void answer(const std::wstring& button);
    void chooseFolder(const std::wstring& path);
    void waitExit(const std::vector<std::wstring>& w);
    void readLink(const std::wstring& file);
    void windowState();
    std::string flags(HWND control);
    static void release(Program& p) {
        if (p.info.hProcess)
            ::CloseHandle(p.info.hProcess);
        if (p.info.hThread)
            ::CloseHandle(p.info.hThread);
        p.info = {};
    }

    DWORD timeout_;
    std::vector<Program> programs_;
    HWND window_ = nullptr;
    HWND box_ = nullptr;
};

// Polls find until it gives something; a timeout fails and names the boxes
// that are open, since an unexpected box is the usual reason.
template <class Find> auto Harness::waitFor(const char* what, Find find) -> decltype(find()) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeout_);
    while (true) {
        if (auto found = find())
            return found;
        if (Clock::now() >= end)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::string message = std::string("timed out waiting for ") + what;
    for (HWND b : openBoxes())
        if (b != window_)
            message += "; open: " + describeBox(b);
    throw Failure(message);
}

HWND Harness::currentWindow() {
    if (!window_ || !::IsWindow(window_))
        throw Failure("no window: wait for one with the command window");
    return window_;
}

// A control of the current window: #ID, CLASS:N (the Nth of that class,
// from 1), or its caption (without "&"; a visible one first).
HWND Harness::control(const std::wstring& reference) {
    const auto children = childrenOf(currentWindow());
    if (reference.size() > 1 && reference[0] == L'#') {
        const int id = std::stoi(reference.substr(1));
        for (HWND c : children)
            if (::GetDlgCtrlID(c) == id)
                return c;
    } else if (const auto colon = reference.rfind(L':'); colon != std::wstring::npos &&
                                                         colon + 1 < reference.size() &&
                                                         iswdigit(reference[colon + 1])) {
        const std::wstring cls = reference.substr(0, colon);
        int n = std::stoi(reference.substr(colon + 1));
        for (HWND c : children)
            if (equalNoCase(className(c), cls) && --n == 0)
                return c;
    } else {
        HWND hidden = nullptr;
        for (HWND c : children) {
            if (withoutAccelerator(textOf(c)) != withoutAccelerator(reference))
                continue;
            if (::IsWindowVisible(c))
                return c;
            hidden = hidden ? hidden : c;
        }
        if (hidden)
            return hidden;
    }
    throw Failure("no control " + narrow(reference) + " in " + quoted(textOf(window_)));
}

// Lets the program handle what was posted to it: it is idle once it waits
// for input again.
void Harness::settle(HWND window) {
    DWORD pid = processOf(window);
    if (HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid)) {
        ::WaitForInputIdle(process, timeout_);
        ::CloseHandle(process);
    }
    // A sent message is handled only once the program reads its queue again.
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeout_, &ignored);
}

void Harness::start(const std::vector<std::wstring>& w) {
    if (w.size() < 3)
        throw Failure("usage: start FOLDER PROGRAM [ARGUMENTS...]");
    const std::wstring& folder = w[1];
    std::wstring program = w[2];
    if (program.find(L':') == std::wstring::npos && program.rfind(L"\\", 0) != 0)
        program = folder + (folder.ends_with(L"\\") ? L"" : L"\\") + program;
    std::wstring commandLine = argumentForCommandLine(program);
    for (std::size_t i = 3; i < w.size(); ++i)
        commandLine += L" " + argumentForCommandLine(w[i]);

    Program p;
    p.name = program;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &si, &p.info)) {
        const DWORD error = ::GetLastError();
        if (error != kErrorElevationRequired)
            throw Failure("cannot start " + narrow(program) + " (error " + std::to_string(error) +
                          ")");
        // A program that asks for administrator rights is started as the
        // shell starts it, with the elevation it asks for.
        std::wstring parameters;
        for (std::size_t i = 3; i < w.size(); ++i)
            parameters += (i > 3 ? L" " : L"") + argumentForCommandLine(w[i]);
        SHELLEXECUTEINFOW sei{};
        sei.cbSize = sizeof sei;
        sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
        sei.lpVerb = L"runas";
        sei.lpFile = program.c_str();
        sei.lpParameters = parameters.c_str();
        sei.lpDirectory = folder.c_str();
        sei.nShow = SW_SHOWNORMAL;
        if (!::ShellExecuteExW(&sei) || !sei.hProcess)
            throw Failure("cannot start " + narrow(program) + " elevated (error " +
                          std::to_string(::GetLastError()) + ")");
        p.info.hProcess = sei.hProcess;
        p.info.dwProcessId = ::GetProcessId(sei.hProcess);
    }
    programs_.push_back(p);
}

void Harness::findWindow(const std::vector<std::wstring>& w) {
    if (w.size() < 2 || w.size() > 3)
        throw Failure("usage: window TITLE [CLASS]");
    std::wstring title = w[1];
    const bool prefix = title.ends_with(L"*");
    if (prefix)
        title.pop_back();
    const std::wstring cls = w.size() > 2 ? w[2] : L"";
    window_ = waitFor("the window", [&]() -> HWND {
        for (HWND h : topLevelWindows()) {
            if (!::IsWindowVisible(h) || processOf(h) == ::GetCurrentProcessId())
                continue;
            if (!cls.empty() && !equalNoCase(className(h), cls))
                continue;
            const std::wstring t = textOf(h);
            if (prefix ? t.rfind(title, 0) != 0 : t != title)
                continue;
            // A window is found before its controls are made.
            if (childrenOf(h).empty())
                continue;
            return h;
        }
        return nullptr;
    });
    box_ = nullptr;
    settle(window_);
    say("window " + quoted(textOf(window_)));
}

std::string Harness::flags(HWND c) {
    std::string out;
    const LONG style = ::GetWindowLongW(c, GWL_STYLE);
    if (!::IsWindowVisible(c))
        out += " hidden";
    if (!::IsWindowEnabled(c))
        out += " disabled";
    const std::wstring cls = className(c);
    if (equalNoCase(cls, L"Edit") && (style & ES_READONLY))
        out += " read-only";
    if (equalNoCase(cls, L"Button")) {
        DWORD_PTR checked = 0;
        const LONG type = style & BS_TYPEMASK;
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
            type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE) {
            ::SendMessageTimeoutW(c, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &checked);
            out += checked == BST_CHECKED ? " checked" : " unchecked";
        }
    }
    if (focusOf(c) == c)
        out += " focused";
    return out;
}

void Harness::listControls() {
    for (HWND c : childrenOf(currentWindow()))
        say("  " + narrow(className(c)) + " #" + std::to_string(::GetDlgCtrlID(c)) + " " +
            quoted(textOf(c)) + flags(c));
}

// Types as a user types into a field: clicks into it, selects what it holds
// and types the characters over it, each a WM_CHAR, so that the field's own
// rules (upper case, the length limit) apply. An empty text deletes.
void Harness::typeInto(HWND edit, const std::wstring& text) {
    if (!::IsWindowVisible(edit) || !::IsWindowEnabled(edit))
        throw Failure("cannot type into a hidden or disabled control");
    ::PostMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::PostMessageW(edit, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    ::PostMessageW(edit, EM_SETSEL, 0, -1);
    if (text.empty())
        ::PostMessageW(edit, WM_CHAR, VK_BACK, 1);
    for (wchar_t c : text)
        ::PostMessageW(edit, WM_CHAR, c, 1);
    // The edit's modified flag marks the end: set now, cleared by a message
    // posted behind the characters, so it reads clear once all were typed.
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(edit, EM_SETMODIFY, TRUE, 0, SMTO_ABORTIFHUNG, timeout_, &result);
    ::PostMessageW(edit, EM_SETMODIFY, FALSE, 0);
    waitFor("the typing to be done", [&] {
        DWORD_PTR modified = 1;
        ::SendMessageTimeoutW(edit, EM_GETMODIFY, 0, 0, SMTO_ABORTIFHUNG, timeout_, &modified);
        return modified == 0 || !::IsWindow(edit);
    });
    settle(edit);
}

// A button is clicked by a posted BM_CLICK (a sent one would not return
// while the box it opens is shown); anything else by a posted left click.
void Harness::click(HWND target) {
    if (!::IsWindowVisible(target) || !::IsWindowEnabled(target))
        throw Failure("cannot click a hidden or disabled control: " + quoted(textOf(target)));
    if (equalNoCase(className(target), L"Button")) {
        ::PostMessageW(target, BM_CLICK, 0, 0);
    } else {
        ::PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        ::PostMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }
    settle(target);
}

// A key pressed in the control, through the program's message queue, so
// that its dialog keys (Tab to the next control) work as for a user.
void Harness::pressKey(HWND target, const std::wstring& key) {
    static const std::map<std::wstring, UINT> keys{
        {L"tab", VK_TAB}, {L"enter", VK_RETURN}, {L"escape", VK_ESCAPE}, {L"space", VK_SPACE}};
    const auto k = keys.find(key);
    if (k == keys.end())
        throw Failure("no key " + narrow(key) + " (tab, enter, escape, space)");
    const UINT scan = ::MapVirtualKeyW(k->second, MAPVK_VK_TO_VSC);
    ::PostMessageW(target, WM_KEYDOWN, k->second, 1 | (scan << 16));
    ::PostMessageW(target, WM_KEYUP, k->second, 1 | (scan << 16) | 0xC0000000u);
    settle(target);
}

HWND Harness::waitBox() {
    return waitFor("a box", [&]() -> HWND {
        for (HWND b : openBoxes())
            // A box is found before its buttons are made.
            if (b != window_ && !childrenOf(b).empty())
                return b;
        return nullptr;
    });
}

void Harness::answer(const std::wstring& button) {
    HWND box = box_ && ::IsWindow(box_) ? box_ : waitBox();
    settle(box);
    if (box != box_)
        say(describeBox(box));
    box_ = nullptr;
    HWND target = nullptr;
    for (HWND c : childrenOf(box))
        if (equalNoCase(className(c), L"Button") && ::IsWindowVisible(c) &&
            equalNoCase(withoutAccelerator(textOf(c)), withoutAccelerator(button)))
            target = c;
    if (!target)
        throw Failure("no button " + narrow(button) + " in " + describeBox(box));
    ::PostMessageW(target, BM_CLICK, 0, 0);
    waitFor("the box to close", [&] { return !::IsWindow(box) || !::IsWindowVisible(box); });
}

// The shell's folder picker selects a path it is sent (BFFM_SETSELECTIONW);
// the path must lie in the picker's own memory.
void Harness::chooseFolder(const std::wstring& path) {
    HWND box = box_ && ::IsWindow(box_) ? box_ : waitBox();
    HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processOf(box));
    if (!process)
        throw Failure("cannot reach the picker's memory");
    const SIZE_T bytes = (path.size() + 1) * sizeof(wchar_t);
    void* remote = ::VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
    SIZE_T written = 0;
    const bool ok = remote && ::WriteProcessMemory(process, remote, path.c_str(), bytes, &written);
    DWORD_PTR result = 0;
    if (ok)
        ::SendMessageTimeoutW(box, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote),
                              SMTO_ABORTIFHUNG, timeout_, &result);
    if (remote)
        ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    ::CloseHandle(process);
    if (!ok)
        throw Failure("cannot write into the picker's memory");
    box_ = box;
}

// Waits for the program started last to end and gives its exit code; a box
// that opens meanwhile fails the wait.
void Harness::waitExit(const std::vector<std::wstring>& w) {
    if (programs_.empty())
        throw Failure("no program was started");
    Program& p = programs_.back();
    const auto end = Clock::now() + std::chrono::milliseconds(timeout_);
    while (::WaitForSingleObject(p.info.hProcess, 20) == WAIT_TIMEOUT) {
        for (HWND b : openBoxes())
            if (processOf(b) == p.info.dwProcessId && b != window_ && !childrenOf(b).empty()) {
                settle(b);
                throw Failure("the program shows " + describeBox(b) + " instead of ending");
            }
        if (Clock::now() >= end)
            throw Failure("timed out waiting for " + narrow(p.name) + " to end");
    }
    DWORD code = 0;
    ::GetExitCodeProcess(p.info.hProcess, &code);
    release(p);
    programs_.pop_back();
    say("exit " + std::to_string(code));
    if (w.size() > 1 && std::to_wstring(code) != w[1])
        throw Failure("the exit code is " + std::to_string(code) + ", not " + narrow(w[1]));
}

// A shell link read back through the shell's own link object.
void Harness::readLink(const std::wstring& file) {
    std::string line;
    HRESULT hr = S_OK;
    {
        const platform::win32::ComApartment com;
        platform::win32::ComPtr<IShellLinkW> link;
        platform::win32::ComPtr<IPersistFile> persist;
        hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.putVoid());
        if (SUCCEEDED(hr))
            hr = link->QueryInterface(IID_IPersistFile, persist.putVoid());
        if (SUCCEEDED(hr))
            hr = persist->Load(file.c_str(), STGM_READ);
        if (SUCCEEDED(hr)) {
            wchar_t path[MAX_PATH] = {}, arguments[1024] = {}, folder[MAX_PATH] = {},
                    icon[MAX_PATH] = {}, description[1024] = {};
            int index = 0, show = 0;
            WORD hotKey = 0;
            link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH);
            link->GetArguments(arguments, 1024);
            link->GetWorkingDirectory(folder, MAX_PATH);
            link->GetIconLocation(icon, MAX_PATH, &index);
            link->GetDescription(description, 1024);
            link->GetShowCmd(&show);
            link->GetHotkey(&hotKey);
            line = "link " + quoted(path) + " arguments " + quoted(arguments) + " folder " +
                   quoted(folder) + " icon " + quoted(icon) + "," + std::to_string(index) +
                   " description " + quoted(description) + " show " + std::to_string(show) +
                   " hotkey " + std::to_string(hotKey);
        }
    }
    if (FAILED(hr)) {
        char code[16];
        std::snprintf(code, sizeof code, "%08lx", static_cast<unsigned long>(hr));
        throw Failure("cannot read the link " + narrow(file) + " (" + code + ")");
    }
    say(line);
}

void Harness::windowState() {
    HWND w = currentWindow();
    std::string state = ::IsIconic(w) ? "minimized" : ::IsWindowVisible(w) ? "normal" : "hidden";
    state += ::GetForegroundWindow() == w ? ", foreground" : ", background";
    say("window " + quoted(textOf(w)) + " " + state);
}

void Harness::run(const std::vector<std::wstring>& w) {
    const std::wstring& verb = w[0];
    const auto need = [&](std::size_t n, const char* usage) {
        if (w.size() != n)
            throw Failure(std::string("usage: ") + usage);
    };
    if (verb == L"env") {
        need(3, "env NAME VALUE");
        ::SetEnvironmentVariableW(w[1].c_str(), w[2].c_str());
    } else if (verb == L"start") {
        start(w);
    } else if (verb == L"window") {
        findWindow(w);
    } else if (verb == L"controls") {
        need(1, "controls");
        listControls();
    } else if (verb == L"text") {
        need(2, "text CONTROL");
        say("text " + reference(w[1]) + " " + quoted(textOf(control(w[1]))));
    } else if (verb == L"state") {
        need(2, "state CONTROL");
        HWND c = control(w[1]);
        settle(c);
        const std::string f = flags(c);
        say("state " + reference(w[1]) + (f.empty() ? " shown" : f));
    } else if (verb == L"type") {
        need(3, "type CONTROL TEXT");
        typeInto(control(w[1]), w[2]);
    } else if (verb == L"click") {
        need(2, "click CONTROL");
        click(control(w[1]));
    } else if (verb == L"try") {
        // What a user tries on a control that may be disabled: the mouse
        // and the keyboard do nothing there.
        if (w.size() < 3 || (w[1] == L"click" ? w.size() != 3 : w[1] != L"type" || w.size() != 4))
            throw Failure("usage: try click CONTROL | try type CONTROL TEXT");
        HWND c = control(w[2]);
        settle(c);
        if (!::IsWindowVisible(c) || !::IsWindowEnabled(c)) {
            say("try " + reference(w[2]) + (::IsWindowVisible(c) ? " disabled" : " hidden") +
                ", nothing done");
            return;
        }
        run(std::vector<std::wstring>(w.begin() + 1, w.end()));
        say("try " + reference(w[2]) + " done");
    } else if (verb == L"key") {
        need(3, "key CONTROL tab|enter|escape|space");
        pressKey(control(w[1]), w[2]);
    } else if (verb == L"box") {
        need(1, "box");
        box_ = waitBox();
        settle(box_);
        say(describeBox(box_));
    } else if (verb == L"answer") {
        need(2, "answer BUTTON");
        answer(w[1]);
    } else if (verb == L"folder") {
        need(2, "folder PATH");
        chooseFolder(w[1]);
    } else if (verb == L"exit") {
        if (w.size() > 2)
            throw Failure("usage: exit [CODE]");
        waitExit(w);
    } else if (verb == L"close") {
        need(1, "close");
        ::PostMessageW(currentWindow(), WM_CLOSE, 0, 0);
    } else if (verb == L"minimize") {
        need(1, "minimize");
        ::ShowWindowAsync(currentWindow(), SW_MINIMIZE);
        waitFor("the window to be minimized", [&] { return ::IsIconic(window_) != 0; });
    } else if (verb == L"window-state") {
        need(1, "window-state");
        settle(currentWindow());
        windowState();
    } else if (verb == L"link") {
        need(2, "link FILE");
        readLink(w[1]);
    } else if (verb == L"sleep") {
        need(2, "sleep MILLISECONDS");
        ::Sleep(static_cast<DWORD>(std::stoul(w[1])));
    } else {
        throw Failure("unknown command " + narrow(verb));
    }
}

bool Harness::endPrograms() {
    bool none = true;
    for (auto& p : programs_) {
        if (::WaitForSingleObject(p.info.hProcess, 0) == WAIT_TIMEOUT) {
            none = false;
            ::TerminateProcess(p.info.hProcess, 1);
        }
        release(p);
    }
    programs_.clear();
    return none;
}

std::optional<std::string> readAll(const std::wstring& file) {
    HANDLE h = file == L"-" ? ::GetStdHandle(STD_INPUT_HANDLE)
                            : ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE || !h)
        return std::nullopt;
    std::string text;
    char buffer[4096];
    DWORD n = 0;
    while (::ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0)
        text.append(buffer, n);
    if (file != L"-")
        ::CloseHandle(h);
    return text;
}

int usage() {
    write(::GetStdHandle(STD_ERROR_HANDLE),
          "usage: UiHarness [--timeout SECONDS] [SCRIPT | - | -c COMMAND...]\n"
          "Commands: env start window controls text state type click try key box answer folder\n"
          "exit close minimize window-state link sleep (see README.md)\n");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    DWORD timeout = 30000;
    std::vector<std::wstring> lines;
    std::wstring script;
    bool commands = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        if (a == L"--timeout" && i + 1 < argc)
            timeout = static_cast<DWORD>(std::stoul(argv[++i]) * 1000);
        else if (a == L"-c")
            commands = true;
        else if (commands)
            lines.push_back(a);
        else if (script.empty())
            script = a;
        else
            return usage();
    }
    if (!commands) {
        const auto text = readAll(script.empty() ? L"-" : script);
        if (!text) {
            write(::GetStdHandle(STD_ERROR_HANDLE), "UiHarness: cannot read the script\n");
            return 2;
        }
        std::wstring all = wide(*text);
        for (std::size_t s = 0; s <= all.size();) {
            std::size_t e = all.find(L'\n', s);
            if (e == std::wstring::npos)
                e = all.size();
            std::wstring line = all.substr(s, e - s);
            if (!line.empty() && line.back() == L'\r')
                line.pop_back();
            lines.push_back(line);
            s = e + 1;
        }
    }

    Harness harness(timeout);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        try {
            const auto words = splitWords(lines[n]);
            if (words.empty() || words[0].starts_with(L"#"))
                continue;
            say("> " + narrow(lines[n]));
            harness.run(words);
        } catch (const std::exception& e) {
            harness.endPrograms();
            write(::GetStdHandle(STD_ERROR_HANDLE),
                  "UiHarness: line " + std::to_string(n + 1) + ": " + e.what() + "\n");
            return 1;
        }
    }
    if (!harness.endPrograms()) {
        write(::GetStdHandle(STD_ERROR_HANDLE),
              "UiHarness: a started program was still running at the end; it was ended\n");
        return 1;
    }
    return 0;
}
