// Single instance and registered messages on Windows: a named kernel mutex,
// RegisterWindowMessage, and broadcasts to every top-level window, received
// by a hidden top-level window of our own.
#include "win32/Win32Windows.h"

#include <algorithm>
#include <utility>

namespace platform::win32 {

LRESULT CALLBACK messageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

namespace {

class KernelMutex : public NamedMutex {
public:
    KernelMutex(HANDLE handle, bool existed) : handle_(handle), existed_(existed) {}
    ~KernelMutex() override {
        if (handle_)
            ::CloseHandle(handle_);
    }
    KernelMutex(const KernelMutex&) = delete;
    KernelMutex& operator=(const KernelMutex&) = delete;
    bool alreadyExisted() const override { return existed_; }

private:
    HANDLE handle_;
    bool existed_;
};

constexpr wchar_t kMessageWindowClass[] = L"DroPlatformMessages";

bool registerMessageWindowClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = messageWindowProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kMessageWindowClass;
        return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

} // namespace

// Records the registered messages of its instance that reach the window.
// The sender puts its own window into lParam, so that an instance does not
// take its own broadcast, as the emulation skips the sender's socket.
LRESULT CALLBACK messageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    if (message >= 0xC000 && message <= 0xFFFF) {
        auto* self = reinterpret_cast<Win32Windows*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && reinterpret_cast<HWND>(lParam) != window &&
            std::find(self->registered_.begin(), self->registered_.end(), message) !=
                self->registered_.end()) {
            self->received_.push_back(message);
            return 0;
        }
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

std::unique_ptr<NamedMutex> Win32Windows::createMutex(const std::string& name) {
    HANDLE handle = ::CreateMutexW(nullptr, FALSE, wide(name).c_str());
    const DWORD error = ::GetLastError();
    if (!handle)
        // A mutex of that name that we may not open (another user's session)
        // is held all the same.
        return std::make_unique<KernelMutex>(nullptr, error == ERROR_ACCESS_DENIED);
    if (error == ERROR_ALREADY_EXISTS) {
        // Only the first creator holds the name: destroying the first one
        // releases it even while a later program still has its answer.
        ::CloseHandle(handle);
        return std::make_unique<KernelMutex>(nullptr, true);
    }
    return std::make_unique<KernelMutex>(handle, false);
}

std::uint32_t Win32Windows::registerWindowMessage(const std::string& name) {
    const UINT message = ::RegisterWindowMessageW(wide(name).c_str());
    if (message == 0)
        return 0;
    if (std::find(registered_.begin(), registered_.end(), message) == registered_.end())
        registered_.push_back(message);
    // Broadcasts reach top-level windows only (a message-only window gets
    // none): a hidden one, kept off the taskbar, receives them.
    if (!messageWindow_ && registerMessageWindowClass())
        messageWindow_ =
            ::CreateWindowExW(WS_EX_TOOLWINDOW, kMessageWindowClass, L"", WS_POPUP, 0, 0, 0, 0,
                              nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
    return message;
}

void Win32Windows::broadcastMessage(std::uint32_t message) {
    // SendNotifyMessage returns at once for the windows of other threads:
    // SendMessage would wait until every program has handled the message,
    // so a first instance busy in a wait that handles no messages (a
    // running package installer) would hang the second one, and even
    // SendMessageTimeout with SMTO_ABORTIFHUNG waits for such a program
    // until it counts as hung. Nobody needs an answer to the broadcast.
    ::SendNotifyMessageW(HWND_BROADCAST, message, 0, reinterpret_cast<LPARAM>(messageWindow_));
}

std::vector<std::uint32_t> Win32Windows::takeReceivedMessages() {
    // Messages sent from other threads are handed to the window procedure
    // while PeekMessage looks at the queue; posted ones are dispatched here.
    if (messageWindow_) {
        MSG msg;
        while (::PeekMessageW(&msg, messageWindow_, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
    }
    return std::exchange(received_, {});
}

} // namespace platform::win32
