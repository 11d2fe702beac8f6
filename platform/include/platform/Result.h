// A value or the Windows error code that explains its absence: the shape of
// every fallible call of the platform layer, so that callers can report the
// code the way Windows would (GetLastError).
#pragma once

#include <cassert>
#include <utility>
#include <variant>

#include "platform/WinTypes.h"

namespace platform {

template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::move(value)) {}
    [[nodiscard]] static Result failure(WinError code) {
        return Result(Error{code == 0 ? kErrorInvalidParameter : code});
    }

    [[nodiscard]] bool ok() const { return v_.index() == 0; }
    [[nodiscard]] explicit operator bool() const { return ok(); }
    [[nodiscard]] WinError error() const { return ok() ? kErrorSuccess : std::get<1>(v_).code; }

    T& value() & {
        assert(ok());
        return std::get<0>(v_);
    }
    const T& value() const& {
        assert(ok());
        return std::get<0>(v_);
    }
    T&& value() && {
        assert(ok());
        return std::get<0>(std::move(v_));
    }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

private:
    struct Error {
        WinError code;
    };
    explicit Result(Error e) : v_(e) {}
    std::variant<T, Error> v_;
};

} // namespace platform
