// File, process and system utilities of the installer. They hold no state;
// every routine works on the Windows it is given.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Windows.h"
#include "support/Errors.h"

namespace support {

using platform::Windows;

// The copy buffer of CopyFileTo.
inline constexpr std::size_t ChunkSize = 8192;

// Copies source to destination (a file name, or an existing folder that
// receives the file under its own name). Raises EFOpenError, EFCreateError,
// or EInOutError when a read or write fails midway (the partial copy is
// removed then).
void CopyFileTo(Windows& win, const std::string& source, const std::string& destination);
// The low 32 bits of the size, 0 for a folder, -1 when there is no such file.
std::int32_t FileSizeOf(Windows& win, const std::string& name);
// True when every bit of bits is set in the attributes (missing: none set).
bool FileHasAttributes(Windows& win, const std::string& name, std::uint16_t bits);
// ShellExecute with the default verb; the shell's result code.
std::intptr_t ExecuteFile(Windows& win, const std::string& file, const std::string& parameters,
                          const std::string& folder, int show);
// Starts the program in folder and waits for its end: 1, or -1 when it
// cannot be started (the system's error code then goes to failure). The
// program's path is quoted on the command line, so that a folder with a
// blank (C:\Program Files) never starts another program (C:\Program.exe).
// A hold of the program's file (HoldCopy) is released once the program has
// started, or could not be.
int RunAndWait(Windows& win, const std::string& program, const std::string& folder,
               std::uint16_t show, platform::WinError* failure = nullptr,
               std::unique_ptr<platform::File> hold = nullptr);
// Holds the file copy, just copied from source, against change until the
// hold is released, and checks that it holds what source holds: in a folder
// that others may write to, the copy could have been replaced before the
// hold began. Raises EFOpenError when the copy cannot be held, EInOutError
// when a read fails, and InstallerError when the copy differs.
std::unique_ptr<platform::File> HoldCopy(Windows& win, const std::string& source,
                                         const std::string& copy);
// The system's text for an error code, without its closing period.
std::string SysErrorMessage(Windows& win, std::uint32_t code);
// Waits ms milliseconds while handling the window's messages.
void Delay(Windows& win, std::uint32_t ms);
// Free space ("MB", else GB) for the user, or the total size; -1 on failure.
std::int64_t DiskFreeSpace(Windows& win, const std::string& unit, const std::string& path,
                           bool total);
bool HasEnoughFreeSpace(Windows& win, const std::string& path, std::int64_t thresholdMb);
// The Windows system folder; raises EOSError.
std::string SystemDirectory(Windows& win);
// The user's desktop folder, or empty.
std::string DesktopFolder(Windows& win);
int WindowsMajorVersion(Windows& win);
int WindowsMinorVersion(Windows& win);
bool IsWindowsVistaOr7(Windows& win);
bool IsWindows64(Windows& win);
// 1-based position of the first character that is not a blank.
std::uint8_t FirstNonBlankPos(const std::string& text);
// The first blank-delimited word.
std::string NormalizeFolderName(const std::string& text);
// The path without a trailing sub-folder of that name.
std::string StripTrailingFolder(const std::string& name, const std::string& path);
// Writes text and CR LF in the ANSI code page; raises EInOutError.
void WriteOneLineFile(Windows& win, const std::string& file, const std::string& text);
// Local modification time as a date-time (days since 30 December 1899), at
// two-second resolution; 0 when the file does not exist.
double FileDateOf(Windows& win, const std::string& file);

// True when the path names a folder, or a file that is no folder.
bool DirectoryExists(Windows& win, const std::string& path);
bool FileExists(Windows& win, const std::string& path);
// The path without one trailing backslash.
std::string WithoutTrailingBackslash(std::string path);
// Creates the folder with all missing parents; the folders it made are added
// to created, outermost first. False when the folder is not there at the end.
bool ForceDirectories(Windows& win, const std::string& path, std::vector<std::string>* created);
// A whole number in decimal that fits 32 bits with its sign, as a version
// must be given; nothing when the text is none.
std::optional<long long> ParseWholeNumber(const std::string& text);

// The date part of a date-time (days since 30 December 1899) in a Windows
// short-date pattern (d, dd, M, MM, yy, yyyy; other characters as they are,
// text in single quotes literally).
std::string FormatShortDate(double dateTime, const std::string& pattern);

// The system's short-date pattern: the user's regional setting, else the
// Czech default "d.M.yyyy".
std::string ShortDatePattern(Windows& win);

} // namespace support
