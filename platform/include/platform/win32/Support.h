// What every Win32 source of the programs needs around the system's calls:
// UTF-8 <-> UTF-16, an owning COM pointer, an owning BSTR, a COM apartment
// for the calling thread, and the path of a loaded module. Only for the
// Windows build; the portable code knows none of it.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

namespace platform::win32 {

// UTF-8 <-> UTF-16 for the W functions; ill-formed UTF-8 becomes U+FFFD.
std::wstring wide(std::string_view utf8);
std::string narrow(std::wstring_view utf16);
// A BSTR's text (its length, not its first null); a null BSTR is empty.
// Not an overload of narrow: a wchar_t array would take it for a BSTR.
std::string fromBstr(BSTR text);

// The full path of a loaded module (nullptr: the program's file), however
// long; empty when the system cannot tell it.
std::wstring modulePath(HMODULE module);

// Owns one reference to a COM interface and releases it at the end.
template <class Interface> class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller owns.
    explicit ComPtr(Interface* owned) : p_(owned) {}
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }

    Interface* get() const { return p_; }
    Interface* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // For a call that hands out a new reference: the old one is released.
    Interface** put() {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    void reset() {
        if (p_)
            std::exchange(p_, nullptr)->Release();
    }

private:
    Interface* p_ = nullptr;
};

// Owns one BSTR and frees it at the end.
class Bstr {
public:
    Bstr() = default;
    // A copy of the text; throws std::bad_alloc when the system has no
    // memory for it.
    explicit Bstr(std::wstring_view text);
    explicit Bstr(std::string_view utf8) : Bstr(std::wstring_view(wide(utf8))) {}
    ~Bstr() { ::SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        if (this != &other) {
            ::SysFreeString(value_);
            value_ = std::exchange(other.value_, nullptr);
        }
        return *this;
    }

    BSTR get() const { return value_; }
    operator BSTR() const { return value_; }
    // For a call that hands out a BSTR (GetDescription): the old one is freed.
    BSTR* put() {
        ::SysFreeString(std::exchange(value_, nullptr));
        return &value_;
    }
    std::string utf8() const { return fromBstr(value_); }

private:
    BSTR value_ = nullptr;
};

// COM for the calling thread in a single-threaded apartment, as the shell's
// objects want it; a thread already in an apartment keeps it, and only the
// scope that entered one leaves it.
class ComApartment {
public:
    ComApartment() : entered_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (entered_)
            ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool entered_;
};

} // namespace platform::win32
