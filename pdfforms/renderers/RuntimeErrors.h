// The standard run-time error numbers that a print job can meet, with the
// descriptions the tool shows when no procedure replaced them.
#pragma once

#include <cstdint>
#include <string>

#include "NumberedError.h"

namespace pdfforms {

namespace err {
inline constexpr std::int32_t kInvalidArgument = 5;
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kOutOfMemory = 7;
inline constexpr std::int32_t kSubscriptOutOfRange = 9;
inline constexpr std::int32_t kDivisionByZero = 11;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kInternalError = 51;
inline constexpr std::int32_t kBadFileNameOrNumber = 52;
inline constexpr std::int32_t kFileNotFound = 53;
inline constexpr std::int32_t kDeviceIoError = 57;
inline constexpr std::int32_t kInputPastEndOfFile = 62;
inline constexpr std::int32_t kPermissionDenied = 70;
inline constexpr std::int32_t kPathFileAccessError = 75;
inline constexpr std::int32_t kObjectVariableNotSet = 91;
inline constexpr std::int32_t kCannotCreateObject = 429;

// The tool's own numbers.
inline constexpr std::int32_t kUnsupportedForm = 601;
inline constexpr std::int32_t kTemplateMissing = 602;
inline constexpr std::int32_t kPictureMissing = 603;
inline constexpr std::int32_t kAttachmentMissing = 604;
} // namespace err

// The run-time library's description of a standard error number.
std::string runtimeErrorDescription(std::int32_t number);

// A NumberedError with the standard description of its number.
NumberedError runtimeError(std::int32_t number);

} // namespace pdfforms
