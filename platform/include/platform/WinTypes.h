// Numbers of the Windows API that the programs pass through the platform
// layer: error codes, file attributes, message-box styles and answers, show
// modes, processor architectures. The values are those of the Windows SDK,
// so the Win32 implementation passes them on unchanged.
#pragma once

#include <cstdint>

namespace platform {

using WinError = std::uint32_t; // what GetLastError returns
using HResult = std::int32_t;   // COM result code

// System error codes.
inline constexpr WinError kErrorSuccess = 0;
inline constexpr WinError kErrorFileNotFound = 2;
inline constexpr WinError kErrorPathNotFound = 3;
inline constexpr WinError kErrorTooManyOpenFiles = 4;
inline constexpr WinError kErrorAccessDenied = 5;
inline constexpr WinError kErrorInvalidHandle = 6;
inline constexpr WinError kErrorNotEnoughMemory = 8;
inline constexpr WinError kErrorInvalidDrive = 15;
inline constexpr WinError kErrorWriteFault = 29;
inline constexpr WinError kErrorReadFault = 30;
inline constexpr WinError kErrorSharingViolation = 32;
inline constexpr WinError kErrorLockViolation = 33;
inline constexpr WinError kErrorHandleEof = 38;
inline constexpr WinError kErrorHandleDiskFull = 39;
inline constexpr WinError kErrorNotSupported = 50;
inline constexpr WinError kErrorBadNetPath = 53;
inline constexpr WinError kErrorFileExists = 80;
inline constexpr WinError kErrorInvalidParameter = 87;
inline constexpr WinError kErrorDiskFull = 112;
inline constexpr WinError kErrorInvalidName = 123;
inline constexpr WinError kErrorDirNotEmpty = 145;
inline constexpr WinError kErrorBadExeFormat = 193;
inline constexpr WinError kErrorAlreadyExists = 183;
inline constexpr WinError kErrorFilenameExcedRange = 206;
inline constexpr WinError kErrorNoMoreFiles = 18;
inline constexpr WinError kErrorDirectory = 267;

// COM results.
inline constexpr HResult kSOk = 0;
inline constexpr HResult kENotImpl = static_cast<HResult>(0x80004001u);
inline constexpr HResult kEFail = static_cast<HResult>(0x80004005u);
inline constexpr HResult kEInvalidArg = static_cast<HResult>(0x80070057u);
inline constexpr HResult kStgEFileNotFound = static_cast<HResult>(0x80030002u);
inline constexpr HResult kStgEAccessDenied = static_cast<HResult>(0x80030005u);
// HRESULT_FROM_WIN32
constexpr HResult hresultFromWin32(WinError e) {
    return e == 0 ? 0 : static_cast<HResult>((e & 0xFFFFu) | 0x80070000u);
}

// File attributes.
inline constexpr std::uint32_t kFileAttributeReadOnly = 0x01;
inline constexpr std::uint32_t kFileAttributeHidden = 0x02;
inline constexpr std::uint32_t kFileAttributeSystem = 0x04;
inline constexpr std::uint32_t kFileAttributeVolume = 0x08;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeArchive = 0x20;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;

// Message-box styles (MB_*) and answers (ID*).
inline constexpr std::uint32_t kMbOk = 0x0;
inline constexpr std::uint32_t kMbOkCancel = 0x1;
inline constexpr std::uint32_t kMbYesNoCancel = 0x3;
inline constexpr std::uint32_t kMbYesNo = 0x4;
inline constexpr std::uint32_t kMbTypeMask = 0xF;
inline constexpr std::uint32_t kMbIconError = 0x10;
inline constexpr std::uint32_t kMbIconQuestion = 0x20;
inline constexpr std::uint32_t kMbIconWarning = 0x30;
inline constexpr std::uint32_t kMbIconInformation = 0x40;
inline constexpr std::uint32_t kMbIconMask = 0xF0;
inline constexpr std::uint32_t kMbSystemModal = 0x1000;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// Show modes.
inline constexpr int kSwHide = 0;
inline constexpr int kSwShowNormal = 1;

// ShellExecute / FindExecutable results at or below 32 are errors.
inline constexpr std::intptr_t kSeErrFnf = 2;
inline constexpr std::intptr_t kSeErrPnf = 3;
inline constexpr std::intptr_t kSeErrAccessDenied = 5;
inline constexpr std::intptr_t kSeErrNoAssoc = 31;

// Processor architectures of GetNativeSystemInfo.
inline constexpr std::uint16_t kProcessorArchitectureIntel = 0;
inline constexpr std::uint16_t kProcessorArchitectureIa64 = 6;
inline constexpr std::uint16_t kProcessorArchitectureAmd64 = 9;

// CreateProcess flags.
inline constexpr std::uint32_t kCreateNewConsole = 0x10;
inline constexpr std::uint32_t kNormalPriorityClass = 0x20;

} // namespace platform
