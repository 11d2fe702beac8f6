// How Windows treats files, folders and paths: what every implementation of
// the layer must do alike.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>

#include <gtest/gtest.h>

#include "FaultInjectingWindows.h"
#include "Sandbox.h"
#include "platform/Host.h"
#ifdef _WIN32
#include "platform/win32/Support.h"
#endif

using namespace platform;
using contract::Sandbox;

namespace {

std::string readAll(File& f) {
    std::string out;
    char buf[64];
    while (true) {
        auto n = f.read(buf, sizeof buf);
        if (!n || *n == 0)
            break;
        out.append(buf, *n);
    }
    return out;
}

std::vector<std::string> names(const Result<std::vector<FindData>>& found) {
    std::vector<std::string> out;
    if (found)
        for (const auto& f : *found)
            out.push_back(f.name);
    std::sort(out.begin(), out.end());
    return out;
}

void makeReadOnly(Sandbox& sb, const std::string& name) {
    namespace fs = std::filesystem;
    fs::permissions(fsPath(*sb.win().nativePath(sb.path(name))),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
}

// Whether the host keeps everybody from writing a read-only file. Wine maps
// the attribute to the host's permission bits, which do not hold back root.
bool readOnlyHolds([[maybe_unused]] Sandbox& sb, [[maybe_unused]] const std::string& name) {
#ifdef _WIN32
    std::ofstream probe(fsPath(*sb.win().nativePath(sb.path(name))), std::ios::app);
    return !probe.is_open();
#else
    return true; // the emulation enforces the attribute itself
#endif
}

FileTime now() {
    using namespace std::chrono;
    const auto since1970 = duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
    return 116444736000000000ULL + static_cast<FileTime>(since1970) * 10000000ULL;
}

} // namespace

TEST(FilesContract, DispositionsCreateOpenAndReplace) {
    Sandbox sb;
    auto& win = sb.win();
    const std::string a = sb.path("a.txt");
    EXPECT_EQ(win.createFile(a, Access::Read, kShareRead, Disposition::OpenExisting).error(),
              kErrorFileNotFound);
    EXPECT_EQ(win.createFile(a, Access::Write, 0, Disposition::TruncateExisting).error(),
              kErrorFileNotFound);
    EXPECT_EQ(
        win.createFile(sb.path("none\\a.txt"), Access::Write, 0, Disposition::CreateAlways).error(),
        kErrorPathNotFound);

    auto f = win.createFile(a, Access::Write, 0, Disposition::CreateNew);
    ASSERT_TRUE(f);
    EXPECT_EQ(*(*f)->write("hello", 5), 5u);
    EXPECT_EQ((*f)->close(), kErrorSuccess);
    EXPECT_EQ(sb.readFile("a.txt"), "hello");
    EXPECT_EQ(win.createFile(sb.path("A.TXT"), Access::Write, 0, Disposition::CreateNew).error(),
              kErrorFileExists);

    // CreateAlways empties the file found under another case of its name.
    auto g = win.createFile(sb.path("A.TXT"), Access::Write, 0, Disposition::CreateAlways);
    ASSERT_TRUE(g);
    EXPECT_EQ(*(*g)->write("xy", 2), 2u);
    EXPECT_EQ((*g)->close(), kErrorSuccess);
    EXPECT_EQ(sb.readFile("a.txt"), "xy");

    auto r = win.createFile(a, Access::Read, kShareRead, Disposition::OpenAlways);
    ASSERT_TRUE(r);
    EXPECT_EQ(readAll(**r), "xy");
    EXPECT_EQ((*r)->write("z", 1).error(), kErrorAccessDenied);
    EXPECT_EQ((*r)->close(), kErrorSuccess);
    EXPECT_EQ((*r)->read(nullptr, 0).error(), kErrorInvalidHandle);

    ASSERT_TRUE(win.createFile(a, Access::Write, 0, Disposition::TruncateExisting));
    EXPECT_EQ(sb.readFile("a.txt"), "");
    ASSERT_TRUE(win.createFile(sb.path("new.txt"), Access::ReadWrite, 0, Disposition::OpenAlways));
    EXPECT_TRUE(sb.exists("new.txt"));
    // A folder is no file to open.
    EXPECT_EQ(
        win.createFile(sb.root(), Access::Read, kShareRead, Disposition::OpenExisting).error(),
        kErrorAccessDenied);
}

TEST(FilesContract, ShareModesDecideWhoElseMayOpen) {
    Sandbox sb;
    auto& win = sb.win();
    sb.writeFile("s.bin", "data");
    const std::string s = sb.path("s.bin");
    auto writer = win.createFile(s, Access::Write, kShareRead, Disposition::OpenExisting);
    ASSERT_TRUE(writer);
    EXPECT_EQ(win.createFile(s, Access::Write, kShareRead | kShareWrite, Disposition::OpenExisting)
                  .error(),
              kErrorSharingViolation);
    // A reader must let the writer that is already there write.
    EXPECT_EQ(win.createFile(s, Access::Read, kShareRead, Disposition::OpenExisting).error(),
              kErrorSharingViolation);
    auto reader =
        win.createFile(s, Access::Read, kShareRead | kShareWrite, Disposition::OpenExisting);
    ASSERT_TRUE(reader);
    EXPECT_EQ(readAll(**reader), "data");
    // A refused CreateAlways leaves the content alone.
    EXPECT_EQ(win.createFile(s, Access::Write, 0, Disposition::CreateAlways).error(),
              kErrorSharingViolation);
    EXPECT_EQ((*writer)->close(), kErrorSuccess);
    EXPECT_EQ((*reader)->close(), kErrorSuccess);
    EXPECT_EQ(sb.readFile("s.bin"), "data");
    EXPECT_TRUE(win.createFile(s, Access::Write, 0, Disposition::OpenExisting));
}

TEST(FilesContract, AttributesAndReadOnlyFiles) {
    Sandbox sb;
    auto& win = sb.win();
    sb.writeFile("sub\\ro.cfg", "keep");
    auto folder = win.fileAttributes(sb.path("sub"));
    ASSERT_TRUE(folder);
    EXPECT_TRUE(*folder & kFileAttributeDirectory);
    auto file = win.fileAttributes(sb.path("SUB\\RO.CFG"));
    ASSERT_TRUE(file);
    EXPECT_FALSE(*file & (kFileAttributeDirectory | kFileAttributeReadOnly));
    EXPECT_EQ(win.fileAttributes(sb.path("sub\\none")).error(), kErrorFileNotFound);
    EXPECT_EQ(win.fileAttributes(sb.path("none\\none")).error(), kErrorPathNotFound);

    makeReadOnly(sb, "sub\\ro.cfg");
    EXPECT_TRUE(*win.fileAttributes(sb.path("sub\\ro.cfg")) & kFileAttributeReadOnly);
    const std::string ro = sb.path("sub\\ro.cfg");
    EXPECT_EQ(win.deleteFile(ro), kErrorAccessDenied);
    auto r = win.createFile(ro, Access::Read, kShareRead, Disposition::OpenExisting);
    ASSERT_TRUE(r);
    EXPECT_EQ(readAll(**r), "keep");
    EXPECT_EQ((*r)->close(), kErrorSuccess);
    if (!readOnlyHolds(sb, "sub\\ro.cfg"))
        GTEST_SKIP() << "this host lets root write read-only files";
    EXPECT_EQ(win.createFile(ro, Access::Write, 0, Disposition::OpenExisting).error(),
              kErrorAccessDenied);
    EXPECT_EQ(win.createFile(ro, Access::Write, 0, Disposition::CreateAlways).error(),
              kErrorAccessDenied);
    EXPECT_EQ(sb.readFile("sub\\ro.cfg"), "keep");
}

TEST(FilesContract, FindMatchesWildcardsWithoutRegardToCase) {
    Sandbox sb;
    auto& win = sb.win();
    sb.writeFile("Cihelp.000", "12345");
    sb.writeFile("Cibhelp.T00", "");
    sb.writeFile("other.txt", "");
    ASSERT_EQ(win.createDirectory(sb.path("Sub")), kErrorSuccess);

    auto one = win.findFiles(sb.path("CIHELP.000"));
    ASSERT_TRUE(one);
    ASSERT_EQ(one->size(), 1u);
    EXPECT_EQ(one->front().name, "Cihelp.000");
    EXPECT_EQ(one->front().size, 5u);
    EXPECT_FALSE(one->front().attributes & kFileAttributeDirectory);
    const FileTime written = one->front().lastWriteTime;
    EXPECT_LT(written > now() ? written - now() : now() - written, 3600ULL * 10000000ULL);

    EXPECT_EQ(names(win.findFiles(sb.path("ci*help.?00"))),
              (std::vector<std::string>{"Cibhelp.T00", "Cihelp.000"}));
    EXPECT_EQ(names(win.findFiles(sb.path("*"))),
              (std::vector<std::string>{"Cibhelp.T00", "Cihelp.000", "Sub", "other.txt"}));
    auto sub = win.findFiles(sb.path("sub"));
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->front().name, "Sub");
    EXPECT_TRUE(sub->front().attributes & kFileAttributeDirectory);
    EXPECT_EQ(win.findFiles(sb.path("*.pdf")).error(), kErrorFileNotFound);
    EXPECT_EQ(win.findFiles(sb.path("none\\*.pdf")).error(), kErrorPathNotFound);

    // Czech names keep their letters on the way to the disk and back.
    const std::string czech = "žluťoučký kůň.txt";
    ASSERT_TRUE(win.createFile(sb.path(czech), Access::Write, 0, Disposition::CreateNew));
    EXPECT_TRUE(sb.exists(czech));
    EXPECT_EQ(names(win.findFiles(sb.path("ŽLUŤOUČKÝ*"))), std::vector<std::string>{czech});
}

TEST(FilesContract, FullPathsFollowTheCurrentFolder) {
    Sandbox sb;
    auto& win = sb.win();
    sb.writeFile("job\\Param.txt", "p");
    const std::string job = sb.path("job");
    EXPECT_EQ(win.setCurrentDirectory(job + "\\"), kErrorSuccess);
    EXPECT_EQ(win.currentDirectory(), job);
    EXPECT_EQ(*win.fullPathName("param.txt"), job + "\\param.txt");
    EXPECT_EQ(*win.fullPathName("..\\x\\.\\y.txt"), sb.path("x\\y.txt"));
    EXPECT_EQ(*win.fullPathName(job + "\\..\\job\\..\\z"), sb.path("z"));
    EXPECT_EQ(*win.fullPathName(job.substr(0, 2) + "\\"), job.substr(0, 2) + "\\");
    // Relative names reach the files through the current folder.
    auto r = win.createFile("PARAM.TXT", Access::Read, kShareRead, Disposition::OpenExisting);
    ASSERT_TRUE(r);
    EXPECT_EQ(readAll(**r), "p");
    EXPECT_EQ(*win.nativePath("param.txt"), *win.nativePath(job + "\\param.txt"));

    EXPECT_EQ(win.setCurrentDirectory(sb.path("nowhere")), kErrorFileNotFound);
    EXPECT_EQ(win.setCurrentDirectory(job + "\\Param.txt"), kErrorDirectory);
    EXPECT_EQ(win.currentDirectory(), job);
}

TEST(FilesContract, FoldersMovesAndDeletes) {
    Sandbox sb;
    auto& win = sb.win();
    const std::string dro = sb.path("DRO");
    EXPECT_EQ(win.createDirectory(dro), kErrorSuccess);
    EXPECT_EQ(win.createDirectory(sb.path("dro")), kErrorAlreadyExists);
    EXPECT_EQ(win.createDirectory(sb.path("X\\Y")), kErrorPathNotFound);
    sb.writeFile("DRO\\a", "new");
    sb.writeFile("DRO\\b", "old");
    EXPECT_EQ(win.removeDirectory(dro), kErrorDirNotEmpty);
    EXPECT_EQ(win.moveFile(dro + "\\a", dro + "\\B", false), kErrorAlreadyExists);
    EXPECT_EQ(sb.readFile("DRO\\b"), "old");
    EXPECT_EQ(win.moveFile(dro + "\\a", dro + "\\B", true), kErrorSuccess);
    EXPECT_EQ(sb.readFile("DRO\\b"), "new");
    EXPECT_FALSE(sb.exists("DRO\\a"));
    EXPECT_EQ(win.moveFile(dro + "\\a", dro + "\\c", false), kErrorFileNotFound);
    EXPECT_EQ(win.deleteFile(dro + "\\b"), kErrorSuccess);
    EXPECT_EQ(win.deleteFile(dro + "\\b"), kErrorFileNotFound);
    EXPECT_EQ(win.deleteFile(dro), kErrorAccessDenied);
    EXPECT_EQ(win.removeDirectory(dro), kErrorSuccess);
    EXPECT_EQ(win.removeDirectory(dro), kErrorFileNotFound);
}

TEST(FilesContract, ReplacementFilesAreAllOrNothing) {
    Sandbox sb;
    auto& win = sb.win();
    sb.writeFile("out\\doc.pdf", "old");
    const std::string doc = sb.path("out\\doc.pdf");
    {
        auto r = win.createReplacement(doc);
        ASSERT_TRUE(r);
        EXPECT_EQ(*(*r)->write("half", 4), 4u);
        // Not committed: the old file stays and the temporary one is gone.
    }
    EXPECT_EQ(sb.readFile("out\\doc.pdf"), "old");
    EXPECT_EQ(names(win.findFiles(sb.path("out\\*"))), std::vector<std::string>{"doc.pdf"});

    auto r = win.createReplacement(doc);
    ASSERT_TRUE(r);
    EXPECT_EQ(*(*r)->write("new bytes", 9), 9u);
    EXPECT_EQ(sb.readFile("out\\doc.pdf"), "old");
    EXPECT_EQ((*r)->commit(), kErrorSuccess);
    EXPECT_EQ(sb.readFile("out\\doc.pdf"), "new bytes");
    EXPECT_EQ((*r)->write("x", 1).error(), kErrorInvalidHandle);
    // A new file comes into being the same way.
    auto fresh = win.createReplacement(sb.path("out\\new.pdf"));
    ASSERT_TRUE(fresh);
    EXPECT_EQ((*fresh)->commit(), kErrorSuccess);
    EXPECT_EQ(sb.readFile("out\\new.pdf"), "");
    EXPECT_EQ(win.createReplacement(sb.path("none\\doc.pdf")).error(), kErrorPathNotFound);

    // A read-only target is refused, at the latest on commit, and stays.
    makeReadOnly(sb, "out\\doc.pdf");
    auto ro = win.createReplacement(doc);
    const WinError refused =
        ro ? (static_cast<void>((*ro)->write("lost", 4)), (*ro)->commit()) : ro.error();
    EXPECT_EQ(refused, kErrorAccessDenied);
    EXPECT_EQ(sb.readFile("out\\doc.pdf"), "new bytes");
    EXPECT_EQ(names(win.findFiles(sb.path("out\\*"))),
              (std::vector<std::string>{"doc.pdf", "new.pdf"}));
}

// A read or a write that the disk fails reaches the caller with its error,
// and a replacement given up after it leaves the old file and nothing else.
TEST(FilesContract, FailedReadsAndWritesReachTheCallerAndKeepTheOldFile) {
    Sandbox sb;
    testmachine::FaultInjectingWindows win(sb.win());
    sb.writeFile("doc.pdf", "old bytes");
    const std::string doc = sb.path("doc.pdf");
    const std::string native = *win.nativePath(doc);
    win.writeFault = [&](const std::string& path, std::uint64_t offset, std::size_t size) {
        return path == native && offset + size > 10 ? kErrorDiskFull : kErrorSuccess;
    };
    win.readFault = [&](const std::string& path, std::uint64_t offset, std::size_t) {
        return path == native && offset >= 4 ? kErrorReadFault : kErrorSuccess;
    };
    {
        auto r = win.createReplacement(doc);
        ASSERT_TRUE(r);
        EXPECT_EQ(*(*r)->write("0123456789", 10), 10u);
        EXPECT_EQ((*r)->write("x", 1).error(), kErrorDiskFull);
    }
    EXPECT_EQ(sb.readFile("doc.pdf"), "old bytes");
    EXPECT_EQ(names(win.findFiles(sb.path("*"))), std::vector<std::string>{"doc.pdf"});

    auto in = win.createFile(doc, Access::Read, kShareRead, Disposition::OpenExisting);
    ASSERT_TRUE(in);
    char buffer[4];
    EXPECT_EQ(*(*in)->read(buffer, 4), 4u);
    EXPECT_EQ((*in)->read(buffer, 4).error(), kErrorReadFault);
    EXPECT_EQ((*in)->close(), kErrorSuccess);
    auto out = win.createFile(doc, Access::Write, 0, Disposition::CreateAlways);
    ASSERT_TRUE(out);
    EXPECT_EQ((*out)->write("0123456789x", 11).error(), kErrorDiskFull);
}

// The process's temporary folder moved to a fresh empty one while it lives,
// so that what other tests put in the shared one meanwhile does not count.
class OwnTempFolder {
public:
    OwnTempFolder() {
        namespace fs = std::filesystem;
        std::random_device random;
        folder_ = fs::temp_directory_path() / ("dro-temp-" + std::to_string(random()));
        fs::create_directory(folder_);
        const char* old = std::getenv(kVariable);
        old_ = old ? std::optional<std::string>(old) : std::nullopt;
        set(folder_.string().c_str());
    }
    ~OwnTempFolder() {
        set(old_ ? old_->c_str() : nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    OwnTempFolder(const OwnTempFolder&) = delete;
    OwnTempFolder& operator=(const OwnTempFolder&) = delete;

    bool empty() const { return std::filesystem::is_empty(folder_); }

private:
#ifdef _WIN32
    static constexpr const char* kVariable = "TMP"; // GetTempPath's first choice
    static void set(const char* value) {
        ::SetEnvironmentVariableA(kVariable, value);
    }
#else
    static constexpr const char* kVariable = "TMPDIR";
    static void set(const char* value) {
        if (value)
            ::setenv(kVariable, value, 1);
        else
            ::unsetenv(kVariable);
    }
#endif
    std::filesystem::path folder_;
    std::optional<std::string> old_;
};

TEST(FilesContract, ScratchFileGivesBackWhatWasAppendedAndLeavesNothing) {
    OwnTempFolder temp;
    {
        auto created = createScratchFile();
        ASSERT_TRUE(created);
        ScratchFile& scratch = **created;
        const std::string big(100000, 'x');
        EXPECT_EQ(*scratch.append("first", 5), 0u);
        EXPECT_EQ(*scratch.append(big.data(), big.size()), 5u);
        EXPECT_EQ(*scratch.append("last", 4), 100005u);
        std::string back(4, '\0');
        EXPECT_EQ(scratch.readAt(100005, back.data(), 4), kErrorSuccess);
        EXPECT_EQ(back, "last");
        std::string middle(big.size(), '\0');
        EXPECT_EQ(scratch.readAt(5, middle.data(), middle.size()), kErrorSuccess);
        EXPECT_EQ(middle, big);
        // Nothing is read from beyond what was written.
        EXPECT_EQ(scratch.readAt(100006, back.data(), 4), kErrorInvalidParameter);
        EXPECT_EQ(scratch.readAt(~std::uint64_t{0}, back.data(), 4), kErrorInvalidParameter);
    }
    EXPECT_TRUE(temp.empty());
}

TEST(FilesContract, HeldFileIsReadByOthersButNeitherWrittenNorDeletedNorRenamed) {
    Sandbox sb;
    auto& win = sb.win();
    sb.writeFile("held.exe", "package");
    sb.writeFile("other.exe", "swapped");
    const std::string held = sb.path("held.exe");
    auto hold = win.holdFile(held);
    ASSERT_TRUE(hold) << hold.error();
    constexpr std::uint32_t kShareAll = kShareRead | kShareWrite | kShareDelete;
    for (const Disposition d :
         {Disposition::OpenExisting, Disposition::CreateAlways, Disposition::TruncateExisting})
        EXPECT_EQ(win.createFile(held, Access::Write, kShareAll, d).error(),
                  kErrorSharingViolation);
    EXPECT_EQ(win.deleteFile(held), kErrorSharingViolation);
    EXPECT_EQ(win.moveFile(held, sb.path("moved.exe"), false), kErrorSharingViolation);
    // Windows refuses another file over it as access denied, newer NTFS
    // as a sharing violation.
    const WinError over = win.moveFile(sb.path("other.exe"), held, true);
    EXPECT_TRUE(over == kErrorAccessDenied || over == kErrorSharingViolation) << over;
    auto replacement = win.createReplacement(held);
    const WinError replaced =
        replacement ? (static_cast<void>((*replacement)->write("x", 1)), (*replacement)->commit())
                    : replacement.error();
    EXPECT_TRUE(replaced == kErrorAccessDenied || replaced == kErrorSharingViolation) << replaced;

    // Readers are welcome, and the hold reads what it holds.
    auto reader = win.createFile(held, Access::Read, kShareRead, Disposition::OpenExisting);
    ASSERT_TRUE(reader);
    EXPECT_EQ(readAll(**reader), "package");
    EXPECT_EQ(readAll(**hold), "package");
    EXPECT_EQ((*reader)->close(), kErrorSuccess);
    EXPECT_EQ(sb.readFile("held.exe"), "package");

    // Once closed, the file is free again.
    EXPECT_EQ((*hold)->close(), kErrorSuccess);
    EXPECT_EQ(win.moveFile(sb.path("other.exe"), held, true), kErrorSuccess);
    EXPECT_EQ(sb.readFile("held.exe"), "swapped");

    // A file open for writing or deleting cannot be held.
    auto writer = win.createFile(held, Access::Write, kShareAll, Disposition::OpenExisting);
    ASSERT_TRUE(writer);
    EXPECT_EQ(win.holdFile(held).error(), kErrorSharingViolation);
    EXPECT_EQ((*writer)->close(), kErrorSuccess);
    EXPECT_EQ(win.holdFile(sb.path("none.exe")).error(), kErrorFileNotFound);
}
