// The installer's errors. Routines that change files raise them; the
// window's handlers let them through, and the window shows the message of
// the error that ended a handler in a message box.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace support {

class InstallerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Cannot open file %s"
class EFOpenError : public InstallerError {
public:
    using InstallerError::InstallerError;
};

// "Cannot create file %s"
class EFCreateError : public InstallerError {
public:
    using InstallerError::InstallerError;
};

// An input/output error of the runtime's text files, by its error code.
class EInOutError : public InstallerError {
public:
    explicit EInOutError(int code);
    int code() const { return code_; }

private:
    int code_;
};

// An operating-system error: the system's text for its code.
class EOSError : public InstallerError {
public:
    EOSError(std::uint32_t code, const std::string& message)
        : InstallerError(message), code_(code) {}
    std::uint32_t code() const { return code_; }

private:
    std::uint32_t code_;
};

// A text that is not a number ("'%s' is not a valid integer value").
class EConvertError : public InstallerError {
public:
    using InstallerError::InstallerError;
};

// The runtime's message for an input/output error code: "File not found",
// "File access denied", "Disk full", ..., otherwise "I/O error %d".
std::string inOutErrorMessage(int code);

// The input/output error code for a Windows error (a full disk becomes the
// runtime's "Disk full").
int inOutCodeFor(std::uint32_t winError);

} // namespace support
