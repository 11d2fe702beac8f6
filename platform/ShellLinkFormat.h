// The Windows shell-link (.lnk) file format: a link read into its parts, the
// changes the shell's link object makes (SetIDList, SetPath,
// SetWorkingDirectory, SetIconLocation), and the link written back. What no
// change touches is written back byte for byte: the header's other fields,
// the strings, the extra data blocks and anything after the terminal block.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Windows.h"

namespace platform::shelllink {

// LinkFlags of the header.
inline constexpr std::uint32_t kHasLinkTargetIdList = 0x00000001;
inline constexpr std::uint32_t kHasLinkInfo = 0x00000002;
inline constexpr std::uint32_t kHasName = 0x00000004;
inline constexpr std::uint32_t kHasRelativePath = 0x00000008;
inline constexpr std::uint32_t kHasWorkingDir = 0x00000010;
inline constexpr std::uint32_t kHasArguments = 0x00000020;
inline constexpr std::uint32_t kHasIconLocation = 0x00000040;
inline constexpr std::uint32_t kIsUnicode = 0x00000080;
inline constexpr std::uint32_t kForceNoLinkInfo = 0x00000100;
inline constexpr std::uint32_t kHasExpString = 0x00000200;
inline constexpr std::uint32_t kHasExpIcon = 0x00004000;

// Signatures of the extra data blocks.
inline constexpr std::uint32_t kEnvironmentVariableBlock = 0xA0000001;
inline constexpr std::uint32_t kConsoleBlock = 0xA0000002;
inline constexpr std::uint32_t kTrackerBlock = 0xA0000003;
inline constexpr std::uint32_t kConsoleFeBlock = 0xA0000004;
inline constexpr std::uint32_t kSpecialFolderBlock = 0xA0000005;
inline constexpr std::uint32_t kDarwinBlock = 0xA0000006;
inline constexpr std::uint32_t kIconEnvironmentBlock = 0xA0000007;
inline constexpr std::uint32_t kShimBlock = 0xA0000008;
inline constexpr std::uint32_t kPropertyStoreBlock = 0xA0000009;
inline constexpr std::uint32_t kKnownFolderBlock = 0xA000000B;
inline constexpr std::uint32_t kVistaIdListBlock = 0xA000000C;

// Why a file cannot be loaded as a link: it ends too early (ERROR_HANDLE_EOF),
// or it is no link or its parts contradict each other (ERROR_FILE_CORRUPT).
inline constexpr HResult kLinkTruncated = static_cast<HResult>(0x80070026u);
inline constexpr HResult kLinkCorrupt = static_cast<HResult>(0x80070570u);

// What a directory search tells about a file or folder of the target path
// (C:\DRO2015, C:\DRO2015\S64.bat): attributes, size and time stamp go into
// the item-ID list and the header as the shell puts them there. Nothing
// known (no lookup, or no such file): the shell's simple ID list, a folder
// for every name but the last, no size and no time.
using TargetLookup = std::function<std::optional<FindData>(const std::string& windowsPath)>;

// The string data of a link, in the order of the file.
enum class LinkString { Name, RelativePath, WorkingDir, Arguments, IconLocation };

struct ExtraBlock {
    std::uint32_t signature = 0;
    std::string bytes; // the whole block: size, signature and data
};

class LinkFile {
public:
    // Reads a whole link file. A failing result (kLinkTruncated,
    // kLinkCorrupt) when the bytes are not a complete shell link; why, in
    // words, when asked.
    static HResult parse(std::string_view bytes, LinkFile& link, std::string* why = nullptr);
    std::string serialize() const;

    // IShellLinkW::SetIDList(nullptr): the link has no target any more.
    void clearIdList();
    // IShellLinkW::SetPath with a full Windows path (drive letter). The ID
    // list and the link info name the new path; the blocks that name the old
    // target in another way are dropped, since the shell would prefer them
    // to the ID list. E_INVALIDARG for a path that is no full path.
    HResult setPath(std::string_view path, const TargetLookup& lookup = {});
    HResult setWorkingDirectory(std::string_view folder);
    HResult setIconLocation(std::string_view file, int index);

    std::uint32_t flags() const;
    std::int32_t iconIndex() const;
    // The string as UTF-8 (up to a terminating zero), or nothing.
    std::optional<std::string> string(LinkString which) const;
    const std::vector<ExtraBlock>& extraData() const { return blocks_; }
    // The items of the target ID list, each without its size field.
    std::vector<std::string> idListItems() const;
    const std::optional<std::string>& linkInfo() const { return linkInfo_; }

private:
    void setFlag(std::uint32_t flag, bool on);
    void makeUnicode();
    HResult setString(LinkString which, std::string_view utf8);
    void dropBlocks(std::initializer_list<std::uint32_t> signatures);
    std::uint16_t itemExtensionVersion() const;

    std::string header_;                  // the 76 bytes of the header
    std::optional<std::string> idList_;   // the items and the terminal ID, without size
    std::optional<std::string> linkInfo_; // the whole link info structure
    // The characters of each string as stored (UTF-16LE or ANSI), without count.
    std::array<std::optional<std::string>, 5> strings_;
    std::vector<ExtraBlock> blocks_;
    std::string tail_; // the terminal block and whatever follows it
};

// The parts the shell writes for a target path, exposed for the tests.
// A file-system item of the ID list (without its size field).
std::string fileSystemItem(const std::string& longName, bool folder,
                           const std::optional<FindData>& found, std::uint16_t extensionVersion);
// The 8.3 name a file system gives a long name: the name itself when it is a
// valid short name, otherwise the first six letters, "~1" and the extension.
std::string shortNameOf(const std::string& longName);
// FILETIME (UTC) as the MS-DOS date (high word) and time (low word); 0 when
// it lies outside 1980 to 2107.
std::uint32_t dosDateTime(FileTime time);

} // namespace platform::shelllink
