#include "Win32MainWindow.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <deque>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/DllSearch.h"
#include "platform/win32/Support.h"
#include "resources/Resources.h"
#include "uInstal.h"

namespace installer {

namespace {

using platform::win32::narrow;
using platform::win32::wide;

// How a control's text looks: the window's font (MS Sans Serif, 11 pixels),
// the help link (the same, underlined), and the bold blue texts of the
// upper panel at their character heights.
enum class Face { Window, Link, BoldBlue8, BoldBlue11, BoldBlue13 };
constexpr int kFaces = 5;

// The place of a control in the client area at 96 pixels per inch (the
// bottom panel starts at 320) and its control ID. LblKonec comes first so
// that it lies above the folder field it covers; the others in the order
// the Tab key goes through them.
struct Layout {
    const char* name;
    int id;
    int x, y, width, height;
    Face face;
};

constexpr int kBottomPanel = 320;

constexpr Layout kLayout[] = {
    {"LblKonec", 1006, 135, 289, 313, 16, Face::BoldBlue13},
    {"LblInst", 1001, 97, 263, 122, 13, Face::BoldBlue8},
    {"EdSlozka", 1002, 221, 259, 70, 21, Face::BoldBlue11},
    {"LblInst2", 1003, 300, 263, 124, 13, Face::BoldBlue8},
    {"VyberAdr", 1004, 96, 286, 377, 24, Face::BoldBlue13},
    {"BtnProjit", 1005, 480, 285, 33, 25, Face::BoldBlue11},
    {"lblWWWdro", 1007, 17, kBottomPanel + 21, 91, 13, Face::Link},
    {"ChckJeto64bit", 1008, 160, kBottomPanel + 20, 139, 17, Face::Window},
    {"BtnInstal", 1009, 328, kBottomPanel + 15, 81, 25, Face::Window},
    {"btnAktualizovat", 1010, 328, kBottomPanel + 14, 81, 25, Face::Window},
    {"BtnZrus", 1011, 424, kBottomPanel + 14, 89, 25, Face::Window},
    {"UkazPrubeh", 1012, 0, kBottomPanel + 50, 537, 17, Face::Window},
    {"CheckBxZrus", 1013, 184, 72, 193, 17, Face::Window},
    {"MemoPom", 1014, 176, 96, 217, 49, Face::Window},
    {"RichEdFont", 1015, 176, 152, 217, 57, Face::Window},
};

// LblKonec takes the place of the folder field when it is shown: its band
// covers the whole field, white area and frame, so that no part of the path
// shows beside it; its text stands where its layout puts it.
constexpr int kLblKonec = 1006;
constexpr int kVyberAdr = 1004;

const Layout& layoutOf(int id) {
    for (const Layout& l : kLayout)
        if (l.id == id)
            return l;
    return kLayout[0];
}

// The client area, the panels and the pictures at 96 pixels per inch.
constexpr RECT kClient{0, 0, 532, 380};
constexpr RECT kUpperPanel{0, 0, 532, kBottomPanel};
constexpr RECT kLowerPanel{0, kBottomPanel, 532, 380};
constexpr RECT kImageDro{6, 6, 6 + 78, 6 + 305};
constexpr RECT kPicturePanel{93, 8, 93 + 427, 8 + 245};
constexpr RECT kImagevLevo{93 + 4, 8 + 4, 93 + 4 + 420, 8 + 4 + 241};

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr int kSmallestFace = 11;
constexpr int kMarqueeSpeed = 30;

constexpr wchar_t kWindowClass[] = L"DroInstal";

// What the window last showed of a control.
struct Shown {
    bool known = false;
    std::string text;
    bool visible = false, enabled = false, readOnly = false, checked = false, running = false;
};

struct Item {
    Control* model;
    const Layout* layout;
    HWND window = nullptr;
    Shown shown;
};

bool blue(Face face) {
    return face == Face::BoldBlue8 || face == Face::BoldBlue11 || face == Face::BoldBlue13;
}

bool isEdit(ControlKind kind) {
    return kind == ControlKind::Edit || kind == ControlKind::Memo || kind == ControlKind::RichEdit;
}

} // namespace

struct Win32MainWindow::Impl {
    Impl(TInstal& form, MainWindowUserInterface& ui) : form(form), ui(ui) {}
    ~Impl();

    void create();
    HWND createControl(const Layout& layout, Control& control);
    int scaled(int pixels) const { return ::MulDiv(pixels, dpi, 96); }
    RECT scaled(const RECT& r) const {
        return {scaled(r.left), scaled(r.top), scaled(r.right), scaled(r.bottom)};
    }
    Item* byId(int id);
    Item* byWindow(HWND window);
    Item* byName(const std::string& name);

    void refresh();
    void show(Item& item);
    void fitToText(Item& item);
    void drawBand(const DRAWITEMSTRUCT& draw);
    void dispatch(MSG& msg);
    void afterMessage();
    void followFocus();
    void afterHandler();
    void paint();
    LRESULT colours(HDC dc, HWND control);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK hookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    TInstal& form;
    MainWindowUserInterface& ui;
    HWND window = nullptr;
    WNDPROC previous = nullptr;
    int dpi = 96;
    HFONT fonts[kFaces] = {};
    HBRUSH background = nullptr;
    HBITMAP imageDro = nullptr;
    HBITMAP imagevLevo = nullptr;
    std::vector<Item> items;

    std::string shownCaption;
    std::string shownFocus;
    bool refreshing = false;
    bool closing = false;
    bool activationPending = false;
    bool followingFocus = false;
    // The clicks the controls reported, run once the message that caused
    // them has been handled (so after the focus change it brought).
    std::deque<int> clicks;
    // The control that had the focus when the window was deactivated.
    HWND lastFocus = nullptr;
};

// --- The user interface ---

int MainWindowUserInterface::messageBox(const std::string& text, const std::string& title,
                                        std::uint32_t style) {
    if (window_)
        window_->refresh();
    return system_.messageBox(text, title, style);
}

int MainWindowUserInterface::showMessageDialog(const platform::MessageDialogSpec& dialog) {
    if (window_)
        window_->refresh();
    return system_.showMessageDialog(dialog);
}

std::optional<std::string> MainWindowUserInterface::browseForFolder(const std::string& title,
                                                                    const std::string& root) {
    if (window_)
        window_->refresh();
    return system_.browseForFolder(title, root);
}

void MainWindowUserInterface::processPendingMessages() {
    if (window_)
        window_->pump();
    else
        system_.processPendingMessages();
}

// --- The window ---

Win32MainWindow::Win32MainWindow(TInstal& form, MainWindowUserInterface& ui)
    : impl_(std::make_unique<Impl>(form, ui)) {
    ui.window_ = this;
    form.onBringToFront = [impl = impl_.get()] {
        if (!impl->window)
            return;
        ::SendMessageW(impl->window, WM_SYSCOMMAND, SC_RESTORE, 0);
        ::SetForegroundWindow(impl->window);
    };
}

Win32MainWindow::~Win32MainWindow() {
    impl_->form.onBringToFront = nullptr;
    impl_->ui.window_ = nullptr;
}

Win32MainWindow::Impl::~Impl() {
    if (window && ::IsWindow(window))
        ::DestroyWindow(window);
    for (HFONT f : fonts)
        if (f)
            ::DeleteObject(f);
    for (HGDIOBJ o : {static_cast<HGDIOBJ>(background), static_cast<HGDIOBJ>(imageDro),
                      static_cast<HGDIOBJ>(imagevLevo)})
        if (o)
            ::DeleteObject(o);
}

int Win32MainWindow::run() {
    impl_->create();
    ::ShowWindow(impl_->window, SW_SHOWNORMAL);
    ::SetForegroundWindow(impl_->window);
    // The start-up step runs on the first activation; a window that the
    // system does not activate (another program has the foreground) starts
    // up all the same.
    impl_->activationPending = true;
    impl_->afterMessage();
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
        impl_->dispatch(msg);
    return 0;
}

void Win32MainWindow::refresh() {
    impl_->refresh();
}

void Win32MainWindow::pump() {
    impl_->refresh();
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Left for the loop that ends the program.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        impl_->dispatch(msg);
    }
    // Nothing is waiting: wait for the next message, at most a millisecond,
    // so that a handler's wait keeps the window responsive without spinning.
    ::MsgWaitForMultipleObjectsEx(0, nullptr, 1, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void Win32MainWindow::Impl::create() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&icc);
    // The rich edit control's class lives in its own library, taken by its
    // full path from the system folder, never from the installer's folder.
    if (!platform::loadSystemDll(L"Msftedit.dll"))
        platform::loadSystemDll(L"Riched20.dll");

    // The program is DPI-aware (its manifest says so): the layout at 96
    // pixels per inch is scaled by the system's DPI.
    if (HDC screen = ::GetDC(nullptr)) {
        dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
    }
    if (dpi <= 0)
        dpi = 96;

    // MS Sans Serif in the Central European character set, in which all of
    // the installer's texts are written. Its smallest face is the one of 8
    // points, 11 pixels high: Windows shows the labels of 8 pixels in it,
    // and so does the window wherever the font can be scaled further down.
    const auto font = [this](int pixels, bool bold, bool underline) {
        LOGFONTW lf{};
        lf.lfHeight = -scaled(std::max(pixels, kSmallestFace));
        lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
        lf.lfUnderline = underline;
        lf.lfCharSet = EASTEUROPE_CHARSET;
        lstrcpyW(lf.lfFaceName, L"MS Sans Serif");
        return ::CreateFontIndirectW(&lf);
    };
    fonts[static_cast<int>(Face::Window)] = font(11, false, false);
    fonts[static_cast<int>(Face::Link)] = font(11, false, true);
    fonts[static_cast<int>(Face::BoldBlue8)] = font(8, true, false);
    fonts[static_cast<int>(Face::BoldBlue11)] = font(11, true, false);
    fonts[static_cast<int>(Face::BoldBlue13)] = font(13, true, false);
    background = ::CreateSolidBrush(::GetSysColor(COLOR_GRADIENTINACTIVECAPTION));

    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    imageDro = static_cast<HBITMAP>(::LoadImageW(instance, MAKEINTRESOURCEW(IDB_IMAGEDRO),
                                                 IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    imagevLevo = static_cast<HBITMAP>(::LoadImageW(instance, MAKEINTRESOURCEW(IDB_IMAGEVLEVO),
                                                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_INSTAL));
    wc.lpszClassName = kWindowClass;
    ::RegisterClassExW(&wc);

    // A fixed-size dialog frame with a caption and no title-bar buttons,
    // centred on the screen. The caption of its design is "-"; the start-up
    // step replaces it.
    const DWORD style = WS_CAPTION | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
    RECT frame = scaled(kClient);
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    window = ::CreateWindowExW(exStyle, kWindowClass, wide(form.window.caption).c_str(), style, x,
                               y, width, height, nullptr, nullptr, instance, this);
    if (!window)
        throw std::runtime_error("The installer's window cannot be created.");
    shownCaption = form.window.caption;

    items.reserve(std::size(kLayout));
    for (const Layout& layout : kLayout) {
        Control* control = form.window.find(layout.name);
        Item item{control, &layout, nullptr, {}};
        item.window = createControl(layout, *control);
        items.push_back(item);
    }

    // FormCreate: the installer's registered message is answered by a hook
    // on the window procedure, put back when the window is destroyed.
    previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hookProc)));
    refresh();
}

HWND Win32MainWindow::Impl::createControl(const Layout& layout, Control& control) {
    const wchar_t* cls = L"Static";
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    switch (control.kind()) {
    // Labels keep their text on one line and take its width (they size
    // themselves to it).
    case ControlKind::Label:
        style |= SS_LEFTNOWORDWRAP;
        break;
    case ControlKind::Link:
        style |= SS_LEFTNOWORDWRAP | SS_NOTIFY;
        break;
    case ControlKind::Edit:
        cls = L"Edit";
        style |= WS_TABSTOP | ES_AUTOHSCROLL | (control.upperCaseInput ? ES_UPPERCASE : 0);
        exStyle = WS_EX_CLIENTEDGE;
        break;
    case ControlKind::Button:
        cls = L"Button";
        style |= WS_TABSTOP | BS_PUSHBUTTON;
        break;
    case ControlKind::CheckBox:
        // The caption left of the box; the model toggles the check.
        cls = L"Button";
        style |= WS_TABSTOP | BS_CHECKBOX | BS_LEFTTEXT;
        break;
    case ControlKind::ProgressBar:
        cls = PROGRESS_CLASSW;
        style |= PBS_MARQUEE;
        break;
    case ControlKind::Memo:
        cls = L"Edit";
        style |= ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL;
        exStyle = WS_EX_CLIENTEDGE;
        break;
    case ControlKind::RichEdit:
        cls = ::GetModuleHandleW(L"Msftedit.dll") ? MSFTEDIT_CLASS : RICHEDIT_CLASSW;
        style |= ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL;
        exStyle = WS_EX_CLIENTEDGE;
        break;
    }
    const Layout& place = layout.id == kLblKonec ? layoutOf(kVyberAdr) : layout;
    if (layout.id == kLblKonec)
        style = WS_CHILD | WS_CLIPSIBLINGS | SS_OWNERDRAW;
    const RECT r = scaled(RECT{place.x, place.y, place.x + place.width, place.y + place.height});
    HWND child = ::CreateWindowExW(exStyle, cls, L"", style, r.left, r.top, r.right - r.left,
                                   r.bottom - r.top, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)),
                                   ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(child, WM_SETFONT,
                   reinterpret_cast<WPARAM>(fonts[static_cast<int>(layout.face)]), FALSE);
    if (control.kind() == ControlKind::Edit && control.maxLength > 0)
        ::SendMessageW(child, EM_LIMITTEXT, control.maxLength, 0);
    return child;
}

Item* Win32MainWindow::Impl::byId(int id) {
    for (Item& i : items)
        if (i.layout->id == id)
            return &i;
    return nullptr;
}

Item* Win32MainWindow::Impl::byWindow(HWND w) {
    for (Item& i : items)
        if (w && i.window == w)
            return &i;
    return nullptr;
}

Item* Win32MainWindow::Impl::byName(const std::string& name) {
    for (Item& i : items)
        if (i.model->name() == name)
            return &i;
    return nullptr;
}

// --- The model shown ---

void Win32MainWindow::Impl::refresh() {
    if (!window || closing || refreshing)
        return;
    refreshing = true;
    if (form.window.caption != shownCaption) {
        shownCaption = form.window.caption;
        ::SetWindowTextW(window, wide(shownCaption).c_str());
    }
    for (Item& item : items)
        show(item);
    // A focus that a handler gave.
    if (form.window.focus != shownFocus) {
        shownFocus = form.window.focus;
        if (Item* f = byName(shownFocus); f && f->model->usable() && ::GetFocus() != f->window)
            ::SetFocus(f->window);
    }
    // The control that lost the focus while a run had it disabled gets it
    // back once enabled, unless the focus went elsewhere meanwhile.
    if (Item* f = byName(form.window.focus); f && f->model->usable() &&
                                             ::GetActiveWindow() == window &&
                                             (!::GetFocus() || ::GetFocus() == window))
        ::SetFocus(f->window);
    refreshing = false;
}

void Win32MainWindow::Impl::show(Item& item) {
    const Control& c = *item.model;
    Shown& s = item.shown;
    const bool all = !s.known;
    s.known = true;
    if ((all || c.text() != s.text) && c.kind() != ControlKind::ProgressBar) {
        s.text = c.text();
        ::SetWindowTextW(item.window, wide(s.text).c_str());
        if (item.layout->id == kLblKonec)
            ::InvalidateRect(item.window, nullptr, TRUE);
        else if (c.kind() == ControlKind::Label || c.kind() == ControlKind::Link)
            fitToText(item);
    }
    if (all || c.enabled != s.enabled) {
        s.enabled = c.enabled;
        ::EnableWindow(item.window, c.enabled);
    }
    if ((all || c.readOnly != s.readOnly) && isEdit(c.kind())) {
        s.readOnly = c.readOnly;
        ::SendMessageW(item.window, EM_SETREADONLY, c.readOnly, 0);
    }
    if ((all || c.checked != s.checked) && c.kind() == ControlKind::CheckBox) {
        s.checked = c.checked;
        ::SendMessageW(item.window, BM_SETCHECK, c.checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    if ((all || c.running != s.running) && c.kind() == ControlKind::ProgressBar) {
        s.running = c.running;
        ::SendMessageW(item.window, PBM_SETMARQUEE, c.running, kMarqueeSpeed);
    }
    if (all || c.visible != s.visible) {
        s.visible = c.visible;
        ::ShowWindow(item.window, c.visible ? SW_SHOWNA : SW_HIDE);
    }
}

// A label as wide as its text in its font, at the place of its layout.
void Win32MainWindow::Impl::fitToText(Item& item) {
    const std::wstring text = wide(item.model->text());
    HDC dc = ::GetDC(item.window);
    HGDIOBJ old = ::SelectObject(dc, fonts[static_cast<int>(item.layout->face)]);
    RECT r{0, 0, 0, 0};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE);
    ::SelectObject(dc, old);
    ::ReleaseDC(item.window, dc);
    ::SetWindowPos(item.window, nullptr, 0, 0, r.right - r.left, scaled(item.layout->height),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The band of LblKonec over the folder field: the window's background, and
// the text in blue at the label's own place.
void Win32MainWindow::Impl::drawBand(const DRAWITEMSTRUCT& draw) {
    const Layout& label = layoutOf(kLblKonec);
    const Layout& field = layoutOf(kVyberAdr);
    ::FillRect(draw.hDC, &draw.rcItem, background);
    const std::wstring text = wide(byId(kLblKonec)->model->text());
    HGDIOBJ old = ::SelectObject(draw.hDC, fonts[static_cast<int>(label.face)]);
    ::SetBkMode(draw.hDC, TRANSPARENT);
    ::SetTextColor(draw.hDC, kBlue);
    RECT r = draw.rcItem;
    r.left += scaled(label.x - field.x);
    r.top += scaled(label.y - field.y);
    ::DrawTextW(draw.hDC, text.c_str(), static_cast<int>(text.size()), &r,
                DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP);
    ::SelectObject(draw.hDC, old);
}

// --- What the user does ---

void Win32MainWindow::Impl::dispatch(MSG& msg) {
    // The dialog keys: Tab and the arrows move the focus, Enter and Space
    // press the focused button.
    if (!window || !::IsDialogMessageW(window, &msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    afterMessage();
}

// Runs what the last message set off, outside any window procedure (the
// handlers show modal boxes): the start-up step, the exit handler of a
// field the focus left, then the clicks.
void Win32MainWindow::Impl::afterMessage() {
    if (!window || closing)
        return;
    if (activationPending) {
        activationPending = false;
        form.Activate();
        afterHandler();
    }
    followFocus();
    while (!clicks.empty() && !closing) {
        Item* item = byId(clicks.front());
        clicks.pop_front();
        if (!item)
            continue;
        Control& c = *item->model;
        // A click that should have brought the focus, which stayed in the
        // field it could not leave, is dropped.
        if (c.takesFocus() && form.window.focus != c.name())
            continue;
        form.Click(c);
        afterHandler();
    }
}

// The focus went to another control of the window (a click, Tab): the
// model follows, running the exit handler of the field it left. When that
// fails the focus goes back to the field.
void Win32MainWindow::Impl::followFocus() {
    if (followingFocus || closing)
        return;
    Item* item = byWindow(::GetFocus());
    if (!item || item->model->name() == form.window.focus)
        return;
    followingFocus = true;
    const bool moved = form.MoveFocus(*item->model);
    followingFocus = false;
    if (!moved)
        shownFocus.clear();
    afterHandler();
}

void Win32MainWindow::Impl::afterHandler() {
    if (closing)
        return;
    if (form.closed()) {
        closing = true;
        ::DestroyWindow(window);
        return;
    }
    refresh();
}

// --- Painting ---

void Win32MainWindow::Impl::paint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(window, &ps);
    // The two panels raised, the picture's panel sunk.
    for (const RECT& panel : {kUpperPanel, kLowerPanel}) {
        RECT r = scaled(panel);
        ::DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
    }
    RECT frame = scaled(kPicturePanel);
    ::DrawEdge(dc, &frame, EDGE_SUNKEN, BF_RECT);

    HDC source = ::CreateCompatibleDC(dc);
    ::SetStretchBltMode(dc, HALFTONE);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
    for (const auto& [bitmap, place] :
         {std::pair{imageDro, kImageDro}, {imagevLevo, kImagevLevo}}) {
        if (!bitmap)
            continue;
        BITMAP info{};
        ::GetObjectW(bitmap, sizeof info, &info);
        HGDIOBJ old = ::SelectObject(source, bitmap);
        const RECT r = scaled(place);
        ::StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source, 0, 0,
                     info.bmWidth, info.bmHeight, SRCCOPY);
        ::SelectObject(source, old);
    }
    ::DeleteDC(source);
    ::EndPaint(window, &ps);
}

// The colours of the controls: the texts of the upper panel blue on the
// window's background, the fields white.
LRESULT Win32MainWindow::Impl::colours(HDC dc, HWND control) {
    const Item* item = byWindow(control);
    const Face face = item ? item->layout->face : Face::Window;
    ::SetTextColor(dc, blue(face) ? kBlue : ::GetSysColor(COLOR_WINDOWTEXT));
    if (item && isEdit(item->model->kind())) {
        ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
    }
    ::SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(background);
}

LRESULT Win32MainWindow::Impl::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        Item* item = byId(LOWORD(wParam));
        if (!item)
            return 0;
        const ControlKind kind = item->model->kind();
        const WORD code = HIWORD(wParam);
        if ((kind == ControlKind::Button || kind == ControlKind::CheckBox) && code == BN_CLICKED)
            clicks.push_back(item->layout->id);
        else if (kind == ControlKind::Link && code == STN_CLICKED)
            clicks.push_back(item->layout->id);
        else if (kind == ControlKind::Edit && code == EN_CHANGE && !refreshing) {
            // What the user typed (the field made it upper case and kept
            // to its length).
            const int length = ::GetWindowTextLengthW(item->window);
            std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
            text.resize(
                static_cast<std::size_t>(::GetWindowTextW(item->window, text.data(), length + 1)));
            item->model->setText(narrow(text));
            item->shown.text = item->model->text();
        }
        return 0;
    }
    case WM_DRAWITEM:
        if (static_cast<int>(wParam) == kLblKonec) {
            drawBand(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
        return colours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
        if (Item* item = byWindow(reinterpret_cast<HWND>(wParam));
            item && item->model->kind() == ControlKind::Link) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    case WM_PAINT:
        paint();
        return 0;
    case WM_ACTIVATE:
        // The focus goes back to the control that had it.
        if (LOWORD(wParam) == WA_INACTIVE) {
            lastFocus = ::GetFocus();
            return 0;
        }
        activationPending = true;
        if (lastFocus && ::IsWindow(lastFocus)) {
            ::SetFocus(lastFocus);
            return 0;
        }
        break;
    case WM_CLOSE:
        // Closing from the taskbar or with Alt+F4 is the close button.
        if (form.window.BtnZrus.usable())
            clicks.push_back(byName("BtnZrus")->layout->id);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK Win32MainWindow::Impl::windowProc(HWND window, UINT message, WPARAM wParam,
                                                   LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<Impl*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Impl*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window = nullptr;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return self->handle(message, wParam, lParam);
}

// The window-procedure hook: a second start's message brings the window up
// (TInstal::WindowProc); everything else goes to the window's procedure.
LRESULT CALLBACK Win32MainWindow::Impl::hookProc(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
    auto* self = reinterpret_cast<Impl*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcW(window, message, wParam, lParam);
    const WNDPROC previous = self->previous;
    if (message == WM_DESTROY)
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    else if (message >= 0xC000 && self->form.WindowProc(message))
        return 0;
    return ::CallWindowProcW(previous, window, message, wParam, lParam);
}

} // namespace installer
